#pragma once

class QWidget;

namespace platform {
class CalendarApp;
class Workspace;
} // namespace platform

namespace tolvar {

class AppModel;
class MenuBarContentView;
class PanelTransientHotkeys;
class QuickPanelPinModel;

// The panel as both of its windows show it: the view with its window bridges and detail card, and,
// in the Quick Panel (with a pin model), the pin controls in its header.
MenuBarContentView* makePanelContent(AppModel& appModel, PanelTransientHotkeys& registry,
    platform::Workspace& workspace, platform::CalendarApp& calendarApp, QuickPanelPinModel* pinModel);

} // namespace tolvar

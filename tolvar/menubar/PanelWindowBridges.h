#pragma once

#include "tolvar/menubar/MeetingDetailSidePanelAccessor.h"

#include <QObject>

namespace tolvar {

class MenuBarContentView;
class PanelHotkeyWindowAccessor;
class PanelTransientHotkeys;
class ScreenSharePrivacyWindowAccessor;

// What the panel's view needs of the window that hosts it: the panel keys while that window is
// active, the capture flag, and the detail card beside it. Made as a child of the view, so it goes
// with it; every window that shows the panel puts one in.
class PanelWindowBridges : public QObject
{
    Q_OBJECT
public:
    PanelWindowBridges(MenuBarContentView& view, PanelTransientHotkeys& registry,
        MeetingDetailSidePanelAccessor::CardFactory cardFactory);

    PanelHotkeyWindowAccessor& hotkeys() const { return *m_hotkeys; }
    MeetingDetailSidePanelAccessor& sidePanel() const { return *m_sidePanel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSidePanel();

    MenuBarContentView& m_view;
    PanelHotkeyWindowAccessor* m_hotkeys;
    ScreenSharePrivacyWindowAccessor* m_privacy;
    MeetingDetailSidePanelAccessor* m_sidePanel;
};

} // namespace tolvar

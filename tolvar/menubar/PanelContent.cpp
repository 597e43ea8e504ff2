#include "tolvar/menubar/PanelContent.h"

#include "tolvar/core/AppModel.h"
#include "tolvar/menubar/MeetingDetailCard.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/OpenInCalendar.h"
#include "tolvar/menubar/PanelWindowBridges.h"
#include "tolvar/menubar/QuickPanelPinHeaderControls.h"

namespace tolvar {

namespace {
constexpr int maxVisibleAttendees = 8;
constexpr int maxExpandedAttendeesHeight = 280;
} // namespace

MenuBarContentView* makePanelContent(AppModel& appModel, PanelTransientHotkeys& registry,
    platform::Workspace& workspace, platform::CalendarApp& calendarApp, QuickPanelPinModel* pinModel)
{
    auto* view = new MenuBarContentView(appModel);
    new PanelWindowBridges(*view, registry,
        [&workspace, &calendarApp](const MeetingSnapshot& meeting, const QString& timeLabel, bool showAllAttendees,
            std::function<void()> onShowAllAttendees, std::function<void(bool)> onHoverChange) -> QWidget* {
            auto* card = new MeetingDetailCard(workspace);
            card->setMaxVisibleAttendees(maxVisibleAttendees);
            card->setMaxExpandedAttendeesHeight(maxExpandedAttendeesHeight);
            card->setContent(meeting, timeLabel, showAllAttendees);
            QObject::connect(card, &MeetingDetailCard::showAllAttendeesRequested, card, onShowAllAttendees);
            QObject::connect(card, &MeetingDetailCard::hoverChanged, card, onHoverChange);
            // The user sees the calendar start or nothing; there is nothing to tell either way.
            QObject::connect(card, &MeetingDetailCard::openInCalendarRequested, card,
                [&calendarApp](const MeetingSnapshot& shown) { openMeetingInCalendar(shown, calendarApp); });
            return card;
        });
    if (pinModel) {
        auto* controls = new QuickPanelPinHeaderControls(*pinModel);
        controls->setSyncStatus(appModel.syncStatus());
        QObject::connect(&appModel, &AppModel::syncStatusChanged, controls,
            [controls, &appModel] { controls->setSyncStatus(appModel.syncStatus()); });
        view->setHeaderAccessory(controls);
    }
    return view;
}

} // namespace tolvar

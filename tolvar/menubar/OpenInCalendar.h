#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace platform {
class CalendarApp;
}

namespace tolvar {

struct MeetingSnapshot;

// Shows a meeting's event in the calendar application: its own event link first, else a script that
// looks the event up by calendar, identifier, title and start. True when either worked.
bool openMeetingInCalendar(const MeetingSnapshot& meeting, platform::CalendarApp& calendarApp);
bool openInCalendarViaAppleScript(const MeetingSnapshot& meeting, platform::CalendarApp& calendarApp);

// ical://ekevent/<start in UTC>/<item id, "/" encoded>?method=show&options=more; empty without an item id.
std::optional<QUrl> calendarEventURL(const MeetingSnapshot& meeting);

// The script's whole text, and its two generated blocks.
QString calendarRevealScript(const MeetingSnapshot& meeting);
QString calendarSelectionScript(
    const std::optional<QString>& calendarIdentifier, const std::optional<QString>& calendarName);
QString eventMatchScript(const std::optional<QString>& uid, const QString& title, const QString& calendarVariable);

} // namespace tolvar

#include "tolvar/menubar/OpenInCalendar.h"

#include "platform/calendarapp/CalendarApp.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QTimeZone>

namespace tolvar {

namespace {

// Backslashes first, so that the backslash added before a quote is not doubled again.
QString escaped(const QString& text)
{
    QString result = text;
    result.replace(u'\\', QStringLiteral("\\\\"));
    result.replace(u'"', QStringLiteral("\\\""));
    return result;
}

std::optional<QString> escapedIfNotEmpty(const std::optional<QString>& text)
{
    if (!text || text->isEmpty())
        return std::nullopt;
    return escaped(*text);
}

} // namespace

std::optional<QUrl> calendarEventURL(const MeetingSnapshot& meeting)
{
    if (!meeting.calendarItemIdentifier || meeting.calendarItemIdentifier->isEmpty())
        return std::nullopt;
    const QString start
        = meeting.startDate.toDateTime().toTimeZone(QTimeZone::utc()).toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    // What a link's path may hold, except "/": an identifier's slash must not split the path.
    const QByteArray itemID = meeting.calendarItemIdentifier->toUtf8().toPercentEncoding("!$&'()*+,;=:@");
    const QString text = QStringLiteral("ical://ekevent/") + start + u'/' + QString::fromLatin1(itemID)
        + QStringLiteral("?method=show&options=more");
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString calendarSelectionScript(
    const std::optional<QString>& calendarIdentifier, const std::optional<QString>& calendarName)
{
    QStringList lines;
    if (calendarIdentifier)
        lines.append(QStringLiteral("  try\n    set targetCal to first calendar whose calendarIdentifier is \"")
            + *calendarIdentifier + QStringLiteral("\"\n  end try"));
    if (calendarName)
        lines.append(QStringLiteral("  if targetCal is missing value then\n    try\n"
                                    "      set targetCal to first calendar whose name is \"")
            + *calendarName + QStringLiteral("\"\n    end try\n  end if"));
    return lines.join(u'\n');
}

QString eventMatchScript(const std::optional<QString>& uid, const QString& title, const QString& calendarVariable)
{
    QStringList lines;
    if (uid) {
        lines.append(QStringLiteral("  try\n    tell ") + calendarVariable
            + QStringLiteral("\n      set candidates to (every event whose uid is \"") + *uid
            + QStringLiteral("\" and start date ≥ dLow and start date ≤ dHigh)\n"
                             "      if (count of candidates) > 0 then\n"
                             "        set matchedEvent to item 1 of candidates\n"
                             "      else\n"
                             "        set byUID to (every event whose uid is \"")
            + *uid
            + QStringLiteral("\")\n        if (count of byUID) > 0 then set matchedEvent to item 1 of byUID\n"
                             "      end if\n    end tell\n  end try"));
    }
    lines.append(QStringLiteral("  if matchedEvent is missing value then\n    try\n      tell ") + calendarVariable
        + QStringLiteral("\n        set candidates to (every event whose summary is \"") + title
        + QStringLiteral("\" and start date ≥ dLow and start date ≤ dHigh)\n"
                         "        if (count of candidates) > 0 then set matchedEvent to item 1 of candidates\n"
                         "      end tell\n    end try\n  end if"));
    return lines.join(u'\n');
}

QString calendarRevealScript(const MeetingSnapshot& meeting)
{
    const QString title = escaped(meeting.title);
    const QDateTime start = meeting.startDate.toDateTime().toLocalTime();
    const bool valid = start.isValid();
    const auto part = [valid](int value, int fallback) { return QString::number(valid ? value : fallback); };
    const QDate date = start.date();
    const QTime time = start.time();

    QString script = QStringLiteral("tell application \"Calendar\"\n  activate\n  set d to current date\n")
        + QStringLiteral("  set year of d to ") + part(date.year(), 0) + QStringLiteral("\n  set month of d to ")
        + part(date.month(), 1) + QStringLiteral("\n  set day of d to ") + part(date.day(), 1)
        + QStringLiteral("\n  set hours of d to ") + part(time.hour(), 0) + QStringLiteral("\n  set minutes of d to ")
        + part(time.minute(), 0) + QStringLiteral("\n  set seconds of d to ") + part(time.second(), 0);
    script += QStringLiteral("\n  set dLow to d - 2 * minutes\n  set dHigh to d + 2 * minutes\n\n"
                             "  set matchedEvent to missing value\n  set targetCal to missing value\n\n  ");
    script += calendarSelectionScript(
        escapedIfNotEmpty(meeting.calendarExternalIdentifier), escapedIfNotEmpty(meeting.calendarTitle));
    script += QStringLiteral("\n\n  if targetCal is not missing value then\n    ")
        + eventMatchScript(escapedIfNotEmpty(meeting.eventExternalIdentifier), title, QStringLiteral("targetCal"))
        + QStringLiteral("\n  end if");
    script += QStringLiteral("\n\n  if matchedEvent is missing value then\n    repeat with cal in calendars\n"
                             "      if matchedEvent is not missing value then exit repeat\n      try\n"
                             "        tell cal\n"
                             "          set candidates to (every event whose summary is \"")
        + title
        + QStringLiteral("\" and start date ≥ dLow and start date ≤ dHigh)\n"
                         "          if (count of candidates) > 0 then set matchedEvent to item 1 of candidates\n"
                         "        end tell\n      end try\n    end repeat\n  end if");
    script += QStringLiteral("\n\n  if matchedEvent is not missing value then\n    show matchedEvent\n  else\n"
                             "    switch view to day view\n    view calendar at d\n  end if\nend tell");
    return script;
}

bool openInCalendarViaAppleScript(const MeetingSnapshot& meeting, platform::CalendarApp& calendarApp)
{
    const std::optional<QString> application = calendarApp.calendarApplication();
    if (!application)
        return false;
    calendarApp.launch(*application);
    return calendarApp.runScript(calendarRevealScript(meeting));
}

bool openMeetingInCalendar(const MeetingSnapshot& meeting, platform::CalendarApp& calendarApp)
{
    if (const std::optional<QUrl> url = calendarEventURL(meeting); url && calendarApp.openEventUrl(*url))
        return true;
    return openInCalendarViaAppleScript(meeting, calendarApp);
}

} // namespace tolvar

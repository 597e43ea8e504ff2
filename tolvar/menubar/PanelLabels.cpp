#include "tolvar/menubar/PanelLabels.h"

#include "platform/text/DateTemplateFormat.h"
#include "platform/text/Localized.h"
#include "platform/text/ShortTime.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QLocale>
#include <QTimeZone>
#include <cmath>

namespace tolvar::PanelLabels {

namespace {
QString shortTime(platform::Date date)
{
    return platform::shortTimeText(date.toDateTime().toLocalTime().time());
}

QString todayOrTomorrow(QDate date, QDate today)
{
    if (date == today)
        return platform::localized("Today");
    if (date == today.addDays(1))
        return platform::localized("Tomorrow");
    return {};
}
} // namespace

QDate localDate(platform::Date date)
{
    return date.toDateTime().toLocalTime().date();
}

QString timeRangeLabel(const MeetingSnapshot& meeting)
{
    return shortTime(meeting.startDate) + QStringLiteral(" – ") + shortTime(meeting.endDate);
}

QString shortDayLabel(platform::Date date, QDate today)
{
    const QDate day = localDate(date);
    const QString relative = todayOrTomorrow(day, today);
    return relative.isEmpty() ? QLocale().dayName(day.dayOfWeek(), QLocale::ShortFormat) : relative;
}

QString dayLabel(platform::Date date, QDate today)
{
    const QDate day = localDate(date);
    const QString relative = todayOrTomorrow(day, today);
    if (!relative.isEmpty())
        return relative;
    const QLocale locale;
    // The locale orders month and day ("Mar 5", "5. März"). Local time's own offset: Qt keeps the system zone it
    // first read, while local time follows a zone changed since.
    const QTimeZone zone(date.toDateTime().toLocalTime().offsetFromUtc());
    return locale.dayName(day.dayOfWeek(), QLocale::ShortFormat) + QStringLiteral(" · ")
        + platform::formatDateFromTemplate(date, QStringLiteral("MMMd"), locale, zone);
}

QString countdownLabel(const MeetingSnapshot& meeting, platform::Date now, QDate today)
{
    if (meeting.startDate <= now && meeting.endDate > now)
        return platform::localizedFormat("ends %@", { shortTime(meeting.endDate) });
    const double seconds = std::ceil(meeting.startDate.secondsSince(now));
    if (seconds < 1)
        return platform::localized("now");
    if (seconds >= 86400)
        return shortDayLabel(meeting.startDate, today);
    const qint64 s = qint64(seconds);
    if (s < 3600)
        return platform::localizedFormat("in %dm %02ds", { QString::number(s / 60), QString::number(s % 60) });
    return platform::localizedFormat("in %dh %dm", { QString::number(s / 3600), QString::number((s % 3600) / 60) });
}

} // namespace tolvar::PanelLabels

#include "platform/calendar/CalendarTime.h"

#include <algorithm>

namespace platform {

namespace {

constexpr qint64 day = 86400;
constexpr qint64 julianDayOf1970 = 2440588;

qint64 floorDivide(qint64 value, qint64 divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

} // namespace

int CalendarTime::offsetAt(qint64 utcSeconds) const
{
    switch (zone) {
    case Zone::utc:
        return 0;
    case Zone::named:
        return namedZone.offsetAt(utcSeconds);
    case Zone::local:
        break;
    }
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::LocalTime).offsetFromUtc();
}

qint64 CalendarTime::secondsSince1970() const
{
    const qint64 wall = wallSeconds() - julianDayOf1970 * day;
    // Zones change their offset at most once in two days: the reading has an instant with the offset before
    // such a change or with the one after it, or both in a repeated hour.
    const int before = offsetAt(wall - day);
    const int after = offsetAt(wall + day);
    const qint64 withBefore = wall - before;
    if (before == after)
        return withBefore;
    const qint64 withAfter = wall - after;
    const bool beforeHolds = offsetAt(withBefore) == before;
    const bool afterHolds = offsetAt(withAfter) == after;
    if (beforeHolds && afterHolds)
        return std::min(withBefore, withAfter);
    if (afterHolds)
        return withAfter;
    // Also a reading skipped by the change, which thus lands as far after it as it was into the gap.
    return withBefore;
}

Date CalendarTime::toDate() const
{
    return Date::fromSecondsSince1970(double(secondsSince1970()));
}

CalendarTime CalendarTime::addingDays(qint64 days) const
{
    CalendarTime result = *this;
    result.date = date.addDays(days);
    return result;
}

CalendarTime CalendarTime::inZoneOf(const CalendarTime& other) const
{
    const qint64 moment = secondsSince1970();
    CalendarTime result = other.atWallSeconds(moment + other.offsetAt(moment) + julianDayOf1970 * day);
    result.isDate = false;
    return result;
}

qint64 CalendarTime::wallSeconds() const
{
    return date.toJulianDay() * day + time.msecsSinceStartOfDay() / 1000;
}

CalendarTime CalendarTime::atWallSeconds(qint64 seconds) const
{
    const qint64 days = floorDivide(seconds, day);
    CalendarTime result = *this;
    result.date = QDate::fromJulianDay(days);
    result.time = QTime(0, 0).addSecs(int(seconds - days * day));
    return result;
}

} // namespace platform

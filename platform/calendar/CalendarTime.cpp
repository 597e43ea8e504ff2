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
    const qint64 wall = (date.toJulianDay() - julianDayOf1970) * day + time.msecsSinceStartOfDay() / 1000;
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
    const qint64 wall = moment + other.offsetAt(moment);
    const qint64 days = floorDivide(wall, day);
    CalendarTime result = other;
    result.date = QDate::fromJulianDay(days + julianDayOf1970);
    result.time = QTime(0, 0).addSecs(int(wall - days * day));
    result.isDate = false;
    return result;
}

} // namespace platform

#include "platform/calendar/CalendarTime.h"

namespace platform {

namespace {

QDateTime dateTimeIn(const CalendarTime& time)
{
    switch (time.zone) {
    case CalendarTime::Zone::utc:
        return QDateTime(time.date, time.time, QTimeZone::utc());
    case CalendarTime::Zone::named:
        return QDateTime(time.date, time.time, time.namedZone);
    case CalendarTime::Zone::local:
        break;
    }
    return QDateTime(time.date, time.time);
}

} // namespace

Date CalendarTime::toDate() const
{
    return Date::fromDateTime(dateTimeIn(*this));
}

CalendarTime CalendarTime::addingDays(qint64 days) const
{
    CalendarTime result = *this;
    result.date = date.addDays(days);
    return result;
}

CalendarTime CalendarTime::inZoneOf(const CalendarTime& other) const
{
    QDateTime moment = dateTimeIn(*this);
    switch (other.zone) {
    case Zone::utc:
        moment = moment.toUTC();
        break;
    case Zone::named:
        moment = moment.toTimeZone(other.namedZone);
        break;
    case Zone::local:
        moment = moment.toLocalTime();
        break;
    }
    CalendarTime result = other;
    result.date = moment.date();
    result.time = moment.time();
    result.isDate = false;
    return result;
}

} // namespace platform

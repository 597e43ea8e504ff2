#include "platform/calendar/CalendarZone.h"

#include <QMutex>

namespace platform {

class CalendarZone::Definition
{
public:
    explicit Definition(const QTimeZone& zone)
        : m_system(zone)
    { }

    explicit Definition(icaltimezone* defined)
        : m_defined(defined)
    { }

    ~Definition()
    {
        if (m_defined)
            icaltimezone_free(m_defined, 1);
    }

    Definition(const Definition&) = delete;
    Definition& operator=(const Definition&) = delete;

    int offsetAt(qint64 utcSeconds) const
    {
        const QDateTime moment = QDateTime::fromSecsSinceEpoch(utcSeconds, QTimeZone::utc());
        if (!m_defined)
            return m_system.offsetFromUtc(moment);
        icaltimetype time = icaltime_null_time();
        time.year = moment.date().year();
        time.month = moment.date().month();
        time.day = moment.date().day();
        time.hour = moment.time().hour();
        time.minute = moment.time().minute();
        time.second = moment.time().second();
        // libical fills a zone's table of changes as times ask for it, and series expand on several threads.
        QMutexLocker locker(&m_mutex);
        return icaltimezone_get_utc_offset_of_utc_time(m_defined, &time, nullptr);
    }

private:
    QTimeZone m_system;
    icaltimezone* m_defined = nullptr;
    mutable QMutex m_mutex;
};

CalendarZone::CalendarZone(const QTimeZone& zone)
    : m_definition(std::make_shared<const Definition>(zone))
{ }

namespace {

bool hasAny(const short* values)
{
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// libical lists every change of offset from a definition's first start on, so a rule that changes the offset
// every minute since 1900 would hold the reader for hours. Zones change at most a few times a year, by rules
// of one month each year.
bool isYearlyInOneMonth(const icalrecurrencetype& rule)
{
    return rule.freq == ICAL_YEARLY_RECURRENCE && hasAny(rule.by_month) && rule.by_month[1] == ICAL_RECURRENCE_ARRAY_MAX
        && !hasAny(rule.by_hour) && !hasAny(rule.by_minute) && !hasAny(rule.by_second) && !hasAny(rule.by_year_day)
        && !hasAny(rule.by_week_no) && !hasAny(rule.by_set_pos);
}

bool changesSeldom(icalcomponent* vtimezone)
{
    for (icalcompiter i = icalcomponent_begin_component(vtimezone, ICAL_ANY_COMPONENT); icalcompiter_deref(&i);
         icalcompiter_next(&i)) {
        icalcomponent* part = icalcompiter_deref(&i);
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            if (!icalproperty_get_value(p) || !isYearlyInOneMonth(icalproperty_get_rrule(p)))
                return false;
        }
    }
    return true;
}

} // namespace

CalendarZone CalendarZone::fromDefinition(const icalcomponent* vtimezone)
{
    CalendarZone result;
    if (!changesSeldom(const_cast<icalcomponent*>(vtimezone)))
        return result;
    icaltimezone* zone = icaltimezone_new();
    icalcomponent* copy = icalcomponent_new_clone(const_cast<icalcomponent*>(vtimezone));
    // Once the zone takes the copy, it frees it.
    if (!copy || !icaltimezone_set_component(zone, copy)) {
        if (copy)
            icalcomponent_free(copy);
        icaltimezone_free(zone, 1);
        return result;
    }
    result.m_definition = std::make_shared<const Definition>(zone);
    return result;
}

int CalendarZone::offsetAt(qint64 utcSeconds) const
{
    return m_definition ? m_definition->offsetAt(utcSeconds) : 0;
}

} // namespace platform

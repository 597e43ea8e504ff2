#include "platform/calendar/RuleExpansion.h"

#include "platform/calendar/DailyRule.h"

#include <cstdlib>
#include <memory>

namespace platform {

namespace {

// More steps than any real rule needs for a window; only a runaway rule reaches it.
constexpr int maximumSteps = 100000;
// Few enough occurrences for the main thread to walk to the window.
constexpr int maximumQuickCount = 5000;

icaltimetype wallClock(const CalendarTime& time)
{
    icaltimetype result = icaltime_null_time();
    result.year = time.date.year();
    result.month = time.date.month();
    result.day = time.date.day();
    result.is_date = time.isDate;
    if (!time.isDate) {
        result.hour = time.time.hour();
        result.minute = time.time.minute();
        result.second = time.time.second();
    }
    return result;
}

CalendarTime fromWallClock(const icaltimetype& time, const CalendarTime& zoneOf)
{
    CalendarTime result = zoneOf;
    result.date = QDate(time.year, time.month, time.day);
    result.time = time.is_date ? QTime(0, 0) : QTime(time.hour, time.minute, qMin(time.second, 59));
    return result;
}

// The reading of `date` on the wall clock of `zoneOf`.
CalendarTime wallReading(Date date, const CalendarTime& zoneOf)
{
    const QDateTime moment = date.toDateTime();
    CalendarTime utc;
    utc.date = moment.date();
    utc.time = moment.time();
    utc.zone = CalendarTime::Zone::utc;
    CalendarTime wall = utc.inZoneOf(zoneOf);
    wall.isDate = zoneOf.isDate;
    return wall;
}

bool isAfter(const CalendarTime& a, const CalendarTime& b)
{
    return a.date != b.date ? a.date > b.date : (!a.isDate && a.time > b.time);
}

bool has(const short* values)
{
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

} // namespace

RuleExpansion::RuleExpansion(const icalrecurrencetype& rule, const CalendarTime& firstStart)
    : RuleExpansion(rule, rule.interval, firstStart)
{ }

RuleExpansion::RuleExpansion(const icalrecurrencetype& rule, qint64 interval, const CalendarTime& firstStart)
    : m_rule(rule)
    , m_interval(interval)
    , m_first(firstStart)
{
    m_rule.rscale = nullptr;
    // The walks below read UNTIL as a wall-clock reading.
    m_rule.until.zone = nullptr;
    // libical reads days of the month in a yearly rule that names no month as days of the first start's month;
    // a series keeps that reading when it is expanded without libical.
    if (DailyRule::handles(m_rule, m_interval) && m_rule.freq == ICAL_YEARLY_RECURRENCE && has(m_rule.by_month_day)
        && !has(m_rule.by_month) && !has(m_rule.by_year_day) && !has(m_rule.by_week_no)) {
        m_rule.by_month[0] = short(firstStart.date.month());
        m_rule.by_month[1] = ICAL_RECURRENCE_ARRAY_MAX;
    }
    if (icaltime_is_null_time(rule.until))
        return;
    CalendarTime until = firstStart;
    until.date = QDate(rule.until.year, rule.until.month, rule.until.day);
    if (rule.until.is_date)
        until.time = firstStart.isDate ? QTime(0, 0) : QTime(23, 59, 59);
    else
        until.time = QTime(rule.until.hour, rule.until.minute, qMin(rule.until.second, 59));
    if (!rule.until.is_date && icaltime_is_utc(rule.until))
        until.zone = CalendarTime::Zone::utc;
    if (!until.isValid())
        return;
    m_until = until.toDate();
    // The rule steps on the first start's wall clock, where a change of offset can move a start across UTC's
    // reading of UNTIL: the walk goes a day further, and the instant decides.
    CalendarTime wall = until.inZoneOf(firstStart).addingDays(1);
    wall.isDate = firstStart.isDate;
    m_rule.until = wallClock(wall);
}

bool RuleExpansion::isQuick() const
{
    if (DailyRule::handles(m_rule, m_interval))
        return true;
    // A counted rule is walked from its first start, one call per occurrence.
    if (m_rule.count > maximumQuickCount)
        return false;
    // Filters that can leave every period empty for centuries, which the iterator then walks through.
    if (has(m_rule.by_year_day) || has(m_rule.by_week_no))
        return false;
    for (int i = 0; i < ICAL_BY_SETPOS_SIZE && m_rule.by_set_pos[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (std::abs(m_rule.by_set_pos[i]) != 1)
            return false;
    }
    if (m_rule.freq == ICAL_WEEKLY_RECURRENCE)
        return !has(m_rule.by_month) && !has(m_rule.by_month_day);
    if (m_rule.freq == ICAL_MONTHLY_RECURRENCE && has(m_rule.by_month))
        return false;
    const bool monthDays = has(m_rule.by_month_day);
    const bool days = has(m_rule.by_day);
    if (monthDays && days)
        return false;
    if (monthDays) {
        // A day every month has.
        for (int i = 0; i < ICAL_BY_MONTHDAY_SIZE && m_rule.by_month_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (std::abs(m_rule.by_month_day[i]) <= 28)
                return true;
        }
        return false;
    }
    if (days) {
        // A weekday, or an nth weekday every month has.
        for (int i = 0; i < ICAL_BY_DAY_SIZE && m_rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (std::abs(icalrecurrencetype_day_position(m_rule.by_day[i])) <= 4)
                return true;
        }
        return false;
    }
    return true;
}

void RuleExpansion::append(Date from, Date to, RuleStarts& out, QDeadlineTimer deadline) const
{
    // A day's margin past the end covers a wall clock that repeats an hour.
    const CalendarTime fromWall = wallReading(from, m_first);
    const CalendarTime lastWall = wallReading(to.addingSeconds(86400), m_first);
    QList<CalendarTime> found;
    const bool complete = DailyRule::handles(m_rule, m_interval)
        ? DailyRule(m_rule, m_interval, m_first).append(fromWall, lastWall, found)
        : appendStepped(fromWall, lastWall, found, deadline);
    out.complete = out.complete && complete;
    for (const CalendarTime& time : std::as_const(found)) {
        const Date date = time.toDate();
        if (date >= from && date < to && (!m_until || date <= *m_until))
            out.starts.append(time);
    }
}

bool RuleExpansion::appendStepped(
    const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out, const QDeadlineTimer& deadline) const
{
    // The iterator cannot skip ahead in a counted rule, so the count is kept here and the rule is given the
    // window's end as its end: the iterator then never searches past the window.
    icalrecurrencetype rule = m_rule;
    const int count = rule.count;
    rule.count = 0;
    const icaltimetype end = wallClock(last);
    if (icaltime_is_null_time(rule.until) || icaltime_compare(end, rule.until) < 0)
        rule.until = end;
    // Making the iterator may already walk the rule; it refuses some rules (BYMONTHDAY in a weekly one).
    std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)> iterator(
        icalrecur_iterator_new(rule, wallClock(m_first)), &icalrecur_iterator_free);
    if (!iterator)
        return true;
    if (count == 0 && isAfter(from, m_first))
        icalrecur_iterator_set_start(iterator.get(), wallClock(from));

    int counted = 0;
    for (int step = 0; step < maximumSteps; ++step) {
        if (deadline.hasExpired())
            return false;
        const icaltimetype next = icalrecur_iterator_next(iterator.get());
        if (icaltime_is_null_time(next))
            return true;
        const CalendarTime time = fromWallClock(next, m_first);
        if (!time.isValid() || isAfter(time, last) || (count > 0 && ++counted > count))
            return true;
        if (!isAfter(from, time))
            out.append(time);
    }
    return false;
}

} // namespace platform

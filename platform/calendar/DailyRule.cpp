#include "platform/calendar/DailyRule.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

constexpr qint64 day = 86400;
constexpr qint64 week = 7 * day;
// Not lengths: only name the monthly and yearly units.
constexpr qint64 month = 31 * day;
constexpr qint64 year = 366 * day;

qint64 wallSeconds(QDate date, int hour, int minute, int second)
{
    return date.toJulianDay() * day + hour * 3600 + minute * 60 + second;
}

qint64 floorDivide(qint64 value, qint64 divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

QList<int> listOf(const short* values, int size)
{
    QList<int> list;
    for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        list.append(values[i]);
    return list;
}

// The values a time field takes: the rule's own (valid ones only), every value when the field is at or below the
// rule's unit and the rule leaves it open, else the first start's.
QList<int> fieldValues(const short* values, int size, int limit, bool isFree, int firstValue)
{
    QList<int> result;
    const QList<int> given = listOf(values, size);
    if (!given.isEmpty()) {
        for (int value : given) {
            if (value >= 0 && value < limit)
                result.append(value);
        }
    } else if (isFree) {
        for (int value = 0; value < limit; ++value)
            result.append(value);
    } else {
        result.append(firstValue);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

bool matchesCounted(const QList<int>& values, int value, int count)
{
    return values.isEmpty() || values.contains(value) || values.contains(value - count - 1);
}

bool has(const short* values)
{
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether two of the days counted from either end of a period `shortest` to `longest` days long can be one.
bool namesADayTwice(const short* values, int size, int shortest, int longest)
{
    const QList<int> days = listOf(values, size);
    for (qsizetype i = 0; i < days.size(); ++i) {
        for (qsizetype j = i + 1; j < days.size(); ++j) {
            const int fromStart = std::max(days.at(i), days.at(j));
            const int fromEnd = std::min(days.at(i), days.at(j));
            const int length = fromStart - fromEnd - 1;
            if (fromStart == fromEnd || (fromStart > 0 && fromEnd < 0 && length >= shortest && length <= longest))
                return true;
        }
    }
    return false;
}

// The times of one period that BYSETPOS keeps, in order.
QList<qint64> atPositions(const QList<qint64>& period, const QList<int>& positions)
{
    if (positions.isEmpty())
        return period;
    QList<qint64> chosen;
    for (int position : positions) {
        const qsizetype index = position > 0 ? position - 1 : period.size() + position;
        if (index >= 0 && index < period.size())
            chosen.append(period.at(index));
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    return chosen;
}

} // namespace

// The state of one expansion: what is counted, collected and still allowed.
struct DailyRule::Walk
{
    const DailyRule& rule;
    qint64 from;
    qint64 last;
    QList<CalendarTime>& out;
    qint64& budget;
    int counted = 0;
    bool done = false;
    QList<qint64> period;

    bool spend() { return --budget >= 0; }

    // Takes the candidates of one period (the unit of the rule's frequency) through BYSETPOS, the first start,
    // UNTIL and COUNT. Returns false once the starts reach their limit.
    bool flush()
    {
        if (done) {
            period.clear();
            return true;
        }
        const QList<qint64> chosen = atPositions(period, rule.m_setPositions);
        period.clear();
        for (qint64 seconds : std::as_const(chosen)) {
            if (seconds < rule.m_firstSeconds)
                continue;
            if ((rule.m_until && seconds > *rule.m_until) || seconds > last
                || (rule.m_count > 0 && counted >= rule.m_count)) {
                done = true;
                return true;
            }
            ++counted;
            if (seconds >= from) {
                out.append(rule.m_first.atWallSeconds(seconds));
                if (out.size() >= DailyRule::maximumStarts)
                    return false;
            }
        }
        return true;
    }
};

bool DailyRule::handles(const icalrecurrencetype& rule, qint64 interval)
{
    // Longer than its iterator takes.
    if (interval > std::numeric_limits<short>::max())
        return rule.freq != ICAL_NO_RECURRENCE;
    // It picks by BYSETPOS among days as often as they are named.
    const bool picksAmongDays = has(rule.by_set_pos)
        && (namesADayTwice(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE, 28, 31)
            || namesADayTwice(rule.by_year_day, ICAL_BY_YEARDAY_SIZE, 365, 366));
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
    case ICAL_MINUTELY_RECURRENCE:
    case ICAL_HOURLY_RECURRENCE:
    case ICAL_DAILY_RECURRENCE:
        return true;
    case ICAL_WEEKLY_RECURRENCE:
        // libical's iterator ignores BYSETPOS in weekly rules, and puts every other week in the wrong place when
        // weeks start on a day other than Monday or Sunday.
        return has(rule.by_set_pos)
            || (interval > 1 && rule.week_start != ICAL_NO_WEEKDAY && rule.week_start != ICAL_MONDAY_WEEKDAY
                && rule.week_start != ICAL_SUNDAY_WEEKDAY);
    case ICAL_MONTHLY_RECURRENCE:
        // It applies BYSETPOS to the days of the period and keeps every time of the days it picked.
        return picksAmongDays
            || (has(rule.by_set_pos) && (has(rule.by_hour) || has(rule.by_minute) || has(rule.by_second)));
    case ICAL_YEARLY_RECURRENCE:
        // Its yearly iterator numbers the weeks at the turn of the year wrongly, finds no day where BYMONTH limits
        // the days of the year, and picks by BYSETPOS as in monthly rules.
        return has(rule.by_week_no) || (has(rule.by_year_day) && has(rule.by_month)) || picksAmongDays
            || (has(rule.by_set_pos) && (has(rule.by_hour) || has(rule.by_minute) || has(rule.by_second)));
    default:
        return false;
    }
}

DailyRule::DailyRule(const icalrecurrencetype& rule, const CalendarTime& firstStart)
    : DailyRule(rule, rule.interval, firstStart)
{ }

DailyRule::DailyRule(const icalrecurrencetype& rule, qint64 interval, const CalendarTime& firstStart)
    : m_first(firstStart)
    , m_firstSeconds(firstStart.wallSeconds())
    , m_interval(std::max<qint64>(1, interval))
    , m_count(std::max(0, rule.count))
{
    // An all-day series has no time of day to step through.
    if (!firstStart.isDate) {
        switch (rule.freq) {
        case ICAL_SECONDLY_RECURRENCE:
            m_unit = 1;
            break;
        case ICAL_MINUTELY_RECURRENCE:
            m_unit = 60;
            break;
        case ICAL_HOURLY_RECURRENCE:
            m_unit = 3600;
            break;
        default:
            break;
        }
    }
    if (rule.freq == ICAL_WEEKLY_RECURRENCE)
        m_unit = week;
    else if (rule.freq == ICAL_MONTHLY_RECURRENCE)
        m_unit = month;
    else if (rule.freq == ICAL_YEARLY_RECURRENCE)
        m_unit = year;
    const int weekStart = rule.week_start;
    if (weekStart >= ICAL_SUNDAY_WEEKDAY && weekStart <= ICAL_SATURDAY_WEEKDAY)
        m_weekStart = weekStart == ICAL_SUNDAY_WEEKDAY ? 7 : weekStart - 1;
    // An UNTIL that names no day ends nothing, as for the rules of series.
    const QDate untilDate(rule.until.year, rule.until.month, rule.until.day);
    if (!icaltime_is_null_time(rule.until) && untilDate.isValid()) {
        m_until = rule.until.is_date ? wallSeconds(untilDate, 23, 59, 59)
                                     : wallSeconds(untilDate, rule.until.hour, rule.until.minute, rule.until.second);
    }
    m_months = listOf(rule.by_month, ICAL_BY_MONTH_SIZE);
    m_monthDays = listOf(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    // RFC 5545 forbids these three at these frequencies; libical then gives nothing, while most programs read a
    // numbered weekday as the weekday and let days of the year and week numbers filter.
    m_yearDays = listOf(rule.by_year_day, ICAL_BY_YEARDAY_SIZE);
    m_weekNumbers = listOf(rule.by_week_no, ICAL_BY_WEEKNO_SIZE);
    const QList<int> days = listOf(rule.by_day, ICAL_BY_DAY_SIZE);
    for (int value : days) {
        const int weekday = icalrecurrencetype_day_day_of_week(short(value));
        const int position = icalrecurrencetype_day_position(short(value));
        if (weekday < ICAL_SUNDAY_WEEKDAY || weekday > ICAL_SATURDAY_WEEKDAY)
            continue;
        const int qtWeekday = weekday == ICAL_SUNDAY_WEEKDAY ? 7 : weekday - 1;
        // A numbered weekday counts only in a monthly or yearly rule; beside week numbers RFC 5545 forbids it.
        if (m_unit >= month && position != 0 && m_weekNumbers.isEmpty())
            m_numberedWeekdays.append({ qtWeekday, position });
        else
            m_weekdays.append(qtWeekday);
    }
    if (m_unit == week && m_weekdays.isEmpty())
        m_weekdays.append(firstStart.date.dayOfWeek());
    // What a yearly rule leaves open, the first start gives: its day of the month, and its month when the rule
    // names none; its weekday in the weeks a rule names.
    if (m_unit == year && days.isEmpty() && m_monthDays.isEmpty() && m_yearDays.isEmpty()) {
        if (m_weekNumbers.isEmpty()) {
            m_monthDays.append(firstStart.date.day());
            if (m_months.isEmpty())
                m_months.append(firstStart.date.month());
        } else {
            m_weekdays.append(firstStart.date.dayOfWeek());
        }
    }
    if (m_unit == month && days.isEmpty() && m_monthDays.isEmpty() && m_yearDays.isEmpty() && m_weekNumbers.isEmpty())
        m_monthDays.append(firstStart.date.day());
    const QTime time = firstStart.time;
    m_hours = fieldValues(rule.by_hour, ICAL_BY_HOUR_SIZE, 24, m_unit <= 3600, time.hour());
    m_minutes = fieldValues(rule.by_minute, ICAL_BY_MINUTE_SIZE, 60, m_unit <= 60, time.minute());
    m_seconds = fieldValues(rule.by_second, ICAL_BY_SECOND_SIZE, 60, m_unit <= 1, qMin(time.second(), 59));
    if (firstStart.isDate) {
        m_hours = { 0 };
        m_minutes = { 0 };
        m_seconds = { 0 };
    }
    m_setPositions = listOf(rule.by_set_pos, ICAL_BY_SETPOS_SIZE);

    // Time fields below the unit give the times of each period; any other part would make periods differ.
    const bool filtersDays = !m_months.isEmpty() || !m_monthDays.isEmpty() || !m_yearDays.isEmpty()
        || !m_weekNumbers.isEmpty() || !m_weekdays.isEmpty() || !m_numberedWeekdays.isEmpty();
    const bool filtersTimes = (m_unit < day && has(rule.by_hour)) || (m_unit < 3600 && has(rule.by_minute))
        || (m_unit < 60 && has(rule.by_second));
    if (m_unit > day || filtersDays || filtersTimes)
        return;
    const auto within
        = [this](const QList<int>& values, qint64 fieldUnit) { return fieldUnit < m_unit ? values : QList<int> { 0 }; };
    QList<qint64> times;
    for (int hour : within(m_hours, 3600)) {
        for (int minute : within(m_minutes, 60)) {
            for (int second : within(m_seconds, 1))
                times.append(hour * 3600 + minute * 60 + second);
        }
    }
    m_periodTimes = atPositions(times, m_setPositions);
}

bool DailyRule::admitsDay(QDate date) const
{
    if (!m_months.isEmpty() && !m_months.contains(date.month()))
        return false;
    if (!matchesCounted(m_monthDays, date.day(), date.daysInMonth()))
        return false;
    if (!matchesCounted(m_yearDays, date.dayOfYear(), date.daysInYear()))
        return false;
    if (!admitsWeekday(date))
        return false;
    if (!m_weekNumbers.isEmpty()) {
        const auto [number, weeks] = weekOfYear(date);
        if (!matchesCounted(m_weekNumbers, number, weeks))
            return false;
    }
    return true;
}

bool DailyRule::admitsWeekday(QDate date) const
{
    if (m_weekdays.isEmpty() && m_numberedWeekdays.isEmpty())
        return true;
    if (m_weekdays.contains(date.dayOfWeek()))
        return true;
    // Counted within the month in a monthly rule or one that names months, else within the year.
    const bool inMonth = m_unit == month || !m_months.isEmpty();
    const int index = inMonth ? date.day() - 1 : date.dayOfYear() - 1;
    const int fromEnd = (inMonth ? date.daysInMonth() : date.daysInYear()) - 1 - index;
    for (const auto& [weekday, position] : m_numberedWeekdays) {
        if (weekday == date.dayOfWeek() && (position > 0 ? index / 7 + 1 == position : fromEnd / 7 + 1 == -position))
            return true;
    }
    return false;
}

std::pair<int, int> DailyRule::weekOfYear(QDate date) const
{
    // A week belongs to the year that holds its fourth day, so that week 1 is the first with four days in it,
    // and the week of 28 December is its year's last.
    const auto numberOf = [this](QDate day) { return (weekStartOf(day).addDays(3).dayOfYear() - 1) / 7 + 1; };
    const int year = weekStartOf(date).addDays(3).year();
    return { numberOf(date), numberOf(QDate(year, 12, 28)) };
}

bool DailyRule::isAligned(qint64 seconds, qint64 unit) const
{
    if (unit != m_unit)
        return true;
    const qint64 steps = floorDivide(seconds, unit) - floorDivide(m_firstSeconds, unit);
    return steps % m_interval == 0;
}

bool DailyRule::append(const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out) const
{
    qint64 budget = maximumWork;
    return append(from, last, out, budget);
}

bool DailyRule::append(
    const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out, qint64& budget) const
{
    if (m_hours.isEmpty() || m_minutes.isEmpty() || m_seconds.isEmpty())
        return true;
    if (m_periodTimes)
        return appendReckoned(from.wallSeconds(), last.wallSeconds(), out, budget);
    Walk walk { *this, from.wallSeconds(), last.wallSeconds(), out, budget, 0, false, {} };
    // A counted rule is counted from its first start; any other may begin at the window. A weekly, monthly or
    // yearly one takes whole periods, which BYSETPOS picks from.
    const QDate firstDay = periodStartOf(m_count > 0 ? m_first.date : std::max(m_first.date, from.date));
    QDate lastDay = last.date;
    if (m_unit == week)
        lastDay = weekStartOf(lastDay).addDays(6);
    else if (m_unit == month)
        lastDay = QDate(lastDay.year(), lastDay.month(), lastDay.daysInMonth());
    else if (m_unit == year)
        lastDay = QDate(lastDay.year(), 12, 31);
    for (QDate date = firstDay; date.isValid() && date <= lastDay && !walk.done; date = date.addDays(1)) {
        if (!walk.spend())
            return false;
        const qint64 dayStart = wallSeconds(date, 0, 0, 0);
        if (!isAligned(dayStart, day) || !isInAlignedPeriod(date) || !admitsDay(date)) {
            // A weekly, monthly or yearly rule passes over a period out of step, or a month it does not name, at once.
            if (m_unit == week && !isInAlignedPeriod(date))
                date = weekStartOf(date).addDays(6);
            else if (m_unit == year && !isInAlignedPeriod(date))
                date = QDate(date.year(), 12, 31);
            else if (m_unit >= month
                && (!isInAlignedPeriod(date) || (!m_months.isEmpty() && !m_months.contains(date.month()))))
                date = QDate(date.year(), date.month(), date.daysInMonth());
            if (endsPeriod(date) && !walk.flush())
                return false;
            continue;
        }
        for (int hour : m_hours) {
            if (!walk.spend())
                return false;
            if (!isAligned(dayStart + hour * 3600, 3600))
                continue;
            for (int minute : m_minutes) {
                if (!walk.spend())
                    return false;
                if (!isAligned(dayStart + hour * 3600 + minute * 60, 60))
                    continue;
                for (int second : m_seconds) {
                    const qint64 seconds = dayStart + hour * 3600 + minute * 60 + second;
                    if (!walk.spend())
                        return false;
                    if (!isAligned(seconds, 1))
                        continue;
                    walk.period.append(seconds);
                    if (m_unit == 1 && !walk.flush())
                        return false;
                }
                if (m_unit == 60 && !walk.flush())
                    return false;
            }
            if (m_unit == 3600 && !walk.flush())
                return false;
        }
        if (endsPeriod(date) && !walk.flush())
            return false;
    }
    return true;
}

bool DailyRule::appendReckoned(qint64 from, qint64 last, QList<CalendarTime>& out, qint64& budget) const
{
    const QList<qint64>& times = *m_periodTimes;
    if (times.isEmpty())
        return true;
    const qint64 step = m_unit * m_interval;
    const qint64 firstPeriod = floorDivide(m_firstSeconds, m_unit) * m_unit;
    // The times of the first period before the first start are not counted.
    const qint64 before
        = std::count_if(times.cbegin(), times.cend(), [&](qint64 time) { return firstPeriod + time < m_firstSeconds; });
    for (qint64 period = std::max<qint64>(0, floorDivide(from - firstPeriod, step));; ++period) {
        const qint64 periodStart = firstPeriod + period * step;
        for (qsizetype i = 0; i < times.size(); ++i) {
            if (--budget < 0)
                return false;
            const qint64 seconds = periodStart + times.at(i);
            const qint64 index = period * times.size() + i - before;
            if (index < 0)
                continue;
            if ((m_count > 0 && index >= m_count) || (m_until && seconds > *m_until) || seconds > last)
                return true;
            if (seconds >= from) {
                out.append(m_first.atWallSeconds(seconds));
                if (out.size() >= maximumStarts)
                    return false;
            }
        }
    }
}

QDate DailyRule::weekStartOf(QDate date) const
{
    return date.addDays(-((date.dayOfWeek() - m_weekStart + 7) % 7));
}

QDate DailyRule::periodStartOf(QDate date) const
{
    if (m_unit == week)
        return weekStartOf(date);
    if (m_unit == month)
        return QDate(date.year(), date.month(), 1);
    if (m_unit == year)
        return QDate(date.year(), 1, 1);
    return date;
}

bool DailyRule::endsPeriod(QDate date) const
{
    if (m_unit == week)
        return date.addDays(1).dayOfWeek() == m_weekStart;
    if (m_unit == month)
        return date.day() == date.daysInMonth();
    if (m_unit == year)
        return date.month() == 12 && date.day() == 31;
    return true;
}

bool DailyRule::isInAlignedPeriod(QDate date) const
{
    if (m_unit == week)
        return weekStartOf(m_first.date).daysTo(weekStartOf(date)) / 7 % m_interval == 0;
    if (m_unit == month)
        return ((date.year() - m_first.date.year()) * 12 + date.month() - m_first.date.month()) % m_interval == 0;
    if (m_unit == year)
        return (date.year() - m_first.date.year()) % m_interval == 0;
    return true;
}

} // namespace platform

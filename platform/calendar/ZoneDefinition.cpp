#include "platform/calendar/ZoneDefinition.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <numeric>

namespace platform {

namespace {

constexpr qint64 day = 86400;
constexpr qint64 julianDayOf1970 = 2440588;
// The Gregorian calendar repeats its days, weekdays included, every 400 years.
constexpr int calendarCycleYears = 400;
constexpr qint64 daysPerCalendarCycle = 146097;
// Work allowed for finding where the counted rules of one definition end.
constexpr qint64 countedRulesWork = 2000000;
// A counted rule ending further out than this many cycles of its years is read as never ending.
constexpr qint64 farthestCycles = 100;

qint64 wallSeconds(QDate date, QTime time)
{
    return (date.toJulianDay() - julianDayOf1970) * day + time.msecsSinceStartOfDay() / 1000;
}

int countOf(const short* values, int size)
{
    int count = 0;
    while (count < size && values[count] != ICAL_RECURRENCE_ARRAY_MAX)
        ++count;
    return count;
}

// How many onsets a yearly rule can give in one year at most: the fewest that any of its filters lets through.
int onsetsPerYearAtMost(const icalrecurrencetype& rule)
{
    const int months = countOf(rule.by_month, ICAL_BY_MONTH_SIZE);
    const int monthDays = countOf(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const int yearDays = countOf(rule.by_year_day, ICAL_BY_YEARDAY_SIZE);
    const int weekNumbers = countOf(rule.by_week_no, ICAL_BY_WEEKNO_SIZE);
    const int weekdays = countOf(rule.by_day, ICAL_BY_DAY_SIZE);
    int days = 366;
    if (yearDays > 0)
        days = std::min(days, yearDays);
    if (monthDays > 0)
        days = std::min(days, monthDays * (months > 0 ? months : 12));
    if (weekNumbers > 0)
        // A week number may name a week at each end of the year.
        days = std::min(days, 2 * weekNumbers * (weekdays > 0 ? weekdays : 1));
    if (weekdays > 0) {
        int weekdayDays = 0;
        for (int i = 0; i < weekdays; ++i) {
            const bool numbered = icalrecurrencetype_day_position(rule.by_day[i]) != 0 && weekNumbers == 0;
            weekdayDays += numbered ? std::max(months, 1) : (months > 0 ? 5 * months : 53);
        }
        days = std::min(days, weekdayDays);
    }
    if (yearDays == 0 && monthDays == 0 && weekNumbers == 0 && weekdays == 0)
        days = std::max(months, 1);
    const int positions = countOf(rule.by_set_pos, ICAL_BY_SETPOS_SIZE);
    const int times = std::max(1, countOf(rule.by_hour, ICAL_BY_HOUR_SIZE))
        * std::max(1, countOf(rule.by_minute, ICAL_BY_MINUTE_SIZE))
        * std::max(1, countOf(rule.by_second, ICAL_BY_SECOND_SIZE));
    return positions > 0 ? std::min(positions, days * times) : days * times;
}

CalendarTime wallReading(qint64 seconds)
{
    const qint64 days = seconds / day - (seconds % day < 0 ? 1 : 0);
    CalendarTime time;
    time.date = QDate::fromJulianDay(days + julianDayOf1970);
    time.time = QTime(0, 0).addSecs(int(seconds - days * day));
    time.zone = CalendarTime::Zone::utc;
    return time;
}

icaltimetype wallClock(qint64 seconds)
{
    const CalendarTime wall = wallReading(seconds);
    icaltimetype result = icaltime_null_time();
    result.year = wall.date.year();
    result.month = wall.date.month();
    result.day = wall.date.day();
    result.hour = wall.time.hour();
    result.minute = wall.time.minute();
    result.second = wall.time.second();
    return result;
}

// The instant of an onset written in the file: UTC as written, any other on the wall clock before the change.
std::optional<qint64> instantOf(const icaltimetype& time, int offsetFrom)
{
    if (icaltime_is_null_time(time))
        return std::nullopt;
    const QDate date(time.year, time.month, time.day);
    const QTime clock = time.is_date ? QTime(0, 0) : QTime(time.hour, time.minute, std::min(time.second, 59));
    if (!date.isValid() || !clock.isValid())
        return std::nullopt;
    return wallSeconds(date, clock) - (icaltime_is_utc(time) ? 0 : offsetFrom);
}

QByteArray ruleText(const icalrecurrencetype& rule)
{
    icalrecurrencetype copy = rule;
    const std::unique_ptr<char, void (*)(void*)> text(icalrecurrencetype_as_string_r(&copy), &icalmemory_free_buffer);
    return text ? QByteArray(text.get()) : QByteArray();
}

// Where a counted rule ends, when that was worked out: `never` when it gives no onset at all, else its last onset,
// absent when that lies beyond any year asked.
struct CountedEnd
{
    bool known = false;
    bool never = false;
    std::optional<qint64> last;
};

CountedEnd countedEnd(const ZoneObservance& observance, const icalrecurrencetype& rule,
    const std::optional<qint64>& until, int cycleYears, qint64& budget)
{
    const qint64 cycle = qint64(cycleYears) / calendarCycleYears * daysPerCalendarCycle * day;
    const ZoneObservance::Rule counted { DailyRule(rule, observance.start), until, 0 };
    const qint64 first = observance.startInstant();
    const QList<qint64> found = observance.ruleOnsets(counted, first, first + cycle, budget);
    if (budget <= 0 || found.size() >= DailyRule::maximumStarts)
        return {};
    if (found.isEmpty())
        return { true, true, std::nullopt };
    if (found.size() >= rule.count)
        return { true, false, found.at(rule.count - 1) };
    // Every later cycle has the onsets of the first, moved by whole cycles.
    const qint64 index = rule.count - 1;
    const qint64 cycles = index / found.size();
    if (cycles > farthestCycles)
        return { true, false, std::nullopt };
    return { true, false, found.at(index % found.size()) + cycles * cycle };
}

// Reads one observance, or says why it makes no zone. A rule with COUNT is read as the same rule until its last
// onset, so that any year of it can be expanded without counting from the first, within `budget`.
std::optional<ZoneObservance> readObservance(icalcomponent* part, QByteArray& key, QString& refusal, qint64& budget)
{
    icalproperty* start = icalcomponent_get_first_property(part, ICAL_DTSTART_PROPERTY);
    icalproperty* from = icalcomponent_get_first_property(part, ICAL_TZOFFSETFROM_PROPERTY);
    icalproperty* to = icalcomponent_get_first_property(part, ICAL_TZOFFSETTO_PROPERTY);
    if (!start || !from || !to || !icalproperty_get_value(start) || !icalproperty_get_value(from)
        || !icalproperty_get_value(to)) {
        refusal = QStringLiteral("an observance lacks DTSTART, TZOFFSETFROM or TZOFFSETTO");
        return std::nullopt;
    }
    ZoneObservance observance;
    observance.offsetFrom = icalproperty_get_tzoffsetfrom(from);
    observance.offsetTo = icalproperty_get_tzoffsetto(to);
    if (std::abs(observance.offsetFrom) >= day || std::abs(observance.offsetTo) >= day) {
        refusal = QStringLiteral("an observance has an offset of a day or more");
        return std::nullopt;
    }
    const std::optional<qint64> first = instantOf(icalproperty_get_dtstart(start), observance.offsetFrom);
    if (!first) {
        refusal = QStringLiteral("an observance has no valid DTSTART");
        return std::nullopt;
    }
    observance.start = wallReading(*first + observance.offsetFrom);
    key += QByteArray::number(observance.offsetFrom) + ' ' + QByteArray::number(observance.offsetTo) + ' '
        + QByteArray::number(*first);

    for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(part, ICAL_RDATE_PROPERTY)) {
        if (!icalproperty_get_value(p))
            continue;
        const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        const icaltimetype time = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (const std::optional<qint64> instant = instantOf(time, observance.offsetFrom))
            observance.dates.append(*instant);
    }
    std::sort(observance.dates.begin(), observance.dates.end());
    for (qint64 date : std::as_const(observance.dates))
        key += ' ' + QByteArray::number(date);

    for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
        if (!icalproperty_get_value(p))
            continue;
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (rule.freq != ICAL_YEARLY_RECURRENCE) {
            refusal = QStringLiteral("an observance repeats by a rule that is not yearly");
            return std::nullopt;
        }
        if (onsetsPerYearAtMost(rule) > ZoneDefinition::maximumOnsetsPerYear) {
            refusal = QStringLiteral("an observance changes the offset more often than %1 times a year")
                          .arg(ZoneDefinition::maximumOnsetsPerYear);
            return std::nullopt;
        }
        rule.rscale = nullptr;
        key += ' ' + ruleText(rule);
        // RFC 5545 wants UNTIL in UTC here; a date ends with its day. The expansion reads it on its own clock.
        std::optional<qint64> until = instantOf(rule.until, observance.offsetFrom);
        if (until) {
            *until += rule.until.is_date ? day - 1 : 0;
            rule.until = wallClock(*until + observance.offsetFrom);
        }
        int cycleYears = std::lcm(std::max(1, int(rule.interval)), calendarCycleYears);
        if (rule.count > 0) {
            const CountedEnd end = countedEnd(observance, rule, until, cycleYears, budget);
            if (end.never)
                continue;
            if (!end.known) {
                cycleYears = 0;
            } else {
                if (end.last && (!until || *end.last < *until)) {
                    until = end.last;
                    rule.until = wallClock(*until + observance.offsetFrom);
                }
                rule.count = 0;
            }
        }
        observance.rules.append({ DailyRule(rule, observance.start), until, cycleYears });
    }
    key += ';';
    return observance;
}

} // namespace

qint64 ZoneObservance::startInstant() const
{
    return wallSeconds(start.date, start.time) - offsetFrom;
}

QList<qint64> ZoneObservance::onsets(qint64 from, qint64 to, qint64& budget) const
{
    QList<qint64> result;
    const qint64 first = startInstant();
    if (first >= to)
        return result;
    if (first >= from)
        result.append(first);
    for (auto date = std::lower_bound(dates.cbegin(), dates.cend(), from); date != dates.cend() && *date < to; ++date)
        result.append(*date);
    for (const Rule& rule : rules)
        result.append(ruleOnsets(rule, from, to, budget));
    return result;
}

std::optional<qint64> ZoneObservance::latestDateBefore(qint64 moment) const
{
    const qint64 first = startInstant();
    if (first >= moment)
        return std::nullopt;
    const auto date = std::lower_bound(dates.cbegin(), dates.cend(), moment);
    return date == dates.cbegin() ? first : std::max(first, *std::prev(date));
}

QList<qint64> ZoneObservance::ruleOnsets(const Rule& rule, qint64 from, qint64 to, qint64& budget) const
{
    QList<qint64> result;
    if (budget <= 0 || startInstant() >= to || (rule.until && *rule.until < from))
        return result;
    QList<CalendarTime> found;
    rule.expansion.append(wallReading(from + offsetFrom), wallReading(to + offsetFrom), found, budget);
    for (const CalendarTime& wall : std::as_const(found)) {
        const qint64 at = wallSeconds(wall.date, wall.time) - offsetFrom;
        if (at >= from && at < to && (!rule.until || at <= *rule.until))
            result.append(at);
    }
    return result;
}

ZoneDefinition ZoneDefinition::read(const icalcomponent* vtimezone, QString& refusal)
{
    ZoneDefinition result;
    qint64 budget = countedRulesWork;
    auto* zone = const_cast<icalcomponent*>(vtimezone);
    for (icalcompiter i = icalcomponent_begin_component(zone, ICAL_ANY_COMPONENT); icalcompiter_deref(&i);
         icalcompiter_next(&i)) {
        icalcomponent* part = icalcompiter_deref(&i);
        const icalcomponent_kind kind = icalcomponent_isa(part);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT)
            continue;
        std::optional<ZoneObservance> observance = readObservance(part, result.m_key, refusal, budget);
        if (!observance)
            return {};
        result.m_observances.append(std::move(*observance));
    }
    if (result.m_observances.isEmpty())
        refusal = QStringLiteral("it has no STANDARD or DAYLIGHT part");
    return result;
}

} // namespace platform

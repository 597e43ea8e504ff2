#include "platform/calendar/StoredRule.h"

#include <algorithm>
#include <array>
#include <limits>
#include <span>

namespace platform {

namespace {

std::array<std::span<short>, 9> listsOf(icalrecurrencetype& rule)
{
    return { rule.by_second, rule.by_minute, rule.by_hour, rule.by_day, rule.by_month_day, rule.by_year_day,
        rule.by_week_no, rule.by_month, rule.by_set_pos };
}

} // namespace

StoredRule::StoredRule(const icalrecurrencetype& rule)
    : StoredRule(rule, rule.interval)
{ }

StoredRule::StoredRule(const icalrecurrencetype& rule, qint64 interval)
    : m_frequency(rule.freq)
    , m_count(rule.count)
    , m_weekStart(rule.week_start)
    , m_skip(rule.skip)
    , m_until(rule.until)
    , m_interval(std::min(interval, longestInterval))
{
    icalrecurrencetype copy = rule;
    for (std::span<short> list : listsOf(copy)) {
        for (short value : list) {
            if (value == ICAL_RECURRENCE_ARRAY_MAX)
                break;
            m_lists.append(value);
        }
        m_lists.append(ICAL_RECURRENCE_ARRAY_MAX);
    }
    m_lists.squeeze();
}

icalrecurrencetype StoredRule::rule() const
{
    icalrecurrencetype result;
    icalrecurrencetype_clear(&result);
    result.freq = m_frequency;
    result.until = m_until;
    result.count = m_count;
    result.interval = short(std::min<qint64>(m_interval, std::numeric_limits<short>::max()));
    result.week_start = m_weekStart;
    result.skip = m_skip;
    // The lists start out empty; a list the rule filled to its end has its end marker only here.
    qsizetype next = 0;
    for (std::span<short> list : listsOf(result)) {
        for (size_t i = 0; m_lists.at(next) != ICAL_RECURRENCE_ARRAY_MAX; ++i)
            list[i] = m_lists.at(next++);
        ++next;
    }
    return result;
}

} // namespace platform

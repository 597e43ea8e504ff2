#pragma once

#include <QList>
#include <libical/ical.h>

namespace platform {

// An RRULE as libical reads it, kept in a few dozen bytes instead of libical's 2.9 KB: of each BY list only its
// filled part. Every recurring event holds its rules for as long as its file is known.
class StoredRule
{
public:
    // An interval this long passes every date a calendar holds, whatever the frequency: a longer one is kept as it.
    static constexpr qint64 longestInterval = 1'000'000'000'000;

    // The calendar-scale name is not kept: it belongs to the property it was read from.
    explicit StoredRule(const icalrecurrencetype& rule);
    // With its interval whole, where libical's 16 bits would cut it.
    StoredRule(const icalrecurrencetype& rule, qint64 interval);

    // Its INTERVAL as far as libical's 16 bits hold it.
    icalrecurrencetype rule() const;
    qint64 interval() const { return m_interval; }

private:
    icalrecurrencetype_frequency m_frequency;
    int m_count;
    icalrecurrencetype_weekday m_weekStart;
    icalrecurrencetype_skip m_skip;
    icaltimetype m_until;
    qint64 m_interval;
    // The BY lists one after another, each ended by ICAL_RECURRENCE_ARRAY_MAX.
    QList<short> m_lists;
};

} // namespace platform

#pragma once

#include "platform/calendar/CalendarTime.h"

#include <QList>
#include <libical/ical.h>
#include <optional>
#include <utility>

namespace platform {

// A rule expanded day by day without libical's iterator. The iterator steps a rule of daily or finer frequency
// one unit at a time until its date filters match, so a rule whose filters match seldom or never (every minute
// of 30 February) costs it minutes; here the days are tested first and only the days admitted are expanded, with
// every step counted against a fixed amount of work. Weekly, monthly and yearly rules that the iterator gets wrong
// are expanded here too, a period at a time (yearly ones of time zones as well). A rule whose every period holds
// the same times is not walked at all: its nth start is reckoned, so that a series begun long ago, or counted from
// its first start, reaches the window at once.
class DailyRule
{
public:
    // More work than any real rule needs for a window; only a runaway rule reaches it.
    static constexpr qint64 maximumWork = 200000;
    // More starts than a window of any real series holds.
    static constexpr qsizetype maximumStarts = 5000;

    // The rules that series expand here rather than through libical's iterator, `interval` being the rule's
    // whole INTERVAL.
    static bool handles(const icalrecurrencetype& rule, qint64 interval);
    DailyRule(const icalrecurrencetype& rule, const CalendarTime& firstStart);
    DailyRule(const icalrecurrencetype& rule, qint64 interval, const CalendarTime& firstStart);

    // Appends the starts from `from` to `last`, both readings on the first start's wall clock. Returns false
    // when it stopped at its work limit, with the starts found until then.
    bool append(const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out) const;
    // The same within `budget` steps of work, less what it spends.
    bool append(const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out, qint64& budget) const;

private:
    struct Walk;

    bool appendReckoned(qint64 from, qint64 last, QList<CalendarTime>& out, qint64& budget) const;
    bool admitsDay(QDate day) const;
    bool admitsWeekday(QDate day) const;
    bool isAligned(qint64 wallSeconds, qint64 unit) const;
    QDate weekStartOf(QDate date) const;
    QDate periodStartOf(QDate date) const;
    bool endsPeriod(QDate date) const;
    bool isInAlignedPeriod(QDate date) const;
    // The week number of RFC 5545 with the rule's WKST, and the number of weeks of that week's year.
    std::pair<int, int> weekOfYear(QDate date) const;

    CalendarTime m_first;
    qint64 m_firstSeconds = 0;
    qint64 m_unit = 86400;
    qint64 m_interval = 1;
    int m_count = 0;
    std::optional<qint64> m_until;
    // Qt's numbering of WKST.
    int m_weekStart = Qt::Monday;
    QList<int> m_months;
    QList<int> m_monthDays;
    QList<int> m_yearDays;
    QList<int> m_weekNumbers;
    // Qt's numbering, Monday 1 to Sunday 7.
    QList<int> m_weekdays;
    // In a yearly rule: the nth such weekday of the month, or of the year when the rule names no month.
    QList<std::pair<int, int>> m_numberedWeekdays;
    QList<int> m_hours;
    QList<int> m_minutes;
    QList<int> m_seconds;
    QList<int> m_setPositions;
    // The times of every period, from its start, when no part of the rule makes one period differ from another.
    std::optional<QList<qint64>> m_periodTimes;
};

} // namespace platform

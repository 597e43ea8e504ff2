#pragma once

#include "platform/calendar/CalendarTime.h"

#include <QDeadlineTimer>
#include <QList>
#include <libical/ical.h>
#include <optional>

namespace platform {

// A stretch of time in which to look for starts, from `from` up to `to`.
struct RuleWindow
{
    Date from;
    Date to;
};

// The starts one expansion found, and whether it found them all.
struct RuleStarts
{
    QList<CalendarTime> starts;
    bool complete = true;
};

// One RRULE of a series, expanded into the starts it gives in a window, on the wall clock of the series' first
// start.
//
// libical's iterator steps a rule until its filters match inside one call, so a rule whose filters match
// seldom or never can hold its caller for seconds or minutes. Rules of daily or finer frequency, the coarser
// ones it gets wrong, and those whose interval it cannot hold, are expanded without it (DailyRule). Other coarser ones
// go through it with the window's end as their end; of those, only the ones whose filters cannot leave long runs of
// empty periods are quick, fit to run where nothing may wait.
class RuleExpansion
{
public:
    RuleExpansion(const icalrecurrencetype& rule, const CalendarTime& firstStart);
    // `interval` is the rule's whole INTERVAL, which libical's 16 bits may have cut.
    RuleExpansion(const icalrecurrencetype& rule, qint64 interval, const CalendarTime& firstStart);

    bool isQuick() const;

    // Appends the starts in [from, to). Stops at a fixed amount of work or at `deadline`, keeping what it found.
    void append(Date from, Date to, RuleStarts& out, QDeadlineTimer deadline = QDeadlineTimer::Forever) const;

private:
    bool appendStepped(const CalendarTime& from, const CalendarTime& last, QList<CalendarTime>& out,
        const QDeadlineTimer& deadline) const;

    icalrecurrencetype m_rule;
    qint64 m_interval;
    CalendarTime m_first;
    std::optional<Date> m_until;
};

} // namespace platform

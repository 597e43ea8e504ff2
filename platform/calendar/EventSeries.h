#pragma once

#include "platform/calendar/ICalendarFile.h"
#include "platform/calendar/RuleExpansionWorker.h"

#include <QFuture>
#include <QList>
#include <memory>
#include <optional>

namespace platform {

// One occurrence of a series in a window.
struct EventOccurrence
{
    const ICalendarEvent* event = nullptr;
    Date start;
    Date end;
    // The start the rules gave it, before any override moved it; absent for a single event.
    std::optional<Date> recurrenceStart;
};

// A single event, or a recurring one with its overridden occurrences, from one collection. Expanding a
// series is bounded: a rule that never ends stops at the window, a runaway one after a fixed amount of work.
// Rules that are not quick to expand, and the starts that ranges move into the window from elsewhere, are handed
// to `worker`; they join the series when it is asked again after the worker is done.
class EventSeries
{
public:
    EventSeries(const ICalendarEvent* master, QList<const ICalendarEvent*> overrides);

    void appendOccurrences(Date from, Date to, QList<EventOccurrence>& out, RuleExpansionWorker& worker);

private:
    struct Start
    {
        CalendarTime time;
        Date date;
        Date end;
        // The end an RDATE's period gives.
        std::optional<Date> periodEnd;
    };

    // An override that also stands for every later occurrence: they take its properties and its length, and
    // move on the series' wall clock as far as it moved.
    struct Range
    {
        qsizetype override = 0;
        Date from;
        qint64 wallShift = 0;
        // How far its own occurrence moved, and its new length.
        double moved = 0;
        double length = 0;
        // Where a RECURRENCE-ID that is a date rules from.
        std::optional<QDate> fromDay;
    };

    bool overlaps(Date start, Date end, Date from, Date to) const;
    bool isExcluded(const Start& start) const;
    bool isOverridden(const Start& start) const;
    const Range* rangeOf(const Start& start) const;
    std::optional<EventOccurrence> occurrenceOf(const Start& start) const;
    CalendarTime onSeriesClock(const CalendarTime& time) const;
    CalendarTime shifted(const CalendarTime& time, const Range& range) const;
    void readOverrides();
    QList<RuleWindow> movedWindows(Date from, Date to, const RuleWindow& own) const;
    QList<Start> masterStarts(Date from, Date to, RuleExpansionWorker& worker);
    void adoptWorkerStarts();
    void appendRuleStarts(const RuleStarts& found, QList<Start>& out);
    // Sorts the starts, gives them their ends, and keeps those whose occurrence may fall in [from, to).
    void finish(QList<Start>& starts, Date from, Date to) const;

    // Only a recurring series needs these; a single event, the most common kind by far, holds none of them.
    struct Repeats
    {
        QList<const ICalendarEvent*> overrides;
        QList<Date> overrideStarts;
        QList<Date> overrideEnds;
        QList<Date> overrideIds;
        // Ascending, for finding whether an occurrence is overridden: the RECURRENCE-IDs that are times, and those
        // that are dates.
        QList<Date> overriddenTimes;
        QList<QDate> overriddenDays;
        // Ascending, the later one ruling from its own occurrence on.
        QList<Range> ranges;
        // Places in `ranges` of those whose RECURRENCE-ID is a time, and of those where it is a date, by day.
        QList<qsizetype> timedRanges;
        QList<qsizetype> dayRanges;
        // How far ranges may move an occurrence into a window from after it.
        double rangeReachAfter = 0;
        // The master's starts are kept for a range around the last window asked, so that the next refresh,
        // whose window has only moved on by a minute, does not run the rules again.
        Date cachedFrom;
        Date cachedTo;
        QList<Start> cachedStarts;
        bool hasCache = false;
        // Only for a series whose starts went to the worker: even an empty future costs hundreds of bytes.
        QList<QFuture<RuleStarts>> workerStarts;
        bool loggedIncomplete = false;
    };

    const ICalendarEvent* m_master;
    Date m_start;
    Date m_end;
    std::unique_ptr<Repeats> m_repeats;
};

} // namespace platform

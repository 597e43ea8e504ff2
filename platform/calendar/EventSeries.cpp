#include "platform/calendar/EventSeries.h"

#include <algorithm>

namespace platform {

namespace {

constexpr double day = 86400;
// How far ahead of a window the master's starts are kept.
constexpr double cacheAhead = 8 * day;
// Occurrences a range moved further than this are not looked for: moves of more than a year are so rare that
// missing one is the better risk.
constexpr double longestRangeReach = 400 * day;

} // namespace

EventSeries::EventSeries(const ICalendarEvent* master, QList<const ICalendarEvent*> overrides)
    : m_master(master)
    , m_start(master->start.toDate())
    , m_end(master->endFor(master->start))
{
    // Overrides of an event that does not repeat override nothing.
    if (!master->isRecurring())
        return;
    m_repeats = std::make_unique<Repeats>();
    m_repeats->overrides = std::move(overrides);
    for (const ICalendarEvent* item : std::as_const(m_repeats->overrides)) {
        m_repeats->overrideStarts.append(item->start.toDate());
        m_repeats->overrideEnds.append(item->endFor(item->start));
        m_repeats->overrideIds.append(item->recurrenceId->toDate());
    }
    readRanges();
}

void EventSeries::readRanges()
{
    Repeats& repeats = *m_repeats;
    for (qsizetype i = 0; i < repeats.overrides.size(); ++i) {
        const ICalendarEvent* item = repeats.overrides.at(i);
        if (!item->thisAndFuture)
            continue;
        // The move is read on the series' wall clock, so that later occurrences keep their hour across a change of
        // offset.
        const qint64 shift
            = onSeriesClock(item->start).wallSeconds() - onSeriesClock(*item->recurrenceId).wallSeconds();
        const double moved = repeats.overrideStarts.at(i).secondsSince(repeats.overrideIds.at(i));
        const double length = repeats.overrideEnds.at(i).secondsSince(repeats.overrideStarts.at(i));
        repeats.ranges.append({ i, repeats.overrideIds.at(i), shift, moved, length });
        if (std::abs(moved) <= longestRangeReach)
            repeats.rangeReachAfter = std::max(repeats.rangeReachAfter, -moved + day);
    }
    std::stable_sort(
        repeats.ranges.begin(), repeats.ranges.end(), [](const Range& a, const Range& b) { return a.from < b.from; });
}

bool EventSeries::overlaps(Date start, Date end, Date from, Date to) const
{
    // A moment-long event counts when it lies in the window.
    return start < to && (end > from || (end == start && start >= from));
}

void EventSeries::appendOccurrences(Date from, Date to, QList<EventOccurrence>& out, RuleExpansionWorker& worker)
{
    if (!m_repeats) {
        if (!m_master->cancelled && overlaps(m_start, m_end, from, to))
            out.append({ m_master, m_start, m_end, std::nullopt });
        return;
    }

    Repeats& repeats = *m_repeats;
    if (!repeats.hasCache || from < repeats.cachedFrom || to > repeats.cachedTo) {
        repeats.cachedFrom = from;
        repeats.cachedTo = to.addingSeconds(cacheAhead);
        repeats.cachedStarts = masterStarts(repeats.cachedFrom, repeats.cachedTo, worker);
        repeats.hasCache = true;
    }
    adoptWorkerStarts();
    const Date last = to.addingSeconds(repeats.rangeReachAfter);
    for (const Start& start : std::as_const(repeats.cachedStarts)) {
        if (start.date >= last)
            break;
        if (isOverridden(start))
            continue;
        if (const Range* range = rangeOf(start)) {
            const ICalendarEvent* item = repeats.overrides.at(range->override);
            const CalendarTime moved = shifted(start.time, *range);
            const Date movedStart = moved.toDate();
            const Date movedEnd = item->endFor(moved);
            if (!item->cancelled && overlaps(movedStart, movedEnd, from, to))
                out.append({ item, movedStart, movedEnd, start.date });
        } else if (!m_master->cancelled && overlaps(start.date, start.end, from, to)) {
            out.append({ m_master, start.date, start.end, start.date });
        }
    }
    for (qsizetype i = 0; i < repeats.overrides.size(); ++i) {
        const ICalendarEvent* item = repeats.overrides.at(i);
        if (item->cancelled || isExcluded({ *item->recurrenceId, repeats.overrideIds.at(i), {}, {} }))
            continue;
        if (overlaps(repeats.overrideStarts.at(i), repeats.overrideEnds.at(i), from, to))
            out.append({ item, repeats.overrideStarts.at(i), repeats.overrideEnds.at(i), repeats.overrideIds.at(i) });
    }
}

bool EventSeries::isExcluded(const Start& start) const
{
    const QList<CalendarTime>& exceptions = m_master->recurrence->exceptionDates;
    return std::any_of(exceptions.cbegin(), exceptions.cend(), [&](const CalendarTime& exception) {
        if (exception.isDate)
            return exception.date == start.time.date;
        return exception.toDate() == start.date;
    });
}

bool EventSeries::isOverridden(const Start& start) const
{
    for (qsizetype i = 0; i < m_repeats->overrides.size(); ++i) {
        const CalendarTime& id = *m_repeats->overrides.at(i)->recurrenceId;
        if (id.isDate ? id.date == start.time.date : m_repeats->overrideIds.at(i) == start.date)
            return true;
    }
    return false;
}

const EventSeries::Range* EventSeries::rangeOf(const Start& start) const
{
    const QList<Range>& ranges = m_repeats->ranges;
    for (auto range = ranges.crbegin(); range != ranges.crend(); ++range) {
        const CalendarTime& id = *m_repeats->overrides.at(range->override)->recurrenceId;
        if (id.isDate ? id.date <= start.time.date : range->from <= start.date)
            return &*range;
    }
    return nullptr;
}

CalendarTime EventSeries::onSeriesClock(const CalendarTime& time) const
{
    // A day of an all-day series is read as its date: its first instant may lie after a midnight that does not
    // exist, which would make it move by a day and an hour.
    if (time.isDate && m_master->start.isDate) {
        CalendarTime day = time;
        day.isDate = false;
        return day;
    }
    return time.inZoneOf(m_master->start);
}

CalendarTime EventSeries::shifted(const CalendarTime& time, const Range& range) const
{
    const CalendarTime wall = onSeriesClock(time);
    CalendarTime result = wall.atWallSeconds(wall.wallSeconds() + range.wallShift);
    result.isDate = m_repeats->overrides.at(range.override)->start.isDate;
    return result;
}

QList<RuleWindow> EventSeries::startWindows(Date from, Date to) const
{
    // Starts this far before the window may still reach into it.
    QList<RuleWindow> windows { { from.addingSeconds(-(m_end.secondsSince(m_start) + day)), to } };
    // A range's starts reach it from as far as the range moved them, and no earlier than the range begins: each
    // range costs a window's worth of starts however far it moved. A day on each side covers changes of offset.
    for (const Range& range : std::as_const(m_repeats->ranges)) {
        if (std::abs(range.moved) > longestRangeReach)
            continue;
        const Date begin
            = std::max(range.from.addingSeconds(-day), from.addingSeconds(-(range.moved + range.length + day)));
        const Date end = to.addingSeconds(-range.moved + day);
        if (begin < end)
            windows.append({ begin, end });
    }
    return windows;
}

QList<EventSeries::Start> EventSeries::masterStarts(Date from, Date to, RuleExpansionWorker& worker)
{
    const QList<RuleWindow> windows = startWindows(from, to);
    const auto reaches = [&windows](Date date) {
        return std::any_of(windows.cbegin(), windows.cend(),
            [date](const RuleWindow& window) { return window.from <= date && date < window.to; });
    };
    QList<Start> starts;
    if (reaches(m_start))
        starts.append({ m_master->start, m_start, {}, {} });
    for (const RecurrenceDate& recurrence : m_master->recurrence->dates) {
        const Date date = recurrence.start.toDate();
        // A period counts however early it starts when it lasts into the window.
        if (reaches(date) || (recurrence.end && *recurrence.end > from && date < to))
            starts.append({ recurrence.start, date, {}, recurrence.end });
    }
    RuleStarts found;
    QList<RuleExpansion> slowRules;
    for (const StoredRule& rule : m_master->recurrence->rules) {
        const RuleExpansion expansion(rule.rule(), m_master->start);
        if (!expansion.isQuick()) {
            slowRules.append(expansion);
            continue;
        }
        for (const RuleWindow& window : windows)
            expansion.append(window.from, window.to, found);
    }
    appendRuleStarts(found, starts);
    m_repeats->workerStarts.reset();
    if (!slowRules.isEmpty())
        m_repeats->workerStarts = worker.expand(slowRules, windows);
    finish(starts);
    return starts;
}

void EventSeries::adoptWorkerStarts()
{
    if (!m_repeats->workerStarts || !m_repeats->workerStarts->isFinished())
        return;
    if (m_repeats->workerStarts->resultCount() > 0) {
        appendRuleStarts(m_repeats->workerStarts->result(), m_repeats->cachedStarts);
        finish(m_repeats->cachedStarts);
    }
    m_repeats->workerStarts.reset();
}

void EventSeries::appendRuleStarts(const RuleStarts& found, QList<Start>& out)
{
    for (const CalendarTime& time : found.starts)
        out.append({ time, time.toDate(), {}, {} });
    if (!found.complete && !m_repeats->loggedIncomplete) {
        m_repeats->loggedIncomplete = true;
        qWarning("Calendar event %s repeats by a rule too costly to expand; only its first occurrences count",
            qUtf8Printable(m_master->uid.isEmpty() ? QStringLiteral("without UID") : m_master->uid));
    }
}

void EventSeries::finish(QList<Start>& starts) const
{
    std::stable_sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date < b.date; });
    starts.erase(
        std::unique(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date == b.date; }),
        starts.end());
    starts.removeIf([this](const Start& start) { return isExcluded(start); });
    for (Start& start : starts)
        start.end = start.periodEnd.value_or(m_master->endFor(start.time));
}

} // namespace platform

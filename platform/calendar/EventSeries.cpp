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
    readOverrides();
}

void EventSeries::readOverrides()
{
    Repeats& repeats = *m_repeats;
    for (qsizetype i = 0; i < repeats.overrides.size(); ++i) {
        const ICalendarEvent* item = repeats.overrides.at(i);
        repeats.overrideStarts.append(item->start.toDate());
        repeats.overrideEnds.append(item->endFor(item->start));
        repeats.overrideIds.append(item->recurrenceId->toDate());
        if (item->recurrenceId->isDate)
            repeats.overriddenDays.append(item->recurrenceId->date);
        else
            repeats.overriddenTimes.append(repeats.overrideIds.at(i));
        if (!item->thisAndFuture)
            continue;
        // The move is read on the series' wall clock, so that later occurrences keep their hour across a change of
        // offset.
        const qint64 shift
            = onSeriesClock(item->start).wallSeconds() - onSeriesClock(*item->recurrenceId).wallSeconds();
        const double moved = repeats.overrideStarts.at(i).secondsSince(repeats.overrideIds.at(i));
        const double length = repeats.overrideEnds.at(i).secondsSince(repeats.overrideStarts.at(i));
        const std::optional<QDate> fromDay
            = item->recurrenceId->isDate ? std::optional(item->recurrenceId->date) : std::nullopt;
        repeats.ranges.append({ i, repeats.overrideIds.at(i), shift, moved, length, fromDay });
        if (std::abs(moved) <= longestRangeReach)
            repeats.rangeReachAfter = std::max(repeats.rangeReachAfter, -moved + day);
    }
    std::sort(repeats.overriddenTimes.begin(), repeats.overriddenTimes.end());
    std::sort(repeats.overriddenDays.begin(), repeats.overriddenDays.end());
    std::stable_sort(
        repeats.ranges.begin(), repeats.ranges.end(), [](const Range& a, const Range& b) { return a.from < b.from; });
    for (qsizetype i = 0; i < repeats.ranges.size(); ++i)
        (repeats.ranges.at(i).fromDay ? repeats.dayRanges : repeats.timedRanges).append(i);
    std::stable_sort(repeats.dayRanges.begin(), repeats.dayRanges.end(),
        [&ranges = repeats.ranges](qsizetype a, qsizetype b) { return *ranges.at(a).fromDay < *ranges.at(b).fromDay; });
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
    } else {
        // Only a later question takes what the worker found, as the worker says when it is done.
        adoptWorkerStarts();
    }
    const Date last = to.addingSeconds(repeats.rangeReachAfter);
    for (const Start& start : std::as_const(repeats.cachedStarts)) {
        if (start.date >= last)
            break;
        const std::optional<EventOccurrence> occurrence = occurrenceOf(start);
        if (occurrence && !occurrence->event->cancelled && overlaps(occurrence->start, occurrence->end, from, to))
            out.append(*occurrence);
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
    const Repeats& repeats = *m_repeats;
    return std::binary_search(repeats.overriddenDays.cbegin(), repeats.overriddenDays.cend(), start.time.date)
        || std::binary_search(repeats.overriddenTimes.cbegin(), repeats.overriddenTimes.cend(), start.date);
}

const EventSeries::Range* EventSeries::rangeOf(const Start& start) const
{
    // Of each kind, the ranges begun by this start come first; the one of either that began last rules it.
    const Repeats& repeats = *m_repeats;
    const auto timed = std::partition_point(repeats.timedRanges.cbegin(), repeats.timedRanges.cend(),
        [&](qsizetype i) { return repeats.ranges.at(i).from <= start.date; });
    const auto days = std::partition_point(repeats.dayRanges.cbegin(), repeats.dayRanges.cend(),
        [&](qsizetype i) { return *repeats.ranges.at(i).fromDay <= start.time.date; });
    qsizetype latest = -1;
    if (timed != repeats.timedRanges.cbegin())
        latest = *std::prev(timed);
    if (days != repeats.dayRanges.cbegin())
        latest = std::max(latest, *std::prev(days));
    return latest < 0 ? nullptr : &repeats.ranges.at(latest);
}

std::optional<EventOccurrence> EventSeries::occurrenceOf(const Start& start) const
{
    if (isOverridden(start))
        return std::nullopt;
    if (const Range* range = rangeOf(start)) {
        const ICalendarEvent* item = m_repeats->overrides.at(range->override);
        const CalendarTime moved = shifted(start.time, *range);
        return EventOccurrence { item, moved.toDate(), item->endFor(moved), start.date };
    }
    return EventOccurrence { m_master, start.date, start.end, start.date };
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

QList<RuleWindow> EventSeries::movedWindows(Date from, Date to, const RuleWindow& own) const
{
    // A range's starts reach the window from as far as the range moved them, and only from where the range rules:
    // from its own occurrence up to the next range's. The starts of all ranges together are thus about as many as
    // the window holds, however many there are. A day on each side covers changes of offset, and at a range's
    // ends the difference between a date and its midnight.
    const QList<Range>& ranges = m_repeats->ranges;
    QList<RuleWindow> windows;
    const auto add = [&windows](Date begin, Date end) {
        if (begin < end)
            windows.append({ begin, end });
    };
    for (qsizetype i = 0; i < ranges.size(); ++i) {
        const Range& range = ranges.at(i);
        if (std::abs(range.moved) > longestRangeReach)
            continue;
        // Starts that keep their hour stay where they are.
        const bool stays = range.wallShift == 0;
        Date begin = from.addingSeconds(-((stays ? 0 : range.moved) + range.length + day));
        Date end = stays ? to : to.addingSeconds(-range.moved + day);
        begin = std::max(begin, range.from.addingSeconds(range.fromDay ? -day : 0));
        if (i + 1 < ranges.size())
            end = std::min(end, ranges.at(i + 1).from.addingSeconds(ranges.at(i + 1).fromDay ? day : 0));
        // The series' own window is expanded anyway.
        add(begin, std::min(end, own.from));
        add(std::max(begin, own.to), end);
    }
    std::sort(windows.begin(), windows.end(), [](const RuleWindow& a, const RuleWindow& b) { return a.from < b.from; });
    QList<RuleWindow> merged;
    for (const RuleWindow& window : std::as_const(windows)) {
        if (!merged.isEmpty() && window.from <= merged.last().to)
            merged.last().to = std::max(merged.last().to, window.to);
        else
            merged.append(window);
    }
    return merged;
}

QList<EventSeries::Start> EventSeries::masterStarts(Date from, Date to, RuleExpansionWorker& worker)
{
    // Starts this far before the window may still reach into it.
    const RuleWindow own { from.addingSeconds(-(m_end.secondsSince(m_start) + day)), to };
    const QList<RuleWindow> moved = movedWindows(from, to, own);
    const auto reaches = [&](Date date) {
        if (own.from <= date && date < own.to)
            return true;
        const auto window = std::partition_point(
            moved.cbegin(), moved.cend(), [date](const RuleWindow& window) { return window.to <= date; });
        return window != moved.cend() && window->from <= date;
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
    QList<RuleExpansion> quickRules;
    QList<RuleExpansion> slowRules;
    for (const StoredRule& rule : m_master->recurrence->rules) {
        const RuleExpansion expansion(rule.rule(), rule.interval(), m_master->start);
        if (expansion.isQuick()) {
            expansion.append(own.from, own.to, found);
            quickRules.append(expansion);
        } else {
            slowRules.append(expansion);
        }
    }
    appendRuleStarts(found, starts);
    // What ranges move in from elsewhere may be far more than the window holds, when many ranges rule a fine
    // series: never expanded on the caller's thread.
    m_repeats->workerStarts.clear();
    if (!quickRules.isEmpty() && !moved.isEmpty())
        m_repeats->workerStarts.append(worker.expand(quickRules, moved));
    if (!slowRules.isEmpty())
        m_repeats->workerStarts.append(worker.expand(slowRules, moved + QList<RuleWindow> { own }));
    finish(starts, from, to);
    return starts;
}

void EventSeries::adoptWorkerStarts()
{
    Repeats& repeats = *m_repeats;
    bool adopted = false;
    repeats.workerStarts.removeIf([&](const QFuture<RuleStarts>& starts) {
        if (!starts.isFinished())
            return false;
        if (starts.resultCount() > 0) {
            appendRuleStarts(starts.result(), repeats.cachedStarts);
            adopted = true;
        }
        return true;
    });
    if (adopted)
        finish(repeats.cachedStarts, repeats.cachedFrom, repeats.cachedTo);
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

void EventSeries::finish(QList<Start>& starts, Date from, Date to) const
{
    std::stable_sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date < b.date; });
    starts.erase(
        std::unique(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date == b.date; }),
        starts.end());
    starts.removeIf([this](const Start& start) { return isExcluded(start); });
    for (Start& start : starts)
        start.end = start.periodEnd.value_or(m_master->endFor(start.time));
    // Only what can fall in the window is kept: the windows of ranges gave starts that lie around it.
    starts.removeIf([&](const Start& start) {
        const std::optional<EventOccurrence> occurrence = occurrenceOf(start);
        return !occurrence || !overlaps(occurrence->start, occurrence->end, from, to);
    });
}

} // namespace platform

#include "platform/calendar/EventSeries.h"

#include <algorithm>

namespace platform {

namespace {

constexpr double day = 86400;
// How far ahead of a window the master's starts are kept.
constexpr double cacheAhead = 8 * day;

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
    if (!m_master->cancelled) {
        for (const Start& start : std::as_const(repeats.cachedStarts)) {
            if (start.date >= to)
                break;
            if (overlaps(start.date, start.end, from, to) && !isOverridden(start))
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

QList<EventSeries::Start> EventSeries::masterStarts(Date from, Date to, RuleExpansionWorker& worker)
{
    // Starts this far before the window may still reach into it.
    const Date earliest = from.addingSeconds(-(m_end.secondsSince(m_start) + day));
    QList<Start> starts;
    if (m_start >= earliest && m_start < to)
        starts.append({ m_master->start, m_start, {}, {} });
    for (const RecurrenceDate& recurrence : m_master->recurrence->dates) {
        const Date date = recurrence.start.toDate();
        const bool reaches = date >= earliest || (recurrence.end && *recurrence.end > from);
        if (reaches && date < to)
            starts.append({ recurrence.start, date, {}, recurrence.end });
    }
    RuleStarts found;
    QList<RuleExpansion> slowRules;
    for (const StoredRule& rule : m_master->recurrence->rules) {
        const RuleExpansion expansion(rule.rule(), m_master->start);
        if (expansion.isQuick())
            expansion.append(earliest, to, found);
        else
            slowRules.append(expansion);
    }
    appendRuleStarts(found, starts);
    m_repeats->workerStarts.reset();
    if (!slowRules.isEmpty())
        m_repeats->workerStarts = worker.expand(slowRules, earliest, to);
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

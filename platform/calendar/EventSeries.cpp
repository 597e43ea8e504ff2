#include "platform/calendar/EventSeries.h"

#include <algorithm>
#include <memory>

namespace platform {

namespace {

// More steps than any real rule needs for a window; only a runaway rule reaches it.
constexpr int maximumSteps = 100000;
constexpr double day = 86400;
// How far ahead of a window the master's starts are kept.
constexpr double cacheAhead = 8 * day;

icaltimetype wallClock(const CalendarTime& time)
{
    icaltimetype result = icaltime_null_time();
    result.year = time.date.year();
    result.month = time.date.month();
    result.day = time.date.day();
    result.is_date = time.isDate;
    if (!time.isDate) {
        result.hour = time.time.hour();
        result.minute = time.time.minute();
        result.second = time.time.second();
    }
    return result;
}

CalendarTime fromWallClock(const icaltimetype& time, const CalendarTime& zoneOf)
{
    CalendarTime result = zoneOf;
    result.date = QDate(time.year, time.month, time.day);
    result.time = time.is_date ? QTime(0, 0) : QTime(time.hour, time.minute, qMin(time.second, 59));
    return result;
}

qint64 frequencySeconds(icalrecurrencetype_frequency frequency)
{
    switch (frequency) {
    case ICAL_SECONDLY_RECURRENCE:
        return 1;
    case ICAL_MINUTELY_RECURRENCE:
        return 60;
    case ICAL_HOURLY_RECURRENCE:
        return 3600;
    default:
        return 0;
    }
}

} // namespace

EventSeries::EventSeries(const ICalendarEvent* master, QList<const ICalendarEvent*> overrides)
    : m_master(master)
    , m_overrides(std::move(overrides))
    , m_start(master->start.toDate())
    , m_end(master->endFor(master->start))
{
    for (const ICalendarEvent* item : std::as_const(m_overrides)) {
        m_overrideStarts.append(item->start.toDate());
        m_overrideEnds.append(item->endFor(item->start));
        m_overrideIds.append(item->recurrenceId->toDate());
    }
}

bool EventSeries::overlaps(Date start, Date end, Date from, Date to) const
{
    // A moment-long event counts when it lies in the window.
    return start < to && (end > from || (end == start && start >= from));
}

void EventSeries::appendOccurrences(Date from, Date to, QList<EventOccurrence>& out)
{
    if (!m_master->isRecurring()) {
        if (!m_master->cancelled && overlaps(m_start, m_end, from, to))
            out.append({ m_master, m_start, m_end, std::nullopt });
        return;
    }

    if (!m_hasCache || from < m_cachedFrom || to > m_cachedTo) {
        m_cachedFrom = from;
        m_cachedTo = to.addingSeconds(cacheAhead);
        m_cachedStarts = masterStarts(m_cachedFrom, m_cachedTo);
        m_hasCache = true;
    }
    if (!m_master->cancelled) {
        for (const Start& start : std::as_const(m_cachedStarts)) {
            if (start.date >= to)
                break;
            if (overlaps(start.date, start.end, from, to) && !isOverridden(start))
                out.append({ m_master, start.date, start.end, start.date });
        }
    }
    for (qsizetype i = 0; i < m_overrides.size(); ++i) {
        const ICalendarEvent* item = m_overrides.at(i);
        if (item->cancelled || isExcluded({ *item->recurrenceId, m_overrideIds.at(i), {} }))
            continue;
        if (overlaps(m_overrideStarts.at(i), m_overrideEnds.at(i), from, to))
            out.append({ item, m_overrideStarts.at(i), m_overrideEnds.at(i), m_overrideIds.at(i) });
    }
}

bool EventSeries::isExcluded(const Start& start) const
{
    return std::any_of(
        m_master->exceptionDates.cbegin(), m_master->exceptionDates.cend(), [&](const CalendarTime& exception) {
            if (exception.isDate)
                return exception.date == start.time.date;
            return exception.toDate() == start.date;
        });
}

bool EventSeries::isOverridden(const Start& start) const
{
    for (qsizetype i = 0; i < m_overrides.size(); ++i) {
        const CalendarTime& id = *m_overrides.at(i)->recurrenceId;
        if (id.isDate ? id.date == start.time.date : m_overrideIds.at(i) == start.date)
            return true;
    }
    return false;
}

QList<EventSeries::Start> EventSeries::masterStarts(Date from, Date to) const
{
    // Starts this far before the window may still reach into it.
    const Date earliest = from.addingSeconds(-(m_end.secondsSince(m_start) + day));
    QList<Start> starts;
    if (m_start >= earliest && m_start < to)
        starts.append({ m_master->start, m_start, {} });
    for (const CalendarTime& time : m_master->recurrenceDates) {
        const Date date = time.toDate();
        if (date >= earliest && date < to)
            starts.append({ time, date, {} });
    }
    for (const icalrecurrencetype& rule : m_master->rules)
        appendRuleStarts(rule, earliest, to, starts);

    std::sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date < b.date; });
    starts.erase(
        std::unique(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.date == b.date; }),
        starts.end());
    starts.removeIf([this](const Start& start) { return isExcluded(start); });
    for (Start& start : starts)
        start.end = m_master->endFor(start.time);
    return starts;
}

void EventSeries::appendRuleStarts(const icalrecurrencetype& rule, Date from, Date to, QList<Start>& out) const
{
    const icaltimetype dtstart = wallClock(m_master->start);
    std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)> iterator(
        icalrecur_iterator_new(rule, dtstart), &icalrecur_iterator_free);
    if (!iterator)
        return;

    // Skip ahead to the window; libical cannot do so for a counted rule, and keeps the phase of a rule
    // finer than a day only from a start on that phase.
    if (rule.count == 0 && from > m_start) {
        const CalendarTime fromWall = [&] {
            CalendarTime utc;
            const QDateTime moment = from.toDateTime();
            utc.date = moment.date();
            utc.time = moment.time();
            utc.zone = CalendarTime::Zone::utc;
            CalendarTime wall = utc.inZoneOf(m_master->start);
            wall.isDate = m_master->start.isDate;
            return wall;
        }();
        icaltimetype target = wallClock(fromWall);
        if (const qint64 unit = frequencySeconds(rule.freq)) {
            const QDateTime first(m_master->start.date, m_master->start.time, QTimeZone::utc());
            const QDateTime wanted(fromWall.date, fromWall.time, QTimeZone::utc());
            const qint64 period = unit * rule.interval;
            const qint64 steps = first.secsTo(wanted) / period;
            const QDateTime aligned = first.addSecs(steps * period);
            target.year = aligned.date().year();
            target.month = aligned.date().month();
            target.day = aligned.date().day();
            target.hour = aligned.time().hour();
            target.minute = aligned.time().minute();
            target.second = aligned.time().second();
        }
        icalrecur_iterator_set_start(iterator.get(), target);
    }

    for (int step = 0; step < maximumSteps; ++step) {
        const icaltimetype next = icalrecur_iterator_next(iterator.get());
        if (icaltime_is_null_time(next))
            break;
        const CalendarTime time = fromWallClock(next, m_master->start);
        if (!time.isValid())
            break;
        const Date date = time.toDate();
        if (date >= to)
            break;
        if (date >= from)
            out.append({ time, date, {} });
    }
}

} // namespace platform

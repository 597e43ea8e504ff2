#include "tolvar/availability/AvailabilitySlotGrid.h"

#include "tolvar/availability/BusyInterval.h"

#include <QDateTime>
#include <algorithm>

namespace tolvar {

std::optional<platform::Date> firstInstantOfHour(QDate day, int hour, const QTimeZone& zone)
{
    if (!day.isValid() || hour < 0 || hour > 23 || !zone.isValid())
        return std::nullopt;
    // The wall time read as if it were UTC; the true instant is that less the offset in effect then.
    // Any offset the zone can have there is in effect within a day of it.
    const qint64 wall = QDateTime(day, QTime(hour, 0), Qt::UTC).toSecsSinceEpoch();
    const auto offsetAt
        = [&zone](qint64 instant) { return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC)); };
    std::optional<qint64> first;
    int largestOffset = offsetAt(wall);
    for (const qint64 probe : { wall - 86400, wall, wall + 86400 }) {
        const int offset = offsetAt(probe);
        largestOffset = std::max(largestOffset, offset);
        const qint64 candidate = wall - offset;
        if (offsetAt(candidate) == offset)
            first = first ? std::min(*first, candidate) : candidate;
    }
    if (first)
        return platform::Date::fromSecondsSince1970(double(*first));

    // Skipped: the clocks jump past this hour at the zone's next transition.
    const QTimeZone::OffsetData jump
        = zone.nextTransition(QDateTime::fromSecsSinceEpoch(wall - largestOffset - 1, Qt::UTC));
    if (!jump.atUtc.isValid())
        return std::nullopt;
    return platform::Date::fromDateTime(jump.atUtc);
}

QList<AvailabilitySlot> AvailabilitySlotGrid::makeSlots(platform::Date now, const QTimeZone& zone) const
{
    QList<AvailabilitySlot> result;
    if (workStartHour >= workEndHour)
        return result;
    const double length = rawValue(duration);
    const QDate today = now.toDateTime().toTimeZone(zone).date();
    for (int offset = 0; offset < dayCount; ++offset) {
        const QDate day = today.addDays(offset);
        const std::optional<platform::Date> dayStart = firstInstantOfHour(day, workStartHour, zone);
        const std::optional<platform::Date> dayEnd = firstInstantOfHour(day, workEndHour, zone);
        if (!dayStart || !dayEnd || *dayEnd <= *dayStart)
            continue;
        const QList<BusyInterval> busy = busyIntervals(meetings, *dayStart, *dayEnd);
        for (platform::Date cursor = *dayStart; cursor.addingSeconds(length) <= *dayEnd;
             cursor = cursor.addingSeconds(length)) {
            const platform::Date end = cursor.addingSeconds(length);
            AvailabilitySlot::Kind kind = AvailabilitySlot::Kind::free;
            if (cursor <= now)
                kind = AvailabilitySlot::Kind::past;
            else if (overlapsBusy(cursor, end, busy))
                kind = AvailabilitySlot::Kind::busy;
            result.append({ cursor, end, kind });
        }
    }
    return result;
}

} // namespace tolvar

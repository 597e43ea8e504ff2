#pragma once

#include "platform/time/Date.h"
#include "tolvar/availability/AvailabilitySlot.h"

#include <QList>
#include <QTimeZone>
#include <map>

namespace tolvar {

// The slots that start on one day.
struct AvailabilityDayGroup
{
    // The instant at which the day begins.
    platform::Date day;
    QList<AvailabilitySlot> daySlots; // "slots" is a Qt keyword

    bool operator==(const AvailabilityDayGroup&) const = default;
};

// The start of the day, in `zone`, that contains `instant`.
platform::Date startOfDay(platform::Date instant, const QTimeZone& zone);

// Slots keyed by the start of the day (in `zone`) on which each starts; input order within a day.
std::map<platform::Date, QList<AvailabilitySlot>> slotsByDay(
    const QList<AvailabilitySlot>& slotList, const QTimeZone& zone);

// Days ascending, each day's slots by start. A slot belongs to the day on which it starts.
QList<AvailabilityDayGroup> groupSlotsByDay(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone);

// Stable, by start.
QList<AvailabilitySlot> sortedByStart(QList<AvailabilitySlot> slotList);

} // namespace tolvar

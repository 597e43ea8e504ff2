#include "tolvar/availability/AvailabilityDayGroup.h"

#include <algorithm>

namespace tolvar {

platform::Date startOfDay(platform::Date instant, const QTimeZone& zone)
{
    const QDate day = instant.toDateTime().toTimeZone(zone).date();
    const QDateTime start = day.startOfDay(zone);
    return start.isValid() ? platform::Date::fromDateTime(start) : instant;
}

std::map<platform::Date, QList<AvailabilitySlot>> slotsByDay(
    const QList<AvailabilitySlot>& slotList, const QTimeZone& zone)
{
    std::map<platform::Date, QList<AvailabilitySlot>> days;
    for (const AvailabilitySlot& slot : slotList)
        days[startOfDay(slot.start, zone)].append(slot);
    return days;
}

QList<AvailabilityDayGroup> groupSlotsByDay(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone)
{
    QList<AvailabilityDayGroup> groups;
    for (const auto& [day, daySlots] : slotsByDay(slotList, zone))
        groups.append({ day, sortedByStart(daySlots) });
    return groups;
}

QList<AvailabilitySlot> sortedByStart(QList<AvailabilitySlot> slotList)
{
    std::stable_sort(slotList.begin(), slotList.end(),
        [](const AvailabilitySlot& a, const AvailabilitySlot& b) { return a.start < b.start; });
    return slotList;
}

} // namespace tolvar

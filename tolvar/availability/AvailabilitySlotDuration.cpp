#include "tolvar/availability/AvailabilitySlotDuration.h"

namespace tolvar {

double rawValue(AvailabilitySlotDuration duration)
{
    return duration == AvailabilitySlotDuration::oneHour ? 3600.0 : 1800.0;
}

std::optional<AvailabilitySlotDuration> availabilitySlotDurationFromRawValue(double seconds)
{
    for (const AvailabilitySlotDuration duration : allAvailabilitySlotDurations()) {
        if (rawValue(duration) == seconds)
            return duration;
    }
    return std::nullopt;
}

QList<AvailabilitySlotDuration> allAvailabilitySlotDurations()
{
    return { AvailabilitySlotDuration::thirtyMinutes, AvailabilitySlotDuration::oneHour };
}

} // namespace tolvar

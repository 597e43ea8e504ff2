#pragma once

#include <QList>
#include <optional>

namespace tolvar {

// The length of the slots the panel lays out; the raw value is seconds.
enum class AvailabilitySlotDuration { thirtyMinutes, oneHour };

double rawValue(AvailabilitySlotDuration duration);
// Only the exact raw values name a case.
std::optional<AvailabilitySlotDuration> availabilitySlotDurationFromRawValue(double seconds);
QList<AvailabilitySlotDuration> allAvailabilitySlotDurations();

} // namespace tolvar

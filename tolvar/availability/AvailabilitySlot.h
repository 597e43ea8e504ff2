#pragma once

#include "platform/time/Date.h"

#include <QString>

namespace tolvar {

// One stretch of working time offered in the availability panel.
struct AvailabilitySlot
{
    enum class Kind { free, busy, past };

    platform::Date start;
    // Exclusive.
    platform::Date end;
    Kind kind = Kind::free;

    // Whole seconds since 1970 of start and end, "start-end": the same span keeps its id whatever its
    // kind, so a selection survives a slot turning busy or past.
    QString id() const;

    bool operator==(const AvailabilitySlot&) const = default;
};

size_t qHash(const AvailabilitySlot& slot, size_t seed = 0);

} // namespace tolvar

#include "tolvar/availability/AvailabilitySlot.h"

#include <QHashFunctions>

namespace tolvar {

QString AvailabilitySlot::id() const
{
    return QString::number(start.wholeSecondsSince1970()) + QLatin1Char('-')
        + QString::number(end.wholeSecondsSince1970());
}

size_t qHash(const AvailabilitySlot& slot, size_t seed)
{
    return qHashMulti(seed, slot.start.secondsSinceReferenceDate(), slot.end.secondsSinceReferenceDate(),
        static_cast<int>(slot.kind));
}

} // namespace tolvar

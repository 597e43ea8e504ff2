#include "tolvar/model/EventScope.h"

#include <QHashFunctions>

namespace tolvar {

int rawValue(EventScope scope)
{
    return int(scope);
}

std::optional<EventScope> eventScopeFromRawValue(qint64 rawValue)
{
    switch (rawValue) {
    case 0:
        return EventScope::meetingsOnly;
    case 1:
        return EventScope::meetingsAndEvents;
    default:
        return std::nullopt;
    }
}

size_t qHash(EventScope scope, size_t seed)
{
    return ::qHash(rawValue(scope), seed);
}

} // namespace tolvar

#pragma once

#include <QtGlobal>
#include <optional>

namespace tolvar {

// Which events of a calendar remind: only meetings, or every event.
enum class EventScope { meetingsOnly = 0, meetingsAndEvents = 1 };

int rawValue(EventScope scope);
std::optional<EventScope> eventScopeFromRawValue(qint64 rawValue);
size_t qHash(EventScope scope, size_t seed = 0);

} // namespace tolvar

#pragma once

#include <QString>

namespace tolvar {

// Computed from a meeting, never stored.
enum class MeetingKind { online, inPerson, hybrid, calendarEvent, task };

// Localised label.
QString label(MeetingKind kind);
size_t qHash(MeetingKind kind, size_t seed = 0);

} // namespace tolvar

#include "tolvar/model/MeetingKind.h"

#include "platform/text/Localized.h"

#include <QHashFunctions>

namespace tolvar {

QString label(MeetingKind kind)
{
    switch (kind) {
    case MeetingKind::online:
        return platform::localized("Online");
    case MeetingKind::inPerson:
        return platform::localized("In person");
    case MeetingKind::hybrid:
        return platform::localized("Hybrid");
    case MeetingKind::calendarEvent:
        return platform::localized("Calendar event");
    case MeetingKind::task:
        break;
    }
    return platform::localized("Task");
}

size_t qHash(MeetingKind kind, size_t seed)
{
    return ::qHash(int(kind), seed);
}

} // namespace tolvar

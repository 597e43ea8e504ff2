#pragma once

#include "platform/calendar/CalendarZone.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <optional>

namespace platform {

// Resolves the TZIDs of calendar files through the system's zone data: an IANA name, a Windows name, or a name
// that ends in an IANA name. Looking a zone up is slow and thousands of files name the same few, so answers are
// kept; files are read on several threads at once.
class TimeZoneCache
{
public:
    // Real calendars name a few dozen zones; files naming made-up ones by the thousand must not grow the
    // cache for as long as Tolvar runs, so past this many it starts afresh.
    static constexpr qsizetype maximumZones = 1000;

    // Absent for a zone the system does not know.
    std::optional<CalendarZone> zone(const QString& tzid);

private:
    static std::optional<QTimeZone> resolve(const QString& tzid);

    QMutex m_mutex;
    QHash<QString, std::optional<CalendarZone>> m_zones;
};

} // namespace platform

#pragma once

#include "platform/calendar/CalendarZone.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <libical/ical.h>
#include <optional>

namespace platform {

// Resolves the TZIDs of calendar files through the system's zone data: an IANA name, a Windows name, or a name
// that ends in an IANA name; and makes the zones that files' VTIMEZONEs define, one for each distinct definition.
// Looking a zone up is slow and thousands of files name or define the same few, so answers are kept; files are
// read on several threads at once.
class TimeZoneCache
{
public:
    // Real calendars name a few dozen zones; files naming made-up ones by the thousand must not grow the
    // cache for as long as Tolvar runs, so past this many it starts afresh.
    static constexpr qsizetype maximumZones = 1000;

    // Absent for a zone the system does not know.
    std::optional<CalendarZone> zone(const QString& tzid);
    // The zone `vtimezone` defines; invalid, with the reason in `refusal`, when it defines none.
    CalendarZone definedZone(const icalcomponent* vtimezone, QString& refusal);

private:
    static std::optional<QTimeZone> resolve(const QString& tzid);

    QMutex m_mutex;
    QHash<QString, std::optional<CalendarZone>> m_zones;
    QHash<QByteArray, CalendarZone> m_definedZones;
};

} // namespace platform

#include "platform/calendar/TimeZoneCache.h"

#include "platform/calendar/ZoneDefinition.h"

#include <QFileInfo>
#include <QStringList>

namespace platform {

std::optional<CalendarZone> TimeZoneCache::zone(const QString& tzid)
{
    QMutexLocker locker(&m_mutex);
    auto found = m_zones.constFind(tzid);
    if (found != m_zones.constEnd())
        return *found;
    std::optional<CalendarZone> zone;
    if (const std::optional<QTimeZone> system = resolve(tzid))
        zone = CalendarZone(*system);
    if (m_zones.size() >= maximumZones)
        m_zones.clear();
    m_zones.insert(tzid, zone);
    return zone;
}

CalendarZone TimeZoneCache::definedZone(const icalcomponent* vtimezone, QString& refusal)
{
    ZoneDefinition definition = ZoneDefinition::read(vtimezone, refusal);
    if (definition.isEmpty())
        return {};
    QMutexLocker locker(&m_mutex);
    auto found = m_definedZones.constFind(definition.key());
    if (found != m_definedZones.constEnd())
        return *found;
    if (m_definedZones.size() >= maximumZones)
        m_definedZones.clear();
    const QByteArray key = definition.key();
    const CalendarZone zone(std::move(definition));
    m_definedZones.insert(key, zone);
    return zone;
}

namespace {

// Qt reads a name it finds no zone file for as a POSIX rule, so that any single word ("Eastern") would be a valid
// zone at UTC: only names of the zone database count.
std::optional<QTimeZone> databaseZone(const QString& name)
{
    const QByteArray id = name.toUtf8();
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1String(".."))
        || !(QTimeZone::isTimeZoneIdAvailable(id)
            || QFileInfo(qEnvironmentVariable("TZDIR", QStringLiteral("/usr/share/zoneinfo")) + QLatin1Char('/') + name)
                   .isFile()))
        return std::nullopt;
    QTimeZone zone(id);
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

} // namespace

std::optional<QTimeZone> TimeZoneCache::resolve(const QString& tzid)
{
    if (auto zone = databaseZone(tzid))
        return zone;
    // Exchange writes Windows zone names.
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(tzid.toUtf8());
    if (!iana.isEmpty() && QTimeZone(iana).isValid())
        return QTimeZone(iana);
    // Some writers prefix the zone name with a path of their own ("/example.org/2005/Europe/Berlin").
    const QStringList parts = tzid.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype count = 3; count >= 2; --count) {
        if (parts.size() <= count)
            continue;
        if (auto tail = databaseZone(parts.sliced(parts.size() - count).join(QLatin1Char('/'))))
            return tail;
    }
    return std::nullopt;
}

} // namespace platform

#include "platform/calendar/TimeZoneCache.h"

#include <QStringList>

namespace platform {

std::optional<QTimeZone> TimeZoneCache::zone(const QString& tzid)
{
    QMutexLocker locker(&m_mutex);
    auto found = m_zones.constFind(tzid);
    if (found != m_zones.constEnd())
        return *found;
    const std::optional<QTimeZone> zone = resolve(tzid);
    if (m_zones.size() >= maximumZones)
        m_zones.clear();
    m_zones.insert(tzid, zone);
    return zone;
}

std::optional<QTimeZone> TimeZoneCache::resolve(const QString& tzid)
{
    QTimeZone zone(tzid.toUtf8());
    if (zone.isValid())
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
        QTimeZone tail(parts.sliced(parts.size() - count).join(QLatin1Char('/')).toUtf8());
        if (tail.isValid())
            return tail;
    }
    return std::nullopt;
}

} // namespace platform

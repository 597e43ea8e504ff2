#include "tolvar/availability/AvailabilityDisplayTimeZone.h"

#include "platform/text/Localized.h"

#include <QDateTime>
#include <QHashFunctions>

namespace tolvar {

namespace {

struct NamedZone
{
    const char* identifier;
    const char* displayName;
};

constexpr NamedZone namedZones[] = {
    { "UTC", "UTC" },
    { "America/Los_Angeles", "US Pacific" },
    { "America/Denver", "US Mountain" },
    { "America/Chicago", "US Central" },
    { "America/New_York", "US Eastern" },
    { "America/Sao_Paulo", "São Paulo" },
    { "Europe/London", "London" },
    { "Europe/Berlin", "Berlin" },
    { "Europe/Paris", "Paris" },
    { "Asia/Dubai", "Dubai" },
    { "Asia/Kolkata", "India" },
    { "Asia/Bangkok", "Bangkok (ICT)" },
    { "Asia/Singapore", "Singapore" },
    { "Asia/Shanghai", "China" },
    { "Asia/Tokyo", "Tokyo" },
    { "Australia/Sydney", "Sydney" },
};

} // namespace

QString AvailabilityDisplayTimeZone::id() const
{
    return isSystem() ? QStringLiteral("system") : m_identifier;
}

const QList<AvailabilityDisplayTimeZone>& AvailabilityDisplayTimeZone::options()
{
    static const QList<AvailabilityDisplayTimeZone> options = [] {
        QList<AvailabilityDisplayTimeZone> list { system() };
        for (const NamedZone& zone : namedZones) {
            if (QTimeZone::isTimeZoneIdAvailable(zone.identifier))
                list.append(identifier(QString::fromUtf8(zone.identifier)));
        }
        return list;
    }();
    return options;
}

QString AvailabilityDisplayTimeZone::displayName(const QString& identifier)
{
    for (const NamedZone& zone : namedZones) {
        if (identifier == QLatin1String(zone.identifier)) {
            // "UTC" reads the same everywhere.
            const QString name = QString::fromUtf8(zone.displayName);
            return name == QLatin1String("UTC") ? name : platform::localized(zone.displayName);
        }
    }
    QString name = identifier;
    return name.replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString AvailabilityDisplayTimeZone::label() const
{
    return label(QTimeZone::systemTimeZone(), platform::Date::fromDateTime(QDateTime::currentDateTimeUtc()));
}

QString AvailabilityDisplayTimeZone::label(const QTimeZone& systemZone, platform::Date now) const
{
    if (!isSystem())
        return displayName(m_identifier);
    QString name = systemZone.abbreviation(now.toDateTime());
    if (name.isEmpty())
        name = QString::fromUtf8(systemZone.id());
    return platform::localizedFormat("My timezone (%@)", { name });
}

size_t qHash(const AvailabilityDisplayTimeZone& zone, size_t seed)
{
    return qHashMulti(seed, zone.isSystem(), zone.identifierText());
}

} // namespace tolvar

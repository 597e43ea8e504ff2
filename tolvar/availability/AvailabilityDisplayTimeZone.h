#pragma once

#include "platform/time/Date.h"

#include <QList>
#include <QString>
#include <QTimeZone>

namespace tolvar {

// The zone in which the availability message is written: the user's own, or one picked by its
// time-zone database identifier.
class AvailabilityDisplayTimeZone
{
public:
    static AvailabilityDisplayTimeZone system() { return AvailabilityDisplayTimeZone(QString()); }
    static AvailabilityDisplayTimeZone identifier(const QString& identifier)
    {
        return AvailabilityDisplayTimeZone(identifier.isNull() ? QStringLiteral("") : identifier);
    }

    bool isSystem() const { return m_identifier.isNull(); }
    // Empty for the system zone.
    QString identifierText() const { return m_identifier; }
    // The identifier, or "system".
    QString id() const;

    // The system zone first, then the table's zones that the time-zone database knows. Built once.
    static const QList<AvailabilityDisplayTimeZone>& options();
    static QString displayName(const QString& identifier);

    // The zone picker's text; the system zone is named by its abbreviation at the current moment.
    QString label() const;
    QString label(const QTimeZone& systemZone, platform::Date now) const;

    bool operator==(const AvailabilityDisplayTimeZone& other) const
    {
        return isSystem() == other.isSystem() && m_identifier == other.m_identifier;
    }

private:
    explicit AvailabilityDisplayTimeZone(QString identifier)
        : m_identifier(std::move(identifier))
    { }

    // Null for the system zone.
    QString m_identifier;
};

size_t qHash(const AvailabilityDisplayTimeZone& zone, size_t seed = 0);

} // namespace tolvar

#pragma once

#include "platform/calendar/CalendarTime.h"
#include "platform/calendar/DailyRule.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <libical/ical.h>
#include <optional>

namespace platform {

// One STANDARD or DAYLIGHT part of a VTIMEZONE: from each of its onsets on, the zone is `offsetTo` seconds east
// of UTC. Onsets are readings of the wall clock before the change.
struct ZoneObservance
{
    struct Rule
    {
        DailyRule expansion;
        // The last instant it may give, in seconds since 1970.
        std::optional<qint64> until;
        int interval = 1;
        bool counted = false;
    };

    int offsetFrom = 0;
    int offsetTo = 0;
    // DTSTART, the first onset.
    CalendarTime start;
    // The instants of RDATE's onsets, ascending.
    QList<qint64> dates;
    QList<Rule> rules;

    qint64 startInstant() const;
    // Its onsets in [from, to), in seconds since 1970.
    QList<qint64> onsets(qint64 from, qint64 to) const;
    std::optional<qint64> latestOnsetBefore(qint64 moment) const;

private:
    QList<qint64> ruleOnsets(const Rule& rule, qint64 from, qint64 to) const;
};

// What a file's VTIMEZONE says, checked to be a zone.
class ZoneDefinition
{
public:
    // No zone changes its offset more often than this in a year.
    static constexpr int maximumOnsetsPerYear = 12;

    // Reads `vtimezone`. When it defines no zone, the result is empty and `refusal` says why.
    static ZoneDefinition read(const icalcomponent* vtimezone, QString& refusal);

    bool isEmpty() const { return m_observances.isEmpty(); }
    const QList<ZoneObservance>& observances() const { return m_observances; }
    // The same for every definition of the same observances, whatever the zone's name.
    const QByteArray& key() const { return m_key; }

private:
    QList<ZoneObservance> m_observances;
    QByteArray m_key;
};

} // namespace platform

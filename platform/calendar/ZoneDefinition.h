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
        // Its onsets fall on the same days again after this many years; 0 for a rule still counted, which ends.
        int cycleYears = 0;
    };

    int offsetFrom = 0;
    int offsetTo = 0;
    // DTSTART, the first onset.
    CalendarTime start;
    // The instants of RDATE's onsets, ascending.
    QList<qint64> dates;
    QList<Rule> rules;

    // In seconds since 1970, as all instants here.
    qint64 startInstant() const;
    // Its onsets in [from, to). Its rules are expanded within `budget` steps of work, less what they spend.
    QList<qint64> onsets(qint64 from, qint64 to, qint64& budget) const;
    // The latest onset before `moment` that DTSTART or RDATE gives.
    std::optional<qint64> latestDateBefore(qint64 moment) const;
    // The onsets in [from, to) that one of its rules gives, ascending.
    QList<qint64> ruleOnsets(const Rule& rule, qint64 from, qint64 to, qint64& budget) const;
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

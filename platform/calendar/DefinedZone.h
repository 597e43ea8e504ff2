#pragma once

#include "platform/calendar/ZoneDefinition.h"

#include <QHash>
#include <QMap>
#include <QMutex>

namespace platform {

// The offsets of a zone that only a file's VTIMEZONE defines. Its onsets are worked out a year at a time, as
// times of that year ask for them, so that a definition that carries a zone's history of hundreds of changes costs
// little; times are read on several threads at once.
class DefinedZone
{
public:
    explicit DefinedZone(ZoneDefinition definition);

    DefinedZone(const DefinedZone&) = delete;
    DefinedZone& operator=(const DefinedZone&) = delete;

    // Seconds east of UTC at a moment given in seconds since 1970.
    int offsetAt(qint64 utcSeconds) const;

private:
    struct Onset
    {
        qint64 at;
        int offset;
    };
    struct Year
    {
        QList<Onset> onsets;
        int offsetBefore = 0;
    };

    // Years asked by times far apart (a birthday series from 1950) are kept; past this many they are made anew.
    static constexpr qsizetype maximumYears = 256;
    // More steps of rule expansion than the observances of any real definition need for a year, so that a
    // definition of rules that never or seldom match costs a bounded time.
    static constexpr qint64 maximumWorkPerYear = 2000000;
    // Spans without onsets kept per rule; past this many they are found anew.
    static constexpr qsizetype maximumQuietSpans = 256;

    // From each instant a span starts at, the instant it ends before.
    using QuietSpans = QMap<qint64, qint64>;

    Year makeYear(int year) const;
    int offsetBefore(qint64 moment, qint64& budget) const;
    std::optional<qint64> latestRuleOnset(const ZoneObservance& observance, const ZoneObservance::Rule& rule,
        QuietSpans& quiet, qint64 moment, qint64 bottom, qint64& budget) const;
    static void addQuietSpan(QuietSpans& quiet, qint64 from, qint64 to);

    ZoneDefinition m_definition;
    // Before its first onset, the zone has the offset that onset changes from.
    int m_offsetBeforeAll = 0;
    mutable QMutex m_mutex;
    mutable QHash<int, Year> m_years;
    // For each rule of each observance in turn: where it is known to give no onset, so that the search back for
    // the offset a year starts with never goes over the same years twice.
    mutable QList<QuietSpans> m_quietSpans;
};

} // namespace platform

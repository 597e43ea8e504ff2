#include "platform/calendar/DefinedZone.h"

#include <algorithm>

namespace platform {

namespace {

constexpr qint64 day = 86400;
constexpr qint64 julianDayOf1970 = 2440588;

qint64 startOfYear(int year)
{
    return (QDate(year, 1, 1).toJulianDay() - julianDayOf1970) * day;
}

} // namespace

DefinedZone::DefinedZone(ZoneDefinition definition)
    : m_definition(std::move(definition))
{
    const QList<ZoneObservance>& observances = m_definition.observances();
    const auto earliest = std::min_element(observances.cbegin(), observances.cend(),
        [](const ZoneObservance& a, const ZoneObservance& b) { return a.startInstant() < b.startInstant(); });
    if (earliest != observances.cend())
        m_offsetBeforeAll = earliest->offsetFrom;
}

int DefinedZone::offsetAt(qint64 utcSeconds) const
{
    const qint64 days = utcSeconds / day - (utcSeconds % day < 0 ? 1 : 0);
    const int year = QDate::fromJulianDay(days + julianDayOf1970).year();
    QMutexLocker locker(&m_mutex);
    auto found = m_years.constFind(year);
    if (found == m_years.constEnd()) {
        Year made = makeYear(year);
        if (m_years.size() >= maximumYears)
            m_years.clear();
        found = m_years.insert(year, std::move(made));
    }
    const QList<Onset>& onsets = found->onsets;
    const auto after = std::upper_bound(onsets.cbegin(), onsets.cend(), utcSeconds,
        [](qint64 moment, const Onset& onset) { return moment < onset.at; });
    return after == onsets.cbegin() ? found->offsetBefore : std::prev(after)->offset;
}

DefinedZone::Year DefinedZone::makeYear(int year) const
{
    const qint64 from = startOfYear(year);
    const qint64 to = startOfYear(year + 1);
    Year result;
    // The year before, when known, ends with the offset this one starts with.
    const auto before = m_years.constFind(year - 1);
    if (before != m_years.constEnd())
        result.offsetBefore = before->onsets.isEmpty() ? before->offsetBefore : before->onsets.last().offset;
    else
        result.offsetBefore = offsetBefore(from);

    for (const ZoneObservance& observance : m_definition.observances()) {
        for (qint64 at : observance.onsets(from, to))
            result.onsets.append({ at, observance.offsetTo });
    }
    // Of onsets at one instant, the observance written last wins.
    std::stable_sort(
        result.onsets.begin(), result.onsets.end(), [](const Onset& a, const Onset& b) { return a.at < b.at; });
    return result;
}

int DefinedZone::offsetBefore(qint64 moment) const
{
    std::optional<qint64> latest;
    int offset = m_offsetBeforeAll;
    for (const ZoneObservance& observance : m_definition.observances()) {
        const std::optional<qint64> onset = observance.latestOnsetBefore(moment);
        if (onset && (!latest || *onset >= *latest)) {
            latest = onset;
            offset = observance.offsetTo;
        }
    }
    return offset;
}

} // namespace platform

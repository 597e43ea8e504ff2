#include "platform/calendar/DefinedZone.h"

#include <algorithm>

namespace platform {

namespace {

constexpr qint64 day = 86400;
constexpr qint64 julianDayOf1970 = 2440588;

qint64 startOfYear(int year)
{
    // The proleptic calendar goes from 1 BC, year -1, to AD 1.
    return (QDate(year == 0 ? 1 : year, 1, 1).toJulianDay() - julianDayOf1970) * day;
}

} // namespace

DefinedZone::DefinedZone(ZoneDefinition definition)
    : m_definition(std::move(definition))
{
    std::optional<qint64> first;
    for (const ZoneObservance& observance : m_definition.observances()) {
        const qint64 start = observance.startInstant();
        if (!first || start < *first) {
            first = start;
            m_offsetBeforeAll = observance.offsetFrom;
        }
        if (!observance.rules.isEmpty() && (!m_firstRuleStart || start < *m_firstRuleStart))
            m_firstRuleStart = start;
    }
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
    qint64 budget = maximumWorkPerYear;
    Year result;
    // The year before, when known, ends with the offset this one starts with.
    const auto before = m_years.constFind(year - 1);
    if (before != m_years.constEnd())
        result.offsetBefore = before->onsets.isEmpty() ? before->offsetBefore : before->onsets.last().offset;
    else
        result.offsetBefore = offsetBefore(from, budget);
    for (const ZoneObservance& observance : m_definition.observances()) {
        for (qint64 at : observance.onsets(from, to, budget))
            result.onsets.append({ at, observance.offsetTo });
    }
    // Of onsets at one instant, the observance written last wins.
    std::stable_sort(
        result.onsets.begin(), result.onsets.end(), [](const Onset& a, const Onset& b) { return a.at < b.at; });
    return result;
}

int DefinedZone::offsetBefore(qint64 moment, qint64& budget) const
{
    // The latest onset before `moment`; of onsets at one instant, the observance written last.
    const QList<ZoneObservance>& observances = m_definition.observances();
    std::optional<std::pair<qint64, qsizetype>> latest;
    int offset = m_offsetBeforeAll;
    const auto consider = [&](std::optional<qint64> at, qsizetype index) {
        if (at && (!latest || std::pair(*at, index) > *latest)) {
            latest = std::pair(*at, index);
            offset = observances.at(index).offsetTo;
        }
    };
    for (qsizetype i = 0; i < observances.size(); ++i)
        consider(observances.at(i).latestDateBefore(moment), i);
    // The rules are searched back a year, then ever further only while no onset found is as recent as what is
    // left to search: most zones change within every year, and a rule's onsets are cheap only near the moment.
    qint64 end = moment;
    for (qint64 span = 366 * day; m_firstRuleStart && end > *m_firstRuleStart && budget > 0; span *= 4) {
        if (latest && latest->first >= end)
            break;
        const qint64 from = std::max(*m_firstRuleStart, moment - span);
        for (qsizetype i = 0; i < observances.size(); ++i)
            consider(observances.at(i).latestRuleOnsetIn(from, end, budget), i);
        end = from;
    }
    return offset;
}

} // namespace platform

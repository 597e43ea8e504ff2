#include "platform/calendar/DefinedZone.h"

#include <algorithm>
#include <limits>

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
        m_quietSpans.resize(m_quietSpans.size() + observance.rules.size());
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
    // Every rule is searched back a year first, then no further than the latest onset found: most zones change
    // within every year, and a rule's onsets are cheap only near the moment.
    for (const bool lastYearOnly : { true, false }) {
        qsizetype rule = 0;
        for (qsizetype i = 0; i < observances.size(); ++i) {
            for (const ZoneObservance::Rule& each : observances.at(i).rules) {
                qint64 bottom = latest ? latest->first : std::numeric_limits<qint64>::min();
                if (lastYearOnly)
                    bottom = std::max(bottom, moment - 366 * day);
                consider(latestRuleOnset(observances.at(i), each, m_quietSpans[rule++], moment, bottom, budget), i);
            }
        }
    }
    return offset;
}

std::optional<qint64> DefinedZone::latestRuleOnset(const ZoneObservance& observance, const ZoneObservance::Rule& rule,
    QuietSpans& quiet, qint64 moment, qint64 bottom, qint64& budget) const
{
    const qint64 top = rule.until ? std::min(moment, *rule.until + 1) : moment;
    bottom = std::max(bottom, observance.startInstant());
    // A rule that gives no onset in a whole cycle of its years gives none before it either.
    const qint64 cycle = rule.cycleYears > 0 ? (qint64(rule.cycleYears) + 1) * 366 * day : 0;
    qint64 end = top;
    for (qint64 span = 366 * day; end > bottom && budget > 0; span *= 4) {
        auto above = quiet.lowerBound(end);
        if (above != quiet.begin() && std::prev(above).value() >= end) {
            end = std::prev(above).key();
            continue;
        }
        if (cycle > 0 && top - end >= cycle) {
            addQuietSpan(quiet, observance.startInstant(), end);
            return std::nullopt;
        }
        qint64 from = std::max(bottom, end - span);
        if (above != quiet.begin())
            from = std::max(from, std::prev(above).value());
        if (cycle > 0)
            from = std::max(from, top - cycle);
        const QList<qint64> found = observance.ruleOnsets(rule, from, end, budget);
        // Spans are only known quiet when the budget let the search through them.
        const bool searched = budget > 0;
        if (!found.isEmpty()) {
            if (searched)
                addQuietSpan(quiet, found.last() + 1, end);
            return found.last();
        }
        if (searched)
            addQuietSpan(quiet, from, end);
        end = from;
    }
    return std::nullopt;
}

void DefinedZone::addQuietSpan(QuietSpans& quiet, qint64 from, qint64 to)
{
    if (from >= to)
        return;
    if (quiet.size() >= maximumQuietSpans)
        quiet.clear();
    auto next = quiet.upperBound(from);
    if (next != quiet.begin() && std::prev(next).value() >= from) {
        --next;
        from = next.key();
        to = std::max(to, next.value());
        next = quiet.erase(next);
    }
    while (next != quiet.end() && next.key() <= to) {
        to = std::max(to, next.value());
        next = quiet.erase(next);
    }
    quiet.insert(from, to);
}

} // namespace platform

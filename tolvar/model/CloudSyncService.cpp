#include "tolvar/model/CloudSyncService.h"

#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/time/Clock.h"
#include "tolvar/model/RecordJson.h"

#include <QHash>
#include <algorithm>

namespace tolvar {

CloudSyncService::CloudSyncService(
    platform::UbiquitousKeyValueStore& store, const platform::CloudAccount& account, const platform::Clock& clock)
    : m_store(store)
    , m_account(account)
    , m_clock(clock)
{ }

bool CloudSyncService::isSignedIn() const
{
    return m_account.ubiquityIdentityToken().has_value();
}

template <typename Record> CloudResult<QList<Record>> CloudSyncService::loadArray(const char* key) const
{
    const std::optional<QByteArray> data = m_store.data(key);
    if (!data)
        return {};
    QString error;
    std::optional<QList<Record>> records = decodeRecordArray<Record>(*data, &error);
    if (!records)
        return { {}, error };
    return { std::move(*records), std::nullopt };
}

template <typename Record> CloudResult<QList<Record>> CloudSyncService::fetch(const char* key) const
{
    if (!isSignedIn())
        return {};
    m_store.synchronize();
    return loadArray<Record>(key);
}

QCoro::Task<CloudResult<QList<ReminderState>>> CloudSyncService::fetchReminderStates()
{
    co_return fetch<ReminderState>(CloudKey::reminderStates);
}

QCoro::Task<CloudResult<QList<CalendarRule>>> CloudSyncService::fetchCalendarRules()
{
    co_return fetch<CalendarRule>(CloudKey::calendarRules);
}

QCoro::Task<CloudResult<QList<MeetingSnapshot>>> CloudSyncService::syncMeetingSnapshots(
    QList<MeetingSnapshot> local, QString deviceID)
{
    if (!isSignedIn())
        co_return {};
    CloudResult<QList<MeetingSnapshot>> stored = fetch<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        co_return stored;

    QList<MeetingSnapshot> combined;
    combined.reserve(stored.value.size() + local.size());
    for (MeetingSnapshot& snapshot : stored.value) {
        if (snapshot.sourceDeviceID != deviceID)
            combined.append(std::move(snapshot));
    }
    combined.append(local);

    QList<MeetingSnapshot> merged = mergeSnapshots(combined);
    m_store.setData(encodeRecordArray(merged), CloudKey::meetingSnapshots);
    m_store.synchronize();
    co_return { std::move(merged), std::nullopt };
}

QList<MeetingSnapshot> CloudSyncService::mergeSnapshots(const QList<MeetingSnapshot>& snapshots) const
{
    QHash<QString, qsizetype> indexByKey;
    indexByKey.reserve(snapshots.size());
    QList<MeetingSnapshot> held;
    held.reserve(snapshots.size());
    for (const MeetingSnapshot& snapshot : snapshots) {
        if (snapshot.endDate < m_clock.now())
            continue;
        const QString key = snapshot.mergeKey();
        const auto found = indexByKey.constFind(key);
        if (found == indexByKey.constEnd()) {
            indexByKey.insert(key, held.size());
            held.append(snapshot);
        } else if (held[*found].lastSeenAt < snapshot.lastSeenAt) {
            held[*found] = snapshot;
        }
    }
    std::stable_sort(held.begin(), held.end(),
        [](const MeetingSnapshot& a, const MeetingSnapshot& b) { return a.startDate < b.startDate; });
    return held;
}

namespace {

// Folds local records into the stored ones, keyed by `keyOf`; a local record replaces a stored one
// when its time is later than or equal to the stored one's.
template <typename Record, typename KeyOf, typename TimeOf>
QList<Record> mergeLocalIntoStored(const QList<Record>& stored, const QList<Record>& local, KeyOf keyOf, TimeOf timeOf)
{
    QHash<QString, Record> merged;
    for (const Record& record : stored)
        merged.insert(keyOf(record), record);
    for (const Record& record : local) {
        const auto found = merged.constFind(keyOf(record));
        if (found == merged.constEnd() || timeOf(*found) <= timeOf(record))
            merged.insert(keyOf(record), record);
    }
    return merged.values();
}

} // namespace

QCoro::Task<std::optional<QString>> CloudSyncService::syncReminderStates(QList<ReminderState> local)
{
    if (!isSignedIn() || local.isEmpty())
        co_return std::nullopt;
    const CloudResult<QList<ReminderState>> stored = fetch<ReminderState>(CloudKey::reminderStates);
    if (stored.error)
        co_return stored.error;
    const QList<ReminderState> merged = mergeLocalIntoStored(
        stored.value, local, [](const ReminderState& state) { return state.stableMeetingID; },
        [](const ReminderState& state) { return state.effectiveUpdatedAt(); });
    m_store.setData(encodeRecordArray(merged), CloudKey::reminderStates);
    m_store.synchronize();
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncCalendarRules(QList<CalendarRule> local)
{
    if (!isSignedIn() || local.isEmpty())
        co_return std::nullopt;
    const CloudResult<QList<CalendarRule>> stored = fetch<CalendarRule>(CloudKey::calendarRules);
    if (stored.error)
        co_return stored.error;
    const QList<CalendarRule> merged = mergeLocalIntoStored(
        stored.value, local, [](const CalendarRule& rule) { return rule.calendarKey; },
        [](const CalendarRule& rule) { return rule.updatedAt; });
    m_store.setData(encodeRecordArray(merged), CloudKey::calendarRules);
    m_store.synchronize();
    co_return std::nullopt;
}

} // namespace tolvar

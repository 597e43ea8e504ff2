#include "tolvar/model/CloudSyncService.h"

#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/time/Clock.h"
#include "tolvar/model/RecordJson.h"

#include <QHash>
#include <QPointer>

namespace tolvar {

namespace {

template <typename Record> QVariant decodedArray(const QByteArray& data)
{
    std::optional<QList<Record>> records = decodeRecordArray<Record>(data);
    return records ? QVariant::fromValue(std::move(*records)) : QVariant();
}

} // namespace

CloudSyncService::CloudSyncService(
    platform::UbiquitousKeyValueStore& store, const platform::CloudAccount& account, const platform::Clock& clock)
    : m_store(store)
    , m_account(account)
    , m_clock(clock)
{
    // Another machine's large arrays are then decoded where the store reads them, not on the main thread, and
    // one that is not an array is passed over there instead of failing every sync.
    m_store.setDecoder(CloudKey::meetingSnapshots, decodedArray<MeetingSnapshot>);
    m_store.setDecoder(CloudKey::reminderStates, decodedArray<ReminderState>);
    m_store.setDecoder(CloudKey::calendarRules, decodedArray<CalendarRule>);
    // A store that goes first, against its contract, leaves nothing to write to.
    connect(&m_store, &QObject::destroyed, this, [this] { m_storeGone = true; });
}

CloudSyncService::~CloudSyncService()
{
    if (m_unwrittenMerges.empty() || m_storeGone)
        return;
    // The user's answers must not go with the service, nor supersede unseen what the other machines wrote: the
    // store reads their files here, as no event loop may run again to end the wait.
    m_store.synchronizeAtOnce();
    for (const std::function<void()>& write : m_unwrittenMerges)
        write();
}

bool CloudSyncService::isSignedIn() const
{
    return m_account.ubiquityIdentityToken().has_value();
}

template <typename Record> CloudResult<QList<Record>> CloudSyncService::loadArray(const char* key) const
{
    const std::optional<QByteArray> data = m_store.data(key);
    if (!data)
        return {};
    const QVariant decoded = m_store.decodedData(key);
    if (decoded.metaType() == QMetaType::fromType<QList<Record>>())
        return { decoded.value<QList<Record>>(), std::nullopt };
    QString error;
    std::optional<QList<Record>> records = decodeRecordArray<Record>(*data, &error);
    if (!records)
        return { {}, error };
    return { std::move(*records), std::nullopt };
}

template <typename Record> QCoro::Task<CloudResult<QList<Record>>> CloudSyncService::fetch(const char* key)
{
    if (!isSignedIn())
        co_return {};
    const QPointer<CloudSyncService> self(this);
    const QPointer<platform::UbiquitousKeyValueStore> store(&m_store);
    // A merge written over values older than a peer's file on disk would supersede that peer's write.
    co_await m_store.synchronizeAndWait();
    if (!self || !store)
        co_return { {}, QStringLiteral("The shared store was closed") };
    co_return loadArray<Record>(key);
}

QCoro::Task<CloudResult<QList<ReminderState>>> CloudSyncService::fetchReminderStates()
{
    co_return co_await fetch<ReminderState>(CloudKey::reminderStates);
}

CloudResult<QList<ReminderState>> CloudSyncService::heldReminderStates() const
{
    if (!isSignedIn())
        return {};
    return loadArray<ReminderState>(CloudKey::reminderStates);
}

QCoro::Task<CloudResult<QList<CalendarRule>>> CloudSyncService::fetchCalendarRules()
{
    co_return co_await fetch<CalendarRule>(CloudKey::calendarRules);
}

QCoro::Task<CloudResult<QList<MeetingSnapshot>>> CloudSyncService::syncMeetingSnapshots(
    QList<MeetingSnapshot> local, QString deviceID, RecordWriteBack writeBack, LocalRecords localRecords)
{
    if (!isSignedIn())
        co_return {};
    CloudResult<QList<MeetingSnapshot>> stored = co_await fetch<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        co_return stored;

    QList<MeetingSnapshot> merged = mergedWithStored(stored.value, local, deviceID, localRecords);
    if (needsWriteBack(stored.value, merged, writeBack)) {
        m_store.setDecodedData(encodeRecordArray(merged), QVariant::fromValue(merged), CloudKey::meetingSnapshots);
        m_store.synchronize();
    }
    co_return { std::move(merged), std::nullopt };
}

CloudResult<QList<MeetingSnapshot>> CloudSyncService::heldMeetingSnapshots(
    const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords) const
{
    if (!isSignedIn())
        return {};
    CloudResult<QList<MeetingSnapshot>> stored = loadArray<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        return stored;
    return { mergedWithStored(stored.value, local, deviceID, localRecords), std::nullopt };
}

QList<MeetingSnapshot> CloudSyncService::mergedWithStored(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords) const
{
    QList<MeetingSnapshot> combined;
    combined.reserve(stored.size() + local.size());
    // Until the calendars are read, a meeting missing here may still be there: the other machines keep it.
    for (const MeetingSnapshot& snapshot : stored) {
        if (snapshot.sourceDeviceID != deviceID || localRecords == LocalRecords::partial)
            combined.append(snapshot);
    }
    combined.append(local);
    return mergeSnapshots(combined);
}

bool CloudSyncService::needsWriteBack(
    const QList<MeetingSnapshot>& stored, const QList<MeetingSnapshot>& merged, RecordWriteBack writeBack)
{
    if (writeBack == RecordWriteBack::sightings)
        return true;
    QHash<QString, const MeetingSnapshot*> storedByKey;
    storedByKey.reserve(stored.size());
    for (const MeetingSnapshot& snapshot : stored)
        storedByKey.insert(snapshot.mergeKey(), &snapshot);
    for (const MeetingSnapshot& snapshot : merged) {
        const auto found = storedByKey.constFind(snapshot.mergeKey());
        if (found == storedByKey.constEnd())
            return true;
        if (writeBack == RecordWriteBack::changes) {
            MeetingSnapshot seenThen = snapshot;
            seenThen.lastSeenAt = (*found)->lastSeenAt;
            if (!(seenThen == **found))
                return true;
        }
    }
    return writeBack == RecordWriteBack::changes && merged.size() != stored.size();
}

QList<MeetingSnapshot> CloudSyncService::mergeSnapshots(const QList<MeetingSnapshot>& snapshots) const
{
    const platform::Date now = m_clock.now();
    QHash<QString, qsizetype> indexByKey;
    indexByKey.reserve(snapshots.size());
    QList<MeetingSnapshot> held;
    held.reserve(snapshots.size());
    for (const MeetingSnapshot& snapshot : snapshots) {
        if (snapshot.endDate < now)
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
    return sortedByStart(std::move(held));
}

template <typename Record, typename KeyOf, typename TimeOf>
QCoro::Task<std::optional<QString>> CloudSyncService::storeMerged(
    const char* key, QList<Record> local, KeyOf keyOf, TimeOf timeOf)
{
    if (!isSignedIn() || local.isEmpty())
        co_return std::nullopt;
    const QPointer<CloudSyncService> self(this);
    const auto unwritten = m_unwrittenMerges.insert(m_unwrittenMerges.end(), [this, key, local, keyOf, timeOf] {
        const CloudResult<QList<Record>> stored = loadArray<Record>(key);
        if (!stored.error)
            writeMerged(key, stored.value, local, keyOf, timeOf);
    });
    const CloudResult<QList<Record>> stored = co_await fetch<Record>(key);
    if (!self)
        co_return stored.error;
    m_unwrittenMerges.erase(unwritten);
    if (stored.error)
        co_return stored.error;
    writeMerged(key, stored.value, local, keyOf, timeOf);
    m_store.synchronize();
    co_return std::nullopt;
}

// Leaves the store holding, per `keyOf`, the stored record or the local one, which wins when its time
// is later than or equal to the stored one's.
template <typename Record, typename KeyOf, typename TimeOf>
void CloudSyncService::writeMerged(
    const char* key, const QList<Record>& stored, const QList<Record>& local, KeyOf keyOf, TimeOf timeOf)
{
    QHash<QString, Record> merged;
    for (const Record& record : stored)
        merged.insert(keyOf(record), record);
    for (const Record& record : local) {
        const auto found = merged.constFind(keyOf(record));
        if (found == merged.constEnd() || timeOf(*found) <= timeOf(record))
            merged.insert(keyOf(record), record);
    }
    const QList<Record> records = merged.values();
    m_store.setDecodedData(encodeRecordArray(records), QVariant::fromValue(records), key);
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncReminderStates(QList<ReminderState> local)
{
    co_return co_await storeMerged(
        CloudKey::reminderStates, std::move(local), [](const ReminderState& state) { return state.stableMeetingID; },
        [](const ReminderState& state) { return state.effectiveUpdatedAt(); });
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncCalendarRules(QList<CalendarRule> local)
{
    co_return co_await storeMerged(
        CloudKey::calendarRules, std::move(local), [](const CalendarRule& rule) { return rule.calendarKey; },
        [](const CalendarRule& rule) { return rule.updatedAt; });
}

} // namespace tolvar

#include "tolvar/model/CloudSyncService.h"

#include "platform/ThreadHandOver.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/time/Clock.h"
#include "tolvar/model/RecordJson.h"

#include <QCoro/QCoroFuture>
#include <QHash>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace tolvar {

namespace {

template <typename Record> QVariant decodedArray(const QByteArray& data)
{
    std::optional<QList<Record>> records = decodeRecordArray<Record>(data);
    return records ? QVariant::fromValue(std::move(*records)) : QVariant();
}

// Per `keyOf`, the stored record or the local one, which wins when its time is later than or equal to the stored
// one's.
template <typename Record, typename KeyOf, typename TimeOf>
QList<Record> merged(const QList<Record>& stored, const QList<Record>& local, KeyOf keyOf, TimeOf timeOf)
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

QString reminderStateKey(const ReminderState& state)
{
    return state.stableMeetingID;
}

platform::Date reminderStateTime(const ReminderState& state)
{
    return state.effectiveUpdatedAt();
}

QString calendarRuleKey(const CalendarRule& rule)
{
    return rule.calendarKey;
}

platform::Date calendarRuleTime(const CalendarRule& rule)
{
    return rule.updatedAt;
}

// Records few enough to be merged and encoded in well under a millisecond: not worth a trip to the worker.
constexpr qsizetype recordsMergedAtOnce = 500;

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
    connect(&m_store, &platform::UbiquitousKeyValueStore::peerFilesRead, this, &CloudSyncService::mergeOthersWrites);
    m_worker.setMaxThreadCount(1);
}

CloudSyncService::~CloudSyncService()
{
    // Answers were written as they were given; records are merged again at the next start.
    m_worker.waitForDone();
    if (!m_storeGone)
        m_store.flush();
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

    const QPointer<CloudSyncService> self(this);
    const quint64 merge = ++m_recordMergesBegun;
    MergedRecords merged;
    if (stored.value.size() + local.size() <= recordsMergedAtOnce) {
        merged = mergedRecords(stored.value, local, deviceID, writeBack, localRecords, m_clock.now());
    } else {
        // Tens of thousands of records, and tens of megabytes encoded: not on the caller's thread. The lists are
        // shared, not copied, and only read there.
        const QFuture<MergedRecords> merging = QtConcurrent::run(&m_worker,
            platform::handedOver(
                [stored = stored.value, local, deviceID, writeBack, localRecords, now = m_clock.now()] {
                    return mergedRecords(stored, local, deviceID, writeBack, localRecords, now);
                }));
        merged = co_await merging;
    }
    if (!self || m_storeGone)
        co_return { {}, QStringLiteral("The shared store was closed") };
    if (merged.encoded && merge > m_recordMergeWritten) {
        m_recordMergeWritten = merge;
        m_store.setDecodedData(*merged.encoded, QVariant::fromValue(merged.records), CloudKey::meetingSnapshots);
        m_store.synchronize();
    }
    co_return { std::move(merged.records), std::nullopt };
}

QCoro::Task<CloudResult<QList<MeetingSnapshot>>> CloudSyncService::heldMeetingSnapshots(
    QList<MeetingSnapshot> local, QString deviceID, LocalRecords localRecords)
{
    if (!isSignedIn())
        co_return {};
    CloudResult<QList<MeetingSnapshot>> stored = loadArray<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        co_return stored;
    if (stored.value.size() + local.size() <= recordsMergedAtOnce)
        co_return { mergedWithStored(stored.value, local, deviceID, localRecords, m_clock.now()), std::nullopt };
    // Our own file of the last run alone may hold tens of thousands of records.
    const QPointer<CloudSyncService> self(this);
    QList<MeetingSnapshot> merged = co_await QtConcurrent::run(
        &m_worker, platform::handedOver([stored = stored.value, local, deviceID, localRecords, now = m_clock.now()] {
            return mergedWithStored(stored, local, deviceID, localRecords, now);
        }));
    if (!self)
        co_return { {}, QStringLiteral("The shared store was closed") };
    co_return { std::move(merged), std::nullopt };
}

QList<MeetingSnapshot> CloudSyncService::mergedWithStored(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords, platform::Date now)
{
    QList<MeetingSnapshot> combined;
    combined.reserve(stored.size() + local.size());
    // Until the calendars are read, a meeting missing here may still be there: the other machines keep it.
    for (const MeetingSnapshot& snapshot : stored) {
        if (snapshot.sourceDeviceID != deviceID || localRecords == LocalRecords::partial)
            combined.append(snapshot);
    }
    combined.append(local);
    return mergeSnapshots(combined, now);
}

CloudSyncService::MergedRecords CloudSyncService::mergedRecords(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const QString& deviceID, RecordWriteBack writeBack, LocalRecords localRecords,
    platform::Date now)
{
    MergedRecords merged { mergedWithStored(stored, local, deviceID, localRecords, now), std::nullopt };
    if (needsWriteBack(stored, merged.records, writeBack))
        merged.encoded = encodeRecordArray(merged.records);
    return merged;
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
    return mergeSnapshots(snapshots, m_clock.now());
}

QList<MeetingSnapshot> CloudSyncService::mergeSnapshots(const QList<MeetingSnapshot>& snapshots, platform::Date now)
{
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
std::optional<QString> CloudSyncService::storeMerged(
    const char* key, const QList<Record>& local, KeyOf keyOf, TimeOf timeOf)
{
    if (!isSignedIn() || local.isEmpty())
        return std::nullopt;
    const CloudResult<QList<Record>> stored = loadArray<Record>(key);
    if (stored.error)
        return stored.error;
    // At once, so that the answer reaches the other machines and outlives a quit whatever the store is reading.
    const QList<Record> records = merged(stored.value, local, keyOf, timeOf);
    m_store.setDecodedData(encodeRecordArray(records), QVariant::fromValue(records), key);
    // A write of another machine's that this one superseded unread is merged once the read it starts is in.
    m_store.synchronize();
    return std::nullopt;
}

template <typename Record, typename KeyOf, typename TimeOf>
void CloudSyncService::mergeOthersWrite(const char* key, KeyOf keyOf, TimeOf timeOf)
{
    const QVariant others = m_store.othersDecodedData(key);
    if (others.metaType() != QMetaType::fromType<QList<Record>>())
        return;
    const CloudResult<QList<Record>> held = loadArray<Record>(key);
    if (held.error)
        return;
    QHash<QString, const Record*> heldByKey;
    for (const Record& record : held.value)
        heldByKey.insert(keyOf(record), &record);
    const QList<Record> theirs = others.value<QList<Record>>();
    const bool heldLacksSome = std::any_of(theirs.begin(), theirs.end(), [&](const Record& record) {
        const auto found = heldByKey.constFind(keyOf(record));
        return found == heldByKey.constEnd() || timeOf(**found) < timeOf(record);
    });
    if (!heldLacksSome)
        return;
    const QList<Record> records = merged(theirs, held.value, keyOf, timeOf);
    m_store.setDecodedData(encodeRecordArray(records), QVariant::fromValue(records), key);
}

void CloudSyncService::mergeOthersWrites()
{
    if (!isSignedIn())
        return;
    mergeOthersWrite<ReminderState>(CloudKey::reminderStates, reminderStateKey, reminderStateTime);
    mergeOthersWrite<CalendarRule>(CloudKey::calendarRules, calendarRuleKey, calendarRuleTime);
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncReminderStates(QList<ReminderState> local)
{
    co_return storeMerged(CloudKey::reminderStates, local, reminderStateKey, reminderStateTime);
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncCalendarRules(QList<CalendarRule> local)
{
    co_return storeMerged(CloudKey::calendarRules, local, calendarRuleKey, calendarRuleTime);
}

} // namespace tolvar

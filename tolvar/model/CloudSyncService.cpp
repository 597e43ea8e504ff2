#include "tolvar/model/CloudSyncService.h"

#include "platform/BackgroundRelease.h"
#include "platform/ThreadHandOver.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/time/Clock.h"
#include "tolvar/model/RecordJson.h"

#include <QCoro/QCoroFuture>
#include <QHash>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <vector>

namespace tolvar {

namespace {

template <typename Record> QVariant decodedArray(const QByteArray& data, const std::function<bool()>& stopped)
{
    std::optional<QList<Record>> records = decodeRecordArray<Record>(data, nullptr, stopped);
    return records ? QVariant::fromValue(std::move(*records)) : QVariant();
}

QString recordKey(const ReminderState& state)
{
    return state.stableMeetingID;
}

platform::Date recordTime(const ReminderState& state)
{
    return state.effectiveUpdatedAt();
}

QString recordKey(const CalendarRule& rule)
{
    return rule.calendarKey;
}

platform::Date recordTime(const CalendarRule& rule)
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
    connect(&m_store, &platform::UbiquitousKeyValueStore::peerFilesRead, this, &CloudSyncService::mergeMissedWrites);
    m_worker.setMaxThreadCount(1);
}

template <> CloudSyncService::Unwritten<ReminderState>& CloudSyncService::unwritten<ReminderState>()
{
    return m_unwrittenStates;
}

template <> CloudSyncService::Unwritten<CalendarRule>& CloudSyncService::unwritten<CalendarRule>()
{
    return m_unwrittenRules;
}

CloudSyncService::~CloudSyncService()
{
    // Records are merged again at the next start; answers still being merged are written now.
    m_closing = true;
    m_worker.waitForDone();
    if (m_storeGone)
        return;
    writeUnwritten<ReminderState>(CloudKey::reminderStates);
    writeUnwritten<CalendarRule>(CloudKey::calendarRules);
    m_store.flushAtQuit();
}

bool CloudSyncService::isSignedIn() const
{
    return m_account.ubiquityIdentityToken().has_value();
}

QCoro::Task<bool> CloudSyncService::signedIn()
{
    if (!m_account.isKnown()) {
        const QPointer<CloudSyncService> self(this);
        // Apart from the co_await: g++ 12 destroys a temporary of a co_await expression twice.
        const QFuture<void> known = m_account.known();
        co_await known;
        if (!self)
            co_return false;
    }
    co_return isSignedIn();
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
    const QPointer<CloudSyncService> self(this);
    if (!co_await signedIn())
        co_return {};
    const QPointer<platform::UbiquitousKeyValueStore> store(&m_store);
    // A merge written over values older than a peer's file on disk would supersede that peer's write.
    co_await m_store.synchronizeAndWait();
    if (!self || !store)
        co_return { {}, QStringLiteral("The shared store was closed") };
    co_return loadArray<Record>(key);
}

template <typename Record> QList<Record> CloudSyncService::decodedList(const QVariant& decoded) const
{
    return decoded.metaType() == QMetaType::fromType<QList<Record>>() ? decoded.value<QList<Record>>()
                                                                      : QList<Record>();
}

template <typename Record> QList<QList<Record>> CloudSyncService::everyWrite(const char* key) const
{
    QList<QList<Record>> writes;
    for (const QVariant& write : m_store.everyDecodedData(key))
        writes.append(decodedList<Record>(write));
    return writes;
}

QCoro::Task<bool> CloudSyncService::ownValuesRead()
{
    if (m_store.hasReadOwnValues())
        co_return true;
    const QPointer<CloudSyncService> self(this);
    const bool read = co_await m_store.waitForOwnValues();
    co_return read && !self.isNull();
}

QCoro::Task<CloudResult<QList<ReminderState>>> CloudSyncService::fetchReminderStates()
{
    const CloudResult<QList<ReminderState>> held = co_await fetch<ReminderState>(CloudKey::reminderStates);
    if (held.error || !isSignedIn())
        co_return held;
    co_return co_await mergeAndWrite<ReminderState>(CloudKey::reminderStates, {});
}

CloudResult<QList<ReminderState>> CloudSyncService::heldReminderStates() const
{
    if (!m_account.maySignIn())
        return {};
    return loadArray<ReminderState>(CloudKey::reminderStates);
}

QCoro::Task<CloudResult<QList<CalendarRule>>> CloudSyncService::fetchCalendarRules()
{
    const CloudResult<QList<CalendarRule>> held = co_await fetch<CalendarRule>(CloudKey::calendarRules);
    if (held.error || !isSignedIn())
        co_return held;
    co_return co_await mergeAndWrite<CalendarRule>(CloudKey::calendarRules, {});
}

QCoro::Task<CloudResult<QList<MeetingSnapshot>>> CloudSyncService::syncMeetingSnapshots(
    QList<MeetingSnapshot> local, QString deviceID, RecordWriteBack writeBack, LocalRecords localRecords)
{
    if (!co_await signedIn())
        co_return {};
    CloudResult<QList<MeetingSnapshot>> stored = co_await fetch<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        co_return stored;

    const QPointer<CloudSyncService> self(this);
    const quint64 merge = ++m_recordMergesBegun;
    std::optional<MergedRecords> merged;
    if (stored.value.size() + local.size() <= recordsMergedAtOnce) {
        merged = mergedRecords(stored.value, local, deviceID, writeBack, localRecords, m_clock.now());
    } else {
        // Tens of thousands of records, and tens of megabytes encoded: not on the caller's thread. The lists are
        // shared, not copied, and only read there.
        const QFuture<std::optional<MergedRecords>> merging = QtConcurrent::run(&m_worker,
            platform::handedOver([stored = stored.value, local, deviceID, writeBack, localRecords, now = m_clock.now(),
                                     closing = &m_closing] {
                return mergedRecords(
                    stored, local, deviceID, writeBack, localRecords, now, [closing] { return closing->load(); });
            }));
        merged = co_await merging;
        // Once the store has moved on to newer files, this is the last hold on the old ones' records: freeing them
        // here would hold the main thread.
        platform::releaseInBackground(std::move(stored));
    }
    if (!self || m_storeGone || !merged)
        co_return { {}, QStringLiteral("The shared store was closed") };
    if (merged->encoded && merge > m_recordMergeWritten) {
        m_recordMergeWritten = merge;
        m_store.setDecodedData(*merged->encoded, QVariant::fromValue(merged->records), CloudKey::meetingSnapshots);
        m_store.synchronize();
    }
    co_return { std::move(merged->records), std::nullopt };
}

QCoro::Task<CloudResult<QList<MeetingSnapshot>>> CloudSyncService::heldMeetingSnapshots(
    QList<MeetingSnapshot> local, QString deviceID, LocalRecords localRecords)
{
    if (!m_account.maySignIn())
        co_return {};
    // Our records and answers of the last run: a reminder answered then must not come again.
    const bool ownRead = co_await ownValuesRead();
    if (!ownRead)
        co_return { {}, QStringLiteral("The shared store was closed") };
    // Read with ours, as small files are: the exchange that waits for them gives the records at once, and a merge here
    // too would hold a second copy of tens of thousands beside it.
    if (m_store.hasReadPeerFiles() && m_account.isKnown())
        co_return { {}, QStringLiteral("The other machines' files are read") };
    CloudResult<QList<MeetingSnapshot>> stored = loadArray<MeetingSnapshot>(CloudKey::meetingSnapshots);
    if (stored.error)
        co_return stored;
    if (stored.value.size() + local.size() <= recordsMergedAtOnce)
        co_return { *mergedWithStored(stored.value, local, deviceID, localRecords, m_clock.now()), std::nullopt };
    // Our own file of the last run alone may hold tens of thousands of records.
    const QPointer<CloudSyncService> self(this);
    // Started apart from the co_await: g++ 12 destroys a temporary of a co_await expression twice, and this task's
    // lists with it.
    const QFuture<std::optional<QList<MeetingSnapshot>>> merging = QtConcurrent::run(&m_worker,
        platform::handedOver([stored = stored.value, local, deviceID, localRecords, now = m_clock.now(),
                                 closing = &m_closing] {
            return mergedWithStored(stored, local, deviceID, localRecords, now, [closing] { return closing->load(); });
        }));
    std::optional<QList<MeetingSnapshot>> merged = co_await merging;
    // As in the exchange above: maybe the last hold on what the store has let go.
    platform::releaseInBackground(std::move(stored));
    if (!self || !merged)
        co_return { {}, QStringLiteral("The shared store was closed") };
    co_return { std::move(*merged), std::nullopt };
}

std::optional<QList<MeetingSnapshot>> CloudSyncService::mergedWithStored(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords, platform::Date now,
    const std::function<bool()>& stopped)
{
    // Until the calendars are read, a meeting missing here may still be there: the other machines keep it.
    const auto replaced = [&deviceID, &localRecords](const MeetingSnapshot& snapshot) {
        return snapshot.sourceDeviceID == deviceID && !localRecords.keeps(snapshot);
    };
    return mergeSnapshots(stored, local, replaced, now, stopped);
}

std::optional<CloudSyncService::MergedRecords> CloudSyncService::mergedRecords(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const QString& deviceID, RecordWriteBack writeBack, LocalRecords localRecords,
    platform::Date now, const std::function<bool()>& stopped)
{
    std::optional<QList<MeetingSnapshot>> records
        = mergedWithStored(stored, local, deviceID, localRecords, now, stopped);
    if (!records)
        return std::nullopt;
    MergedRecords merged { std::move(*records), std::nullopt };
    const std::optional<bool> writes = needsWriteBack(stored, merged.records, writeBack, stopped);
    if (writes.has_value() && !*writes)
        return merged;
    if (writes.has_value())
        merged.encoded = encodeRecordArrayUnlessStopped(merged.records, stopped);
    if (!merged.encoded) {
        platform::releaseInBackground(std::move(merged.records));
        return std::nullopt;
    }
    return merged;
}

std::optional<bool> CloudSyncService::needsWriteBack(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& merged, RecordWriteBack writeBack, const std::function<bool()>& stopped)
{
    if (writeBack == RecordWriteBack::sightings)
        return true;
    QHash<QString, const MeetingSnapshot*> storedByKey;
    storedByKey.reserve(stored.size());
    for (const MeetingSnapshot& snapshot : stored) {
        if (stopped && stopped())
            return std::nullopt;
        storedByKey.insert(snapshot.mergeKey(), &snapshot);
    }
    for (const MeetingSnapshot& snapshot : merged) {
        if (stopped && stopped())
            return std::nullopt;
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
    return *mergeSnapshots(snapshots, {}, {}, m_clock.now(), {});
}

std::optional<QList<MeetingSnapshot>> CloudSyncService::mergeSnapshots(const QList<MeetingSnapshot>& stored,
    const QList<MeetingSnapshot>& local, const std::function<bool(const MeetingSnapshot&)>& isReplaced,
    platform::Date now, const std::function<bool()>& stopped)
{
    // Where each record goes is found first, so that the list is made at the size it keeps: both lists' size is twice
    // what it keeps when the calendars' meetings are stored already, and grown as it fills it would hold its records
    // twice at its last growth.
    std::vector<qsizetype> places;
    places.reserve(size_t(stored.size() + local.size()));
    QHash<QString, qsizetype> indexByKey;
    indexByKey.reserve(stored.size() + local.size());
    // Each list is walked where it is: one list of both would be a copy of tens of thousands of records.
    const QList<MeetingSnapshot>* lists[] = { &stored, &local };
    for (int part = 0; part < 2; ++part) {
        for (const MeetingSnapshot& snapshot : *lists[part]) {
            if (stopped && stopped()) {
                platform::releaseInBackground(std::move(indexByKey));
                return std::nullopt;
            }
            const bool replaced = part == 0 && isReplaced && isReplaced(snapshot);
            if (replaced || snapshot.endDate < now) {
                places.push_back(-1);
                continue;
            }
            const QString key = snapshot.mergeKey();
            const auto found = indexByKey.constFind(key);
            places.push_back(found == indexByKey.constEnd() ? indexByKey.size() : *found);
            if (found == indexByKey.constEnd())
                indexByKey.insert(key, places.back());
        }
    }
    QList<MeetingSnapshot> held;
    held.reserve(indexByKey.size());
    indexByKey.clear();
    auto place = places.cbegin();
    for (const QList<MeetingSnapshot>* list : lists) {
        for (const MeetingSnapshot& snapshot : *list) {
            if (stopped && stopped()) {
                platform::releaseInBackground(std::move(held));
                return std::nullopt;
            }
            const qsizetype at = *place++;
            if (at == held.size())
                held.append(snapshot);
            else if (at >= 0 && held[at].lastSeenAt < snapshot.lastSeenAt)
                held[at] = snapshot;
        }
    }
    return sortedByStart(std::move(held));
}

template <typename Record>
CloudSyncService::MergedWrites<Record> CloudSyncService::mergedWrites(
    const QList<Record>& held, const QList<QList<Record>>& missed, const QList<Record>& answers)
{
    MergedWrites<Record> merged { held, std::nullopt };
    QHash<QString, qsizetype> indexByKey;
    indexByKey.reserve(held.size());
    for (qsizetype index = 0; index < held.size(); ++index)
        indexByKey.insert(recordKey(held[index]), index);
    bool changed = false;
    const auto take = [&](const Record& record, bool winsATie) {
        const QString key = recordKey(record);
        const auto found = indexByKey.constFind(key);
        if (found == indexByKey.constEnd()) {
            indexByKey.insert(key, merged.records.size());
            merged.records.append(record);
            changed = true;
            return;
        }
        Record& kept = merged.records[*found];
        const bool newer = recordTime(kept) < recordTime(record)
            || (winsATie && recordTime(kept) == recordTime(record) && !(kept == record));
        if (newer) {
            kept = record;
            changed = true;
        }
    };
    for (const QList<Record>& write : missed) {
        for (const Record& record : write)
            take(record, false);
    }
    for (const Record& record : answers)
        take(record, true);
    if (changed)
        merged.encoded = encodeRecordArray(merged.records);
    return merged;
}

template <typename Record>
QCoro::Task<CloudResult<QList<Record>>> CloudSyncService::mergeAndWrite(const char* key, QList<Record> answers)
{
    Unwritten<Record>& unwritten = this->unwritten<Record>();
    unwritten.answers += answers;
    // A value merged without what this machine wrote before would drop it. A quit meanwhile merges the answers as it
    // waits for our file.
    const bool ownRead = co_await ownValuesRead();
    if (!ownRead)
        co_return { {}, QStringLiteral("The shared store was closed") };
    const CloudResult<QList<Record>> held = loadArray<Record>(key);
    if (held.error)
        co_return held;
    const QList<QList<Record>> missed = everyWrite<Record>(key);
    qsizetype records = held.value.size() + unwritten.answers.size();
    for (const QList<Record>& write : missed)
        records += write.size();
    const quint64 merge = ++unwritten.mergesBegun;
    const bool answered = !unwritten.answers.isEmpty();
    MergedWrites<Record> merged;
    if (records <= recordsMergedAtOnce) {
        merged = mergedWrites(held.value, missed, unwritten.answers);
    } else {
        // Tens of thousands of states, and megabytes encoded: not on the caller's thread. A quit meanwhile writes
        // what it makes.
        const QPointer<CloudSyncService> self(this);
        unwritten.lastMerge = QtConcurrent::run(
            &m_worker, platform::handedOver([value = held.value, missed, answers = unwritten.answers] {
                return mergedWrites<Record>(value, missed, answers);
            }));
        merged = co_await QFuture<MergedWrites<Record>>(unwritten.lastMerge);
        if (!self || m_storeGone)
            co_return { {}, QStringLiteral("The shared store was closed") };
    }
    if (merge == unwritten.mergesBegun)
        write(key, merged, answered);
    co_return { std::move(merged.records), std::nullopt };
}

template <typename Record>
void CloudSyncService::write(const char* key, const MergedWrites<Record>& merged, bool answered)
{
    Unwritten<Record>& unwritten = this->unwritten<Record>();
    unwritten.answers.clear();
    unwritten.lastMerge = {};
    if (!merged.encoded)
        return;
    m_store.setDecodedData(*merged.encoded, QVariant::fromValue(merged.records), key);
    // A write of another machine's that this one superseded unread is merged once the read it starts is in.
    if (answered)
        m_store.synchronize();
}

template <typename Record> void CloudSyncService::writeUnwritten(const char* key)
{
    Unwritten<Record>& unwritten = this->unwritten<Record>();
    const QFuture<MergedWrites<Record>> merge = unwritten.lastMerge;
    if (merge.isValid() && merge.isFinished() && merge.resultCount() > 0) {
        write(key, merge.result(), false);
        return;
    }
    if (unwritten.answers.isEmpty())
        return;
    // Given before our own file was read, they wait for it; the quit waits here instead.
    m_store.readOwnValuesNow();
    const CloudResult<QList<Record>> held = loadArray<Record>(key);
    if (!held.error)
        write(key, mergedWrites(held.value, everyWrite<Record>(key), unwritten.answers), false);
}

void CloudSyncService::mergeMissedWrites()
{
    if (!isSignedIn())
        return;
    mergeAndWrite<ReminderState>(CloudKey::reminderStates, {});
    mergeAndWrite<CalendarRule>(CloudKey::calendarRules, {});
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncReminderStates(QList<ReminderState> local)
{
    if (!m_account.maySignIn() || local.isEmpty())
        co_return std::nullopt;
    co_return (co_await mergeAndWrite(CloudKey::reminderStates, std::move(local))).error;
}

QCoro::Task<std::optional<QString>> CloudSyncService::syncCalendarRules(QList<CalendarRule> local)
{
    if (!m_account.maySignIn() || local.isEmpty())
        co_return std::nullopt;
    co_return (co_await mergeAndWrite(CloudKey::calendarRules, std::move(local))).error;
}

} // namespace tolvar

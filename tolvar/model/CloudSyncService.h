#pragma once

#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/ReminderState.h"

#include <QCoro/QCoroTask>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>

namespace platform {
class Clock;
class CloudAccount;
class UbiquitousKeyValueStore;
} // namespace platform

namespace tolvar {

namespace CloudKey {
inline constexpr char meetingSnapshots[] = "tolvar.meetingSnapshots.v1";
inline constexpr char reminderStates[] = "tolvar.reminderStates.v1";
inline constexpr char calendarRules[] = "tolvar.calendarRules.v1";
} // namespace CloudKey

// The outcome of a cloud operation: the value, or the description of what went wrong.
template <typename T> struct CloudResult
{
    T value {};
    std::optional<QString> error;
};

// What a record sync writes back when the merged records hold nothing new but sightings. Each
// machine's write is another's external change, so what answers one must not write again for nothing.
enum class RecordWriteBack {
    // Only when the store lacks a meeting the merge holds.
    missingMeetings,
    // Also when a record changed in anything but its sighting time, or left.
    changes,
    // Always, so that the sightings are recorded too.
    sightings,
};

// Which of this machine's earlier records the local ones stand for: all of them once the calendars are read whole.
struct LocalRecords
{
    // None while a calendar read is under way: a meeting missing from the local ones may still be there.
    bool partial = false;
    // Nor those of files whose content is not known: one whose item identifier begins with one of these stays.
    QStringList unknownItemPrefixes;

    // Whether this machine's earlier `record` stays beside the local ones.
    bool keeps(const MeetingSnapshot& record) const
    {
        const QString item = record.calendarItemIdentifier.value_or(QString());
        return partial
            || std::any_of(unknownItemPrefixes.cbegin(), unknownItemPrefixes.cend(),
                [&item](const QString& prefix) { return item.startsWith(prefix); });
    }
};

// Shares meeting records, reminder states and calendar rules with the user's other machines through
// the shared key-value store, merging them with the local ones. Does nothing while signed out. A merge of
// meeting records waits for the store to hold what the other machines have written, without holding the
// thread, and is made on the service's own thread. States and rules are written as soon as they are merged, and
// merged again with our own last write and another machine's newest whenever the store has read the other
// machines' files, so that neither a write of theirs that ours superseded unread nor one of ours that theirs
// superseded unseen is lost. Large arrays are merged and encoded on the service's own thread.
class CloudSyncService : public QObject
{
    Q_OBJECT
public:
    CloudSyncService(
        platform::UbiquitousKeyValueStore& store, const platform::CloudAccount& account, const platform::Clock& clock);
    // Keeps every answer given so far; the store must outlive the service.
    ~CloudSyncService() override;

    platform::UbiquitousKeyValueStore& store() const { return m_store; }
    bool isSignedIn() const;
    // Once the account is known; false when signed out, or when this service went meanwhile.
    QCoro::Task<bool> signedIn();

    // Returns every machine's current records merged with the local ones, this machine's earlier
    // records replaced by `local` but for those `localRecords` keeps; writes them back as `writeBack` says.
    QCoro::Task<CloudResult<QList<MeetingSnapshot>>> syncMeetingSnapshots(QList<MeetingSnapshot> local,
        QString deviceID, RecordWriteBack writeBack = RecordWriteBack::sightings, LocalRecords localRecords = {});
    // What syncMeetingSnapshots() would return from what the store holds once it has read this machine's own file,
    // without waiting for the other machines' files or writing; an error once those are read too.
    QCoro::Task<CloudResult<QList<MeetingSnapshot>>> heldMeetingSnapshots(
        QList<MeetingSnapshot> local, QString deviceID, LocalRecords localRecords);
    // Once the store has read the other machines' files, with the writes of theirs and ours that the other missed.
    QCoro::Task<CloudResult<QList<ReminderState>>> fetchReminderStates();
    // The reminder states the store holds now, without waiting for it: this machine's own once heldMeetingSnapshots()
    // has returned.
    CloudResult<QList<ReminderState>> heldReminderStates() const;
    QCoro::Task<CloudResult<QList<CalendarRule>>> fetchCalendarRules();
    // Leave the store holding the newest state or rule per key, the local one winning a tie.
    // Return the error, if any.
    QCoro::Task<std::optional<QString>> syncReminderStates(QList<ReminderState> local);
    QCoro::Task<std::optional<QString>> syncCalendarRules(QList<CalendarRule> local);

    // Drops ended records and keeps, per record merge key, the latest sighting (the earlier-listed
    // record wins a tie); sorted by start.
    QList<MeetingSnapshot> mergeSnapshots(const QList<MeetingSnapshot>& snapshots) const;

private:
    // Records merged, and encoded when they are to be written.
    struct MergedRecords
    {
        QList<MeetingSnapshot> records;
        std::optional<QByteArray> encoded;
    };

    // None once `stopped()` holds.
    static std::optional<MergedRecords> mergedRecords(const QList<MeetingSnapshot>& stored,
        const QList<MeetingSnapshot>& local, const QString& deviceID, RecordWriteBack writeBack,
        LocalRecords localRecords, platform::Date now, const std::function<bool()>& stopped = {});
    // These give none once `stopped()` holds. The records of `stored`, but those `isReplaced` names, come before
    // those of `local`.
    static std::optional<QList<MeetingSnapshot>> mergeSnapshots(const QList<MeetingSnapshot>& stored,
        const QList<MeetingSnapshot>& local, const std::function<bool(const MeetingSnapshot&)>& isReplaced,
        platform::Date now, const std::function<bool()>& stopped);
    static std::optional<QList<MeetingSnapshot>> mergedWithStored(const QList<MeetingSnapshot>& stored,
        const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords, platform::Date now,
        const std::function<bool()>& stopped = {});
    // None once `stopped()` holds: tens of thousands of keys are made here, which a quit must not wait for.
    static std::optional<bool> needsWriteBack(const QList<MeetingSnapshot>& stored,
        const QList<MeetingSnapshot>& merged, RecordWriteBack writeBack, const std::function<bool()>& stopped);
    // Per record, the newest of the key's value, the writes its value may have missed and the answers.
    template <typename Record> struct MergedWrites
    {
        QList<Record> records;
        // Only when that differs from the key's value.
        std::optional<QByteArray> encoded;
    };
    // Answers to a key of records not written yet, and the merges that write them.
    template <typename Record> struct Unwritten
    {
        QList<Record> answers;
        quint64 mergesBegun = 0;
        // The last merge begun on the worker, which holds every answer not written yet.
        QFuture<MergedWrites<Record>> lastMerge;
    };

    template <typename Record> CloudResult<QList<Record>> loadArray(const char* key) const;
    template <typename Record> QList<Record> decodedList(const QVariant& decoded) const;
    // What the key's decoder made of each machine's last write of it.
    template <typename Record> QList<QList<Record>> everyWrite(const char* key) const;
    // Once the store holds what this machine wrote before; false when this service or its store went meanwhile.
    QCoro::Task<bool> ownValuesRead();
    // Fails when this service or its store went during the wait.
    template <typename Record> QCoro::Task<CloudResult<QList<Record>>> fetch(const char* key);
    template <typename Record> Unwritten<Record>& unwritten();
    template <typename Record>
    static MergedWrites<Record> mergedWrites(
        const QList<Record>& held, const QList<QList<Record>>& missed, const QList<Record>& answers);
    // Merges the answers and the writes the key's value may have missed into it, and writes what changed. An
    // earlier merge that ends after a later one writes nothing: the later holds its answers.
    template <typename Record>
    QCoro::Task<CloudResult<QList<Record>>> mergeAndWrite(const char* key, QList<Record> answers);
    template <typename Record> void write(const char* key, const MergedWrites<Record>& merged, bool answered);
    template <typename Record> void writeUnwritten(const char* key);
    void mergeMissedWrites();

    platform::UbiquitousKeyValueStore& m_store;
    const platform::CloudAccount& m_account;
    const platform::Clock& m_clock;
    bool m_storeGone = false;
    // Set as the service goes: a merge of meeting records under way gives up, as the next start makes it again.
    std::atomic_bool m_closing = false;
    // Merges and encodes meeting records, one merge after another.
    QThreadPool m_worker;
    // Which merge of meeting records began last, and which of them wrote last: an earlier one that ends later
    // writes nothing.
    quint64 m_recordMergesBegun = 0;
    quint64 m_recordMergeWritten = 0;
    Unwritten<ReminderState> m_unwrittenStates;
    Unwritten<CalendarRule> m_unwrittenRules;
};

} // namespace tolvar

#pragma once

#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/ReminderState.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <list>
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

// Whether the local records are all of this machine's meetings, or those of a calendar read not yet complete.
enum class LocalRecords { complete, partial };

// Shares meeting records, reminder states and calendar rules with the user's other machines through
// the shared key-value store, merging them with the local ones. Does nothing while signed out. Every
// merge waits for the store to hold what the other machines have written, without holding the thread.
class CloudSyncService : public QObject
{
    Q_OBJECT
public:
    CloudSyncService(
        platform::UbiquitousKeyValueStore& store, const platform::CloudAccount& account, const platform::Clock& clock);
    // Writes the states and rules still waiting for the store, which must outlive the service.
    ~CloudSyncService() override;

    platform::UbiquitousKeyValueStore& store() const { return m_store; }
    bool isSignedIn() const;

    // Returns every machine's current records merged with the local ones, this machine's earlier
    // records replaced by `local` (kept beside it while `local` is partial); writes them back as `writeBack` says.
    QCoro::Task<CloudResult<QList<MeetingSnapshot>>> syncMeetingSnapshots(QList<MeetingSnapshot> local,
        QString deviceID, RecordWriteBack writeBack = RecordWriteBack::sightings,
        LocalRecords localRecords = LocalRecords::complete);
    // What syncMeetingSnapshots() would return from what the store holds now, without waiting for it or writing.
    CloudResult<QList<MeetingSnapshot>> heldMeetingSnapshots(
        const QList<MeetingSnapshot>& local, const QString& deviceID, LocalRecords localRecords) const;
    QCoro::Task<CloudResult<QList<ReminderState>>> fetchReminderStates();
    // The reminder states the store holds now, without waiting for it.
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
    QList<MeetingSnapshot> mergedWithStored(const QList<MeetingSnapshot>& stored, const QList<MeetingSnapshot>& local,
        const QString& deviceID, LocalRecords localRecords) const;
    static bool needsWriteBack(
        const QList<MeetingSnapshot>& stored, const QList<MeetingSnapshot>& merged, RecordWriteBack writeBack);
    template <typename Record> CloudResult<QList<Record>> loadArray(const char* key) const;
    // Fails when this service or its store went during the wait.
    template <typename Record> QCoro::Task<CloudResult<QList<Record>>> fetch(const char* key);
    template <typename Record, typename KeyOf, typename TimeOf>
    QCoro::Task<std::optional<QString>> storeMerged(const char* key, QList<Record> local, KeyOf keyOf, TimeOf timeOf);
    template <typename Record, typename KeyOf, typename TimeOf>
    void writeMerged(
        const char* key, const QList<Record>& stored, const QList<Record>& local, KeyOf keyOf, TimeOf timeOf);

    platform::UbiquitousKeyValueStore& m_store;
    const platform::CloudAccount& m_account;
    const platform::Clock& m_clock;
    // The merges of storeMerged() that still wait for the store, each as the write it makes of what the store holds.
    std::list<std::function<void()>> m_unwrittenMerges;
    bool m_storeGone = false;
};

} // namespace tolvar

#include "AppModelHarness.h"

#include "platform/calendar/ICalendarStore.h"
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/model/RecordJson.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>
#include <utility>

using namespace appmodeltest;
using namespace tolvar;

namespace {

ReminderState dismissedState(const MeetingSnapshot& meeting, platform::Date at)
{
    ReminderState state;
    state.stableMeetingID = meeting.id;
    state.dismissedAt = at;
    state.firedForStartDate = meeting.startDate;
    state.updatedAt = at;
    return state;
}

// Lets the file watchers report and the refreshes they start run, for `ms` of real time.
void pumpFor(int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

// Far above what any wait here needs, on the busiest machine.
constexpr int longestWaitMs = 300'000;

// Pumps until `done` holds: a folder's merges wait for its reads, which run on other threads.
template <typename Condition> bool pumpUntil(Condition done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < longestWaitMs)
        pumpFor(5);
    return done();
}

QString makeCloudFolder(const QTemporaryDir& root)
{
    const QString folder = root.filePath("cloud");
    platform::FolderCloudAccount::createFolderIfMissing(folder);
    return folder;
}

// Two machines, each with its own settings and calendar store, on one real cloud folder.
struct TwoMachines
{
    TwoMachines(platform::TestClock& clock, const platform::StoreCalendar& calendar, const platform::StoreEvent& shared)
        : account(folder, clock)
        , storeA(folder, "laptop", clock)
        , storeB(folder, "desktop", clock)
        , a(clock, defaultsA, storeA, account)
        , b(clock, defaultsB, storeB, account)
    {
        for (Machine* m : { &a, &b }) {
            m->eventStore.setAuthorizationStatus(
                platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
            m->eventStore.setCalendars(platform::EntityType::event, { calendar });
            m->eventStore.setEvents({ shared });
            m->defaults.setStringArray(SettingsKey::selectedCalendarIDs, { calendar.identifier });
        }
        modelA = a.makeModel();
        modelB = b.makeModel();
        // Meetings are published before the first exchange too: until both have exchanged.
        pumpUntil([this] {
            return modelA->meetings().size() == 1 && modelB->meetings().size() == 1
                && modelA->syncState() == AppModel::SyncState::synced
                && modelB->syncState() == AppModel::SyncState::synced;
        });
    }

    QTemporaryDir root;
    const QString folder = makeCloudFolder(root);
    const platform::FolderCloudAccount account;
    platform::FolderKeyValueStore storeA;
    platform::FolderKeyValueStore storeB;
    platform::MemoryUserDefaults defaultsA;
    platform::MemoryUserDefaults defaultsB;
    Machine a;
    Machine b;
    std::unique_ptr<AppModel> modelA;
    std::unique_ptr<AppModel> modelB;
};

} // namespace

class RefreshTest : public AppModelTest
{
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        grantAccess();
        defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
        machine.eventStore.setEvents(
            { event("Standup", clock.now().addingSeconds(600), clock.now().addingSeconds(1200), work) });
    }
};

TEST_F(RefreshTest, WithoutAnAccountOnlyLocalMeetingsArePublished)
{
    account.setToken(std::nullopt);
    AppModel& app = started();
    const QHash<QString, ReminderState> states { { "x",
        dismissedState(meeting("X", clock.now(), clock.now()), clock.now()) } };
    app.setReminderStates(states);
    store.setRemoteData(encodeRecordArray(QList<ReminderState> {}), CloudKey::reminderStates);
    machine.scheduler->evaluateCount = 0;
    app.refresh();
    settle();
    ASSERT_EQ(app.meetings().size(), 1);
    EXPECT_EQ(app.meetings()[0].title, "Standup");
    EXPECT_EQ(app.syncStatus(), "Cloud folder sync disabled - local reminders only");
    EXPECT_EQ(app.syncState(), tolvar::AppModel::SyncState::disabled);
    EXPECT_EQ(app.reminderStates(), states);
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(machine.scheduler->evaluateCount, 1);
}

TEST_F(RefreshTest, WithAnAccountRecordsStatesAndRulesAreExchanged)
{
    const MeetingSnapshot remote = meeting("Review", clock.now().addingSeconds(3600), clock.now().addingSeconds(7200));
    MeetingSnapshot other = remote;
    other.sourceDeviceID = "OTHER";
    store.setRemoteData(encodeRecordArray(QList<MeetingSnapshot> { other }), CloudKey::meetingSnapshots);
    store.setRemoteData(
        encodeRecordArray(QList<ReminderState> { dismissedState(remote, clock.now()) }), CloudKey::reminderStates);
    CalendarRule rule;
    rule.calendarKey = "Work\x1FTeam";
    rule.showOverlay = false;
    rule.updatedAt = clock.now();
    store.setRemoteData(encodeRecordArray(QList<CalendarRule> { rule }), CloudKey::calendarRules);

    AppModel& app = started();
    ASSERT_EQ(app.meetings().size(), 2);
    EXPECT_EQ(app.meetings()[0].title, "Standup");
    EXPECT_EQ(app.meetings()[1].title, "Review");
    EXPECT_TRUE(app.isReminderSuppressed(app.meetings()[1]));
    EXPECT_FALSE(app.calendarRules().value(rule.calendarKey).showOverlay);
    EXPECT_TRUE(app.syncStatus().startsWith("Synced 10:00")) << app.syncStatus().toStdString();
    EXPECT_EQ(app.syncState(), tolvar::AppModel::SyncState::synced);
    // This machine's meetings went to the store.
    const auto stored = decodeRecordArray<MeetingSnapshot>(*store.data(CloudKey::meetingSnapshots));
    EXPECT_EQ(stored->size(), 2);
}

TEST_F(RefreshTest, EachFailingStoreCallKeepsStatesAndRulesAndStillFinishes)
{
    for (const char* key : { CloudKey::meetingSnapshots, CloudKey::reminderStates, CloudKey::calendarRules }) {
        SCOPED_TRACE(key);
        platform::MemoryKeyValueStore failing;
        Machine other(clock, defaults, failing, account);
        std::unique_ptr<AppModel> app = other.makeModel();
        settle();
        const QHash<QString, ReminderState> states { { "kept",
            dismissedState(meeting("Kept", clock.now(), clock.now()), clock.now()) } };
        app->setReminderStates(states);
        const QMap<QString, CalendarRule> rules = app->calendarRules();
        failing.setRemoteData("{not json", key);
        app->setLastRefreshAt(std::nullopt);
        app->refresh();
        settle();
        EXPECT_TRUE(app->syncStatus().startsWith("Cloud folder sync failed: ")) << app->syncStatus().toStdString();
        EXPECT_EQ(app->syncState(), tolvar::AppModel::SyncState::failed);
        EXPECT_EQ(app->reminderStates(), states);
        EXPECT_EQ(app->calendarRules(), rules);
        EXPECT_TRUE(app->lastRefreshAt().has_value());
    }
}

TEST_F(RefreshTest, RemoteTiesWinAndNewerLocalStatesArePushedBack)
{
    AppModel& app = started();
    const MeetingSnapshot standup = app.meetings()[0];
    const platform::Date t = clock.now();

    ReminderState local = dismissedState(standup, t);
    ReminderState remote;
    remote.stableMeetingID = standup.id;
    remote.snoozedUntil = t.addingSeconds(60);
    remote.updatedAt = t;
    app.setReminderStates({ { standup.id, local } });
    store.setRemoteData(encodeRecordArray(QList<ReminderState> { remote }), CloudKey::reminderStates);
    app.refresh();
    settle();
    EXPECT_EQ(app.reminderStates()[standup.id], remote);

    // An older remote state loses and the local one goes back to the store.
    local.updatedAt = t.addingSeconds(5);
    app.setReminderStates({ { standup.id, local } });
    app.refresh();
    settle();
    EXPECT_EQ(app.reminderStates()[standup.id], local);
    const auto stored = decodeRecordArray<ReminderState>(*store.data(CloudKey::reminderStates));
    ASSERT_EQ(stored->size(), 1);
    EXPECT_EQ(stored->first(), local);
}

TEST_F(RefreshTest, TheOverlayStaysWhileOneShownMeetingIsStillDue)
{
    machine.eventStore.setEvents({ event("A", clock.now().addingSeconds(5), clock.now().addingSeconds(600), work),
        event("B", clock.now().addingSeconds(5), clock.now().addingSeconds(900), work) });
    AppModel& app = started();
    ASSERT_EQ(app.meetings().size(), 2);
    machine.overlay.show(app.meetings(), true, 0, false, 180, {}, {}, {});

    store.setRemoteData(encodeRecordArray(QList<ReminderState> { dismissedState(app.meetings()[0], clock.now()) }),
        CloudKey::reminderStates);
    app.refresh();
    settle();
    EXPECT_TRUE(machine.overlay.visible);

    store.setRemoteData(encodeRecordArray(QList<ReminderState> { dismissedState(app.meetings()[0], clock.now()),
                            dismissedState(app.meetings()[1], clock.now()) }),
        CloudKey::reminderStates);
    app.refresh();
    settle();
    EXPECT_FALSE(machine.overlay.visible);
}

TEST_F(RefreshTest, AnEventWhosePlaceOnlyNamesAnOnlineServiceIsStillAMeeting)
{
    // Mail programs write the service's name where the place goes; the calendar takes meetings only.
    platform::StoreEvent named
        = event("Vendor call", clock.now().addingSeconds(600), clock.now().addingSeconds(1200), work);
    named.url.reset();
    named.location = QStringLiteral("Microsoft Teams Meeting");
    platform::StoreEvent invitation
        = event("Weekly sync", clock.now().addingSeconds(900), clock.now().addingSeconds(1800), work);
    invitation.url.reset();
    invitation.location = QStringLiteral("Zoom Meeting");
    invitation.notes = QStringLiteral("Join: https://acme.zoom.us/j/123");
    machine.eventStore.setEvents({ named, invitation });
    AppModel& app = started();

    ASSERT_EQ(app.meetings().size(), 2) << "an event with a place is a meeting";
    const MeetingSnapshot vendor = app.meetings()[0];
    const MeetingSnapshot sync = app.meetings()[1];
    EXPECT_EQ(vendor.location, "Microsoft Teams Meeting") << "kept for copying";
    EXPECT_EQ(vendor.kind(), tolvar::MeetingKind::calendarEvent) << "not in person";
    EXPECT_EQ(sync.location, "Zoom Meeting");
    EXPECT_EQ(sync.kind(), tolvar::MeetingKind::online) << "not hybrid";
    EXPECT_FALSE(tolvar::placeName(vendor.location)) << "no place line and no map for it";

    EXPECT_FALSE(app.isReminderSuppressed(vendor));
    app.setOnlyRemindMeetingsWithJoinLink(true);
    EXPECT_TRUE(app.isReminderSuppressed(vendor)) << "a location without a link";
    EXPECT_FALSE(app.isReminderSuppressed(sync));
}

TEST_F(RefreshTest, TasksAreFetchedOnlyFromSelectedLists)
{
    platform::StoreReminder task;
    task.calendar = tasks;
    task.title = "File taxes";
    task.due = platform::DueDate { clock.now().addingSeconds(3600), true };
    task.itemIdentifier = "t1";
    machine.eventStore.setReminders({ task });
    AppModel& app = started();
    EXPECT_EQ(app.meetings().size(), 1);
    app.setReminderList("tasks", true);
    settle();
    ASSERT_EQ(app.meetings().size(), 2);
    EXPECT_TRUE(app.meetings()[1].isTask);
}

TEST(MeetingMerge, DuplicatesMergeByMinuteTitleAndLink)
{
    const platform::Date start = platform::Date::fromSecondsSince1970(1'800'000'000);
    MeetingSnapshot a = meeting("  Weekly   Sync ", start, start.addingSeconds(1800), "https://Zoom.us/j/1");
    MeetingSnapshot b
        = meeting("weekly sync", start.addingSeconds(20), start.addingSeconds(1810), "https://zoom.us/j/1");
    EXPECT_EQ(AppModel::meetingIdentityKey(a), AppModel::meetingIdentityKey(b));
    MeetingSnapshot c = b;
    c.startDate = start.addingSeconds(60);
    EXPECT_NE(AppModel::meetingIdentityKey(a), AppModel::meetingIdentityKey(c));

    // Equal sightings keep the first; its empty link and location are filled from the other.
    a.joinURL.reset();
    b.location = "Room 1";
    a.attendees = {};
    b.organizerName = "Kim";
    const MeetingSnapshot merged = AppModel::mergeDuplicate(a, b);
    EXPECT_EQ(merged.title, a.title);
    EXPECT_EQ(merged.joinURL, b.joinURL);
    EXPECT_EQ(merged.location, b.location);
    EXPECT_FALSE(merged.organizerName.has_value());
    b.lastSeenAt = a.lastSeenAt.addingSeconds(1);
    EXPECT_EQ(AppModel::mergeDuplicate(a, b).title, b.title);
}

TEST_F(AppModelTest, DedupeDropsEndedMeetingsButKeepsOneEndingNow)
{
    AppModel& app = started();
    const platform::Date now = clock.now();
    const QList<MeetingSnapshot> merged
        = app.dedupeMeetings({ meeting("Later", now.addingSeconds(60), now.addingSeconds(120)),
            meeting("Ended", now.addingSeconds(-600), now.addingSeconds(-1)),
            meeting("EndsNow", now.addingSeconds(-600), now) });
    ASSERT_EQ(merged.size(), 2);
    EXPECT_EQ(merged[0].title, "EndsNow");
    EXPECT_EQ(merged[1].title, "Later");

    // A model that goes does not wait for the rest of a deduplication.
    QList<MeetingSnapshot> many;
    for (int i = 0; i < 1000; ++i)
        many.append(meeting(QString::number(i), now.addingSeconds(60), now.addingSeconds(120)));
    int asked = 0;
    EXPECT_FALSE(AppModel::dedupeMeetings(many, {}, now, [&] { return ++asked > 10; }));
    EXPECT_LT(asked, 20);
    // The answer is made at the size it keeps: no spare room is held with tens of thousands of meetings.
    const std::optional<QList<MeetingSnapshot>> once = AppModel::dedupeMeetings(many, many, now, {});
    ASSERT_EQ(once->size(), many.size());
    EXPECT_EQ(once->capacity(), once->size());
}

// Two machines share one real cloud folder, each writing its own file.
TEST_F(AppModelTest, TwoMachinesExchangeReminderStatesAndRulesThroughOneFolder)
{
    TwoMachines machines(
        clock, work, event("Planning", clock.now().addingSeconds(900), clock.now().addingSeconds(2700), work));
    AppModel& modelA = *machines.modelA;
    AppModel& modelB = *machines.modelB;
    ASSERT_EQ(modelA.meetings().size(), 1);
    ASSERT_EQ(modelB.meetings().size(), 1);
    EXPECT_TRUE(modelA.syncStatus().startsWith("Synced")) << modelA.syncStatus().toStdString();
    const MeetingSnapshot planning = modelA.meetings()[0];
    EXPECT_EQ(planning.id, modelB.meetings()[0].id);

    // The laptop dismisses it and turns the sound off for the calendar; the desktop learns both.
    clock.advance(1);
    modelA.dismissReminder(planning);
    modelA.setRuleFlag(AppModel::RuleFlag::playSound, false, { "work", "Team", "Work" });
    settle();
    clock.advance(1);
    modelB.refresh();
    EXPECT_TRUE(pumpUntil([&] {
        return modelB.isReminderSuppressed(planning) && !modelB.calendarRule({ "work", "Team", "Work" }).playSound;
    }));
    EXPECT_FALSE(modelB.calendarRule({ "work", "Team", "Work" }).playSound);
    EXPECT_EQ(modelB.reminderStates()[planning.id], modelA.reminderStates()[planning.id]);

    // The desktop snoozes later: the newer state wins on the laptop.
    clock.advance(1);
    modelB.snoozeReminders({ planning }, 60);
    settle();
    clock.advance(1);
    modelA.refresh();
    pumpUntil([&] { return modelA.reminderStates()[planning.id].snoozedUntil.has_value(); });
    EXPECT_TRUE(modelA.reminderStates()[planning.id].snoozedUntil.has_value());
    EXPECT_FALSE(modelA.reminderStates()[planning.id].dismissedAt.has_value());
}

// Each machine's write is the other's external change: answering it must not write again for nothing.
TEST_F(AppModelTest, TwoMachinesOnOneFolderComeToRestAfterAChange)
{
    TwoMachines machines(
        clock, work, event("Planning", clock.now().addingSeconds(3600), clock.now().addingSeconds(7200), work));
    AppModel& modelA = *machines.modelA;
    AppModel& modelB = *machines.modelB;
    ASSERT_TRUE(
        pumpUntil([&] { return !machines.storeA.isReadingPeerFiles() && !machines.storeB.isReadingPeerFiles(); }));
    ASSERT_EQ(modelB.meetings().size(), 1);
    const MeetingSnapshot planning = modelB.meetings()[0];
    machines.a.scheduler->evaluateCount = 0;
    machines.b.scheduler->evaluateCount = 0;

    // The dismissal crosses at once, through the desktop's own notice of the change.
    clock.advance(1);
    modelA.dismissReminder(planning);
    EXPECT_TRUE(pumpUntil([&] { return modelB.isReminderSuppressed(planning); }));

    // Ten minutes: each side refreshes on its minute timer and once for each of the other's minute
    // writes, and no more.
    for (int step = 0; step < 60; ++step) {
        clock.advance(10);
        pumpFor(25);
        pumpUntil([&] { return !machines.storeA.isReadingPeerFiles() && !machines.storeB.isReadingPeerFiles(); });
    }
    EXPECT_LE(machines.a.scheduler->evaluateCount, 25);
    EXPECT_LE(machines.b.scheduler->evaluateCount, 25);
    EXPECT_GE(machines.a.scheduler->evaluateCount, 10);
    EXPECT_GE(machines.b.scheduler->evaluateCount, 10);

    // The sightings still go out: the laptop's record in the store is at most a minute old.
    const auto stored
        = decodeRecordArray<MeetingSnapshot>(machines.storeB.data(CloudKey::meetingSnapshots).value_or("[]"));
    ASSERT_TRUE(stored && stored->size() == 1);
    EXPECT_GE(stored->first().lastSeenAt, clock.now().addingSeconds(-60));
    EXPECT_TRUE(modelA.isReminderSuppressed(planning));
}

TEST_F(RefreshTest, OccurrencesOfOneSeriesOnOneDayStayApart)
{
    const platform::Date day = platform::Date::fromDateTime(QDateTime(QDate(2026, 3, 6), QTime(), QTimeZone::utc()));
    const auto training = [&](double startHour, double originalHour) {
        platform::StoreEvent occurrence
            = event("Training", day.addingSeconds(startHour * 3600), day.addingSeconds(startHour * 3600 + 3600), work);
        occurrence.recurrenceStart = day.addingSeconds(originalHour * 3600);
        occurrence.itemIdentifier += QString::number(originalHour);
        return occurrence;
    };
    // 10:00 and 14:00 UTC, and the next day's 10:00 moved onto this day's evening; a single lunch
    // moved within its day, whose older record a peer still holds.
    machine.eventStore.setEvents({ training(10, 10), training(14, 14), training(18, 34),
        event("Lunch", day.addingSeconds(12.5 * 3600), day.addingSeconds(13.5 * 3600), work) });
    MeetingSnapshot peersTen;
    peersTen.title = "Training";
    peersTen.startDate = day.addingSeconds(10 * 3600);
    peersTen.endDate = day.addingSeconds(11 * 3600);
    peersTen.originalStartDate = peersTen.startDate;
    peersTen.eventExternalIdentifier = "Training-uid";
    peersTen.calendarExternalIdentifier = "work";
    peersTen.sourceDeviceID = "OTHER";
    peersTen.id = MeetingSnapshot::makeStableID(
        "Training", peersTen.startDate, peersTen.endDate, std::nullopt, peersTen.eventExternalIdentifier);
    MeetingSnapshot peersLunch = peersTen;
    peersLunch.title = "Lunch";
    peersLunch.originalStartDate.reset();
    peersLunch.eventExternalIdentifier = "Lunch-uid";
    peersLunch.startDate = day.addingSeconds(12 * 3600);
    peersLunch.endDate = day.addingSeconds(13 * 3600);
    store.setRemoteData(encodeRecordArray(QList<MeetingSnapshot> { peersTen, peersLunch }), CloudKey::meetingSnapshots);

    AppModel& app = started();
    QStringList seen;
    for (const MeetingSnapshot& meeting : app.meetings())
        seen << meeting.title + "@" + QString::number(meeting.startDate.secondsSince(day) / 3600);
    EXPECT_EQ(seen, QStringList({ "Training@10", "Lunch@12.5", "Training@14", "Training@18" }));
}

namespace {

MeetingSnapshot recordOf(const QString& device, MeetingSnapshot snapshot, platform::Date seen)
{
    snapshot.sourceDeviceID = device;
    snapshot.lastSeenAt = seen;
    return snapshot;
}

// Device and title of each record in the store, sorted.
std::string storedRecords(const platform::UbiquitousKeyValueStore& store)
{
    QStringList records;
    for (const MeetingSnapshot& record :
        decodeRecordArray<MeetingSnapshot>(store.data(CloudKey::meetingSnapshots).value_or("[]"))
            .value_or(QList<MeetingSnapshot>()))
        records.append(record.sourceDeviceID + QLatin1Char(':') + record.title);
    records.sort();
    return records.join(", ").toStdString();
}

std::string titlesOf(const QList<MeetingSnapshot>& meetings)
{
    QStringList titles;
    for (const MeetingSnapshot& meeting : meetings)
        titles.append(meeting.title);
    titles.sort();
    return titles.join(", ").toStdString();
}

} // namespace

// While the calendars are not read through (a first read, a read again under way), the meetings missing from them
// may still be there: this machine's records stay in the shared list, and are reminded of, until a whole read is in.
TEST_F(RefreshTest, ThisMachinesRecordsStayWhileTheCalendarsAreNotReadThrough)
{
    const std::pair<const char*, void (platform::TestEventStore::*)(bool)> reads[] = {
        { "first read", &platform::TestEventStore::setFirstReadComplete },
        { "read again", &platform::TestEventStore::setReadComplete },
    };
    defaults.setString(SettingsKey::deviceID, "mine");
    for (const auto& [name, setComplete] : reads) {
        SCOPED_TRACE(name);
        const platform::Date seen = clock.now().addingSeconds(-600);
        const MeetingSnapshot planning = recordOf(
            "mine", meeting("Planning", clock.now().addingSeconds(3600), clock.now().addingSeconds(5400)), seen);
        const MeetingSnapshot review = recordOf(
            "other", meeting("Review", clock.now().addingSeconds(7200), clock.now().addingSeconds(9000)), seen);
        store.setRemoteData(encodeRecordArray(QList<MeetingSnapshot> { planning, review }), CloudKey::meetingSnapshots);
        machine.eventStore.setEvents({});
        (machine.eventStore.*setComplete)(false);

        AppModel& app = started();
        const int writes = store.writeCount();
        app.refresh(RecordWriteBack::changes);
        settle();
        EXPECT_EQ(titlesOf(app.meetings()), "Planning, Review");
        EXPECT_EQ(storedRecords(store), "mine:Planning, other:Review");
        EXPECT_EQ(store.writeCount(), writes) << "nothing new to write for the records kept";

        // Read through, the calendars have no Planning any more: now it goes.
        (machine.eventStore.*setComplete)(true);
        app.refresh(RecordWriteBack::changes);
        settle();
        EXPECT_EQ(titlesOf(app.meetings()), "Review");
        EXPECT_EQ(storedRecords(store), "other:Review");
    }
}

// The same through the real calendar store, whose first read outlasts its first answer.
TEST_F(AppModelTest, ASlowFirstCalendarReadWithdrawsNoRecordOfThisMachine)
{
    QTemporaryDir folder;
    const QString root = folder.filePath("calendars");
    const auto writeEvent = [&](const QString& name, const QString& summary, int startHourUtc) {
        QDir().mkpath(root + "/work");
        QFile file(root + "/work/" + name + ".ics");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                                  "SUMMARY:%2\r\nDTSTART:20260305T%3Z\r\nDURATION:PT30M\r\n"
                                  "URL:https://zoom.us/j/42\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                       .arg(name, summary, QString::number(startHourUtc * 10000))
                       .toUtf8());
    };
    writeEvent("planning", "Planning", 10);
    QSemaphore letGo;
    std::atomic<int> reads = 0;
    platform::ICalendarStore calendars(root, folder.filePath("access"), nullptr, [&](auto&&... arguments) {
        std::shared_ptr<platform::CalendarIndex> index = platform::CalendarIndex::read(arguments...);
        if (reads++ == 0)
            letGo.tryAcquire(1, longestWaitMs);
        return index;
    });
    QCoro::waitFor(calendars.requestFullAccess(platform::EntityType::event));
    machine.realEventStore = &calendars;
    defaults.setString(SettingsKey::deviceID, "mine");
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    const platform::Date seen = clock.now().addingSeconds(-600);
    const MeetingSnapshot stale = recordOf(
        "mine", meeting("Moved away", clock.now().addingSeconds(1800), clock.now().addingSeconds(3600)), seen);
    const MeetingSnapshot review
        = recordOf("other", meeting("Review", clock.now().addingSeconds(7200), clock.now().addingSeconds(9000)), seen);
    store.setRemoteData(encodeRecordArray(QList<MeetingSnapshot> { stale, review }), CloudKey::meetingSnapshots);

    // The first answer gives up on the read after its bound, with nothing read.
    AppModel& app = started();
    EXPECT_FALSE(calendars.isFirstReadComplete());
    EXPECT_EQ(storedRecords(store), "mine:Moved away, other:Review");
    EXPECT_EQ(titlesOf(app.meetings()), "Moved away, Review");

    letGo.release();
    ASSERT_TRUE(pumpUntil([&] { return calendars.isFirstReadComplete(); }));
    // The change the read posts, past its debounce.
    EXPECT_TRUE(pumpUntil([&] {
        clock.advance(1);
        return titlesOf(app.meetings()) == "Planning, Review";
    }));
    EXPECT_EQ(storedRecords(store), "mine:Planning, other:Review");
    // Before the store it asks.
    model.reset();
}

// Two starts on the same folders: at the second, one file is too large for the memory left. It is not empty: this
// machine's records of it from the last run stay listed and shared, while what left the other files leaves.
TEST_F(AppModelTest, AFileLeftUnreadAtAStartKeepsItsMeetingsOfTheLastRun)
{
    defaults.setString(SettingsKey::deviceID, "mine");
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    QTemporaryDir folder;
    const QString root = folder.filePath("calendars");
    QDir().mkpath(root + "/work");
    const auto writeEvent = [&](const QString& name, int startHourUtc, qsizetype padding = 0) {
        QFile file(root + "/work/" + name.toLower() + ".ics");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(
            "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:%1\r\nSUMMARY:%1\r\nDTSTART:20260305T%2Z\r\n"
            "DURATION:PT30M\r\nURL:https://zoom.us/j/42\r\nDESCRIPTION:%3\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                       .arg(name, QString::number(startHourUtc * 10000), QString(padding, 'x'))
                       .toUtf8());
    };
    writeEvent("Standup", 11, 20'000);
    writeEvent("Review", 12);
    writeEvent("Planning", 13);
    std::atomic<qint64> memoryLeft = qint64(1) << 30;
    // Until a whole read is taken in, whose meetings begin with `listed`.
    const auto start = [&](const std::string& listed) {
        auto calendars = std::make_unique<platform::ICalendarStore>(root, folder.filePath("access"), nullptr,
            &platform::CalendarIndex::read,
            platform::CalendarMemory { [&memoryLeft] { return std::optional<qint64>(memoryLeft); } });
        QCoro::waitFor(calendars->requestFullAccess(platform::EntityType::event));
        machine.realEventStore = calendars.get();
        started();
        EXPECT_TRUE(pumpUntil([&] {
            clock.advance(1);
            return calendars->isReadComplete() && titlesOf(model->meetings()).find(listed) == 0;
        }));
        return calendars;
    };
    auto calendars = start("Planning, Review, Standup");
    EXPECT_EQ(storedRecords(store), "mine:Planning, mine:Review, mine:Standup");
    model.reset();

    QFile::remove(root + "/work/planning.ics");
    memoryLeft = 32 * 1024;
    calendars = start("Review");
    EXPECT_EQ(titlesOf(model->meetings()), "Review, Standup");
    EXPECT_EQ(storedRecords(store), "mine:Review, mine:Standup");
    model.reset();
}

// The system zone changed while the program runs: the files' floating times and whole days stand for other instants,
// in the list and in the reminders, without a restart.
TEST_F(AppModelTest, FloatingTimesAndWholeDaysFollowAChangeOfZone)
{
    QTemporaryDir folder;
    const QString root = folder.filePath("calendars");
    QDir().mkpath(root + "/work");
    const auto writeEvent = [&](const QString& summary, const QString& start) {
        QFile file(root + "/work/" + summary + ".ics");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                           "SUMMARY:%1\r\nDTSTART%2\r\nURL:https://zoom.us/j/42\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                .arg(summary, start)
                .toUtf8());
    };
    writeEvent("Fixed", ":20260305T110000Z");
    writeEvent("Floating", ":20260305T120000");
    writeEvent("Holiday", ";VALUE=DATE:20260306");
    platform::ICalendarStore calendars(root, folder.filePath("access"));
    QCoro::waitFor(calendars.requestFullAccess(platform::EntityType::event));
    machine.realEventStore = &calendars;
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    const auto startsInUtc = [&] {
        QStringList starts;
        for (const MeetingSnapshot& meeting : model->meetings())
            starts.append(meeting.title + meeting.startDate.toDateTime().toString(" d HH:mm"));
        starts.sort();
        return starts.join(", ").toStdString();
    };

    started();
    ASSERT_TRUE(pumpUntil([&] {
        clock.advance(1);
        return model->meetings().size() == 3;
    }));
    EXPECT_EQ(startsInUtc(), "Fixed 5 11:00, Floating 5 11:00, Holiday 5 23:00");

    qputenv("TZ", "UTC");
    tzset();
    clock.changeZone();
    EXPECT_TRUE(pumpUntil([&] {
        clock.advance(1);
        return startsInUtc() == "Fixed 5 11:00, Floating 5 12:00, Holiday 6 00:00";
    })) << startsInUtc();
    // Before the store it asks.
    model.reset();
    useBerlinTime();
}

// Quitting right after a dismissal: the model goes, its service first, while the push waits for the folder's read,
// and no event loop runs again. After the restart the dismissal is in our device file.
TEST_F(RefreshTest, ADismissalJustBeforeQuittingIsInOurDeviceFile)
{
    QTemporaryDir root;
    const QString folder = makeCloudFolder(root);
    const platform::FolderCloudAccount cloudAccount { folder, clock };
    auto cloudStore = std::make_unique<platform::FolderKeyValueStore>(folder, "laptop", clock);
    Machine laptop(clock, defaults, *cloudStore, cloudAccount);
    laptop.eventStore.setAuthorizationStatus(platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
    laptop.eventStore.setCalendars(platform::EntityType::event, { work });
    laptop.eventStore.setEvents(
        { event("Standup", clock.now().addingSeconds(600), clock.now().addingSeconds(1200), work) });
    std::unique_ptr<AppModel> app = laptop.makeModel();
    ASSERT_TRUE(pumpUntil([&] { return app->meetings().size() == 1 && !cloudStore->isReadingPeerFiles(); }));
    const MeetingSnapshot standup = app->meetings().first();

    clock.advance(1);
    app->dismissReminder(standup);
    // The push starts and waits; the read it waits for is not taken.
    QCoreApplication::sendPostedEvents(app.get(), QEvent::MetaCall);
    app.reset();
    cloudStore.reset();

    platform::FolderKeyValueStore restarted(folder, "laptop", clock);
    restarted.readOwnValuesNow();
    const auto states
        = decodeRecordArray<ReminderState>(restarted.data(CloudKey::reminderStates).value_or(QByteArray()));
    ASSERT_TRUE(states);
    ASSERT_EQ(states->size(), 1);
    EXPECT_EQ(states->first().stableMeetingID, standup.id);
    EXPECT_EQ(states->first().dismissedAt, clock.now());
}

// At start the other machines' files may take seconds to read: this machine's meetings, and what was dismissed
// here, are published before, so that the first reminder comes on time.
TEST_F(AppModelTest, TheFirstRemindersDoNotWaitForThePeerFiles)
{
    const platform::Date start = clock.now();
    const auto prepare = [&](Machine& laptop) {
        laptop.eventStore.setAuthorizationStatus(
            platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
        laptop.eventStore.setCalendars(platform::EntityType::event, { work });
        laptop.eventStore.setEvents({ event("Standup", start.addingSeconds(30), start.addingSeconds(900), work),
            event("Review", start.addingSeconds(30), start.addingSeconds(900), work) });
    };
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    QTemporaryDir root;
    const QString folder = makeCloudFolder(root);
    const platform::FolderCloudAccount cloudAccount { folder, clock };
    const auto titled = [](const AppModel& app, const QString& title) {
        const auto found = std::find_if(app.meetings().begin(), app.meetings().end(),
            [&](const MeetingSnapshot& meeting) { return meeting.title == title; });
        return found == app.meetings().end() ? MeetingSnapshot() : *found;
    };

    // The last run dismissed the review.
    MeetingSnapshot review;
    {
        platform::FolderKeyValueStore cloudStore(folder, "laptop", clock);
        Machine laptop(clock, defaults, cloudStore, cloudAccount);
        prepare(laptop);
        std::unique_ptr<AppModel> app = laptop.makeModel();
        ASSERT_TRUE(pumpUntil([&] { return app->meetings().size() == 2; }));
        review = titled(*app, "Review");
        app->dismissReminder(review);
        ASSERT_TRUE(pumpUntil([&] { return cloudStore.data(CloudKey::reminderStates).has_value(); }));
    }

    // Now a peer's file is there, and its read is held on the worker; ours, read there too, is not.
    const auto writePeer = [&](double sighting) {
        QSaveFile peer(folder + "/desk.json");
        ASSERT_TRUE(peer.open(QIODevice::WriteOnly));
        const MeetingSnapshot retro = recordOf("desk",
            meeting("Retro", start.addingSeconds(1200), start.addingSeconds(1800)), start.addingSeconds(sighting));
        peer.write(QByteArray::fromStdString(nlohmann::json {
            { CloudKey::meetingSnapshots,
                { { "value", encodeRecordArray(QList { retro }).toBase64().toStdString() },
                    { "time", start.secondsSinceReferenceDate() + sighting },
                    { "device", "desk" } } } }.dump()));
        ASSERT_TRUE(peer.commit());
    };
    writePeer(1);
    platform::FolderKeyValueStore cloudStore(folder, "laptop", clock);
    Machine laptop(clock, defaults, cloudStore, cloudAccount);
    prepare(laptop);
    std::unique_ptr<AppModel> app = laptop.makeModel();
    std::atomic<bool> holding = true;
    const Qt::HANDLE mainThread = QThread::currentThreadId();
    cloudStore.setDecoder(CloudKey::meetingSnapshots, [&holding, mainThread](const QByteArray& data) -> QVariant {
        QElapsedTimer waited;
        waited.start();
        while (QThread::currentThreadId() != mainThread && holding && data.contains("Retro")
            && waited.elapsed() < longestWaitMs)
            QThread::msleep(1);
        const std::optional<QList<MeetingSnapshot>> records = decodeRecordArray<MeetingSnapshot>(data);
        return records ? QVariant::fromValue(*records) : QVariant();
    });

    // Our answers of the last run follow the calendars' meetings with our own file's read, which nothing holds here.
    ASSERT_TRUE(
        pumpUntil([&] { return titlesOf(app->meetings()) == "Review, Standup" && app->isReminderSuppressed(review); }));
    EXPECT_TRUE(cloudStore.isReadingPeerFiles());
    EXPECT_EQ(app->nextReminderFireDate(), start.addingSeconds(20));
    ASSERT_TRUE(laptop.scheduler);
    EXPECT_GE(laptop.scheduler->evaluateCount, 1);

    // The exchange then publishes what the peer holds too.
    holding = false;
    EXPECT_TRUE(pumpUntil([&] { return app->syncState() == AppModel::SyncState::synced; }));
    EXPECT_EQ(titlesOf(app->meetings()), "Retro, Review, Standup");
    EXPECT_TRUE(app->isReminderSuppressed(review));

    // Once an exchange is published, a refresh waiting for a read publishes nothing before its own exchange.
    int evaluations = -1;
    ASSERT_TRUE(pumpUntil([&] {
        pumpFor(100);
        return !cloudStore.isReadingPeerFiles()
            && std::exchange(evaluations, laptop.scheduler->evaluateCount) == laptop.scheduler->evaluateCount;
    }));
    holding = true;
    writePeer(2);
    cloudStore.synchronize();
    app->refresh();
    pumpFor(100);
    EXPECT_EQ(laptop.scheduler->evaluateCount, evaluations);
    holding = false;
    EXPECT_TRUE(pumpUntil([&] { return laptop.scheduler->evaluateCount > evaluations; }));
    app.reset();
}

// Many meetings are deduplicated off the main thread: a refresh of few that begins later is published at once, and
// the earlier one, which ends after it, must not bring back what it saw.
TEST_F(RefreshTest, AnEarlierRefreshEndingLaterLeavesTheLaterOnesMeetings)
{
    for (const bool signedIn : { false, true }) {
        SCOPED_TRACE(signedIn ? "signed in" : "signed out");
        if (!signedIn)
            account.setToken(std::nullopt);
        AppModel& app = started();
        QList<platform::StoreEvent> many;
        for (int i = 0; i < 600; ++i) {
            const platform::Date start = clock.now().addingSeconds(3600 + 60.0 * i);
            many.append(event(QStringLiteral("Meeting %1").arg(i), start, start.addingSeconds(1800), work));
        }
        const auto refreshUntilDone = [&] {
            const int before = refreshes();
            app.refresh();
            QElapsedTimer waited;
            waited.start();
            while (refreshes() == before && waited.elapsed() < 300'000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        };

        machine.eventStore.setEvents(many);
        refreshUntilDone();
        EXPECT_EQ(app.meetings().size(), 600);

        const int before = refreshes();
        machine.eventStore.setEvents(many + many);
        app.refresh();
        machine.eventStore.setEvents(
            { event("Only", clock.now().addingSeconds(600), clock.now().addingSeconds(1200), work) });
        app.refresh();
        QElapsedTimer waited;
        waited.start();
        while (refreshes() < before + 2 && waited.elapsed() < 300'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_EQ(app.meetings().size(), 1);
        EXPECT_EQ(app.meetings().first().title, "Only");
        model.reset();
    }
}

#include "AppModelHarness.h"

#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/model/RecordJson.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

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

// Pumps until `done` holds, for at most five seconds of real time: a folder's merges wait for its reads.
template <typename Condition> bool pumpUntil(Condition done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < 5000)
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
        : storeA(folder, "laptop", clock)
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
        pumpUntil([this] { return modelA->meetings().size() == 1 && modelB->meetings().size() == 1; });
    }

    QTemporaryDir root;
    const QString folder = makeCloudFolder(root);
    const platform::FolderCloudAccount account { folder };
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
    pumpFor(300);
    ASSERT_EQ(modelB.meetings().size(), 1);
    const MeetingSnapshot planning = modelB.meetings()[0];
    machines.a.scheduler->evaluateCount = 0;
    machines.b.scheduler->evaluateCount = 0;

    // The dismissal crosses at once, through the desktop's own notice of the change.
    clock.advance(1);
    modelA.dismissReminder(planning);
    QElapsedTimer waited;
    waited.start();
    while (!modelB.isReminderSuppressed(planning) && waited.elapsed() < 5000)
        pumpFor(10);
    EXPECT_TRUE(modelB.isReminderSuppressed(planning));

    // Ten minutes: each side refreshes on its minute timer and once for each of the other's minute
    // writes, and no more.
    for (int step = 0; step < 60; ++step) {
        clock.advance(10);
        pumpFor(25);
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

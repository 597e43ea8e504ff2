#include "AppModelHarness.h"

#include "tolvar/model/RecordJson.h"

using namespace appmodeltest;
using namespace tolvar;

namespace {

const CalendarSource teamCalendar { "work", "Team", "Work" };
const CalendarSource homeCalendar { "home", "Home", "" };
const CalendarSource taskList { "tasks", "Tasks", "Work" };

} // namespace

TEST_F(AppModelTest, SuppressionFollowsStatesFiringAndTheJoinLinkFilter)
{
    AppModel& app = started();
    const platform::Date now = clock.now();
    MeetingSnapshot standup = meeting("Standup", now.addingSeconds(600), now.addingSeconds(1200));
    EXPECT_FALSE(app.isReminderSuppressed(standup));

    ReminderState fired;
    fired.stableMeetingID = standup.id;
    fired.firedForStartDate = standup.startDate;
    app.setReminderStates({ { standup.id, fired } });
    EXPECT_TRUE(app.isReminderSuppressed(standup));
    MeetingSnapshot moved = standup;
    moved.startDate = standup.startDate.addingSeconds(1800);
    EXPECT_FALSE(app.isReminderSuppressed(moved));

    // A snooze that has run out gives the ordinary reminder date again.
    ReminderState snoozed;
    snoozed.stableMeetingID = standup.id;
    snoozed.snoozedUntil = now.addingSeconds(-5);
    app.setReminderStates({ { standup.id, snoozed } });
    EXPECT_EQ(app.nextReminderDate(standup, 10), standup.startDate.addingSeconds(-10));
    snoozed.snoozedUntil = now.addingSeconds(60);
    app.setReminderStates({ { standup.id, snoozed } });
    EXPECT_EQ(app.nextReminderDate(standup, 10), now.addingSeconds(60));
    EXPECT_TRUE(app.isReminderSuppressed(standup));

    app.setReminderStates({});
    app.setOnlyRemindMeetingsWithJoinLink(true);
    MeetingSnapshot room = meeting("Room", now, now.addingSeconds(60), std::nullopt);
    room.location = "Room 4.1";
    EXPECT_TRUE(app.isReminderSuppressed(room));
    MeetingSnapshot task = room;
    task.isTask = true;
    EXPECT_FALSE(app.isReminderSuppressed(task));
    EXPECT_FALSE(app.isReminderSuppressed(standup));
    EXPECT_FALSE(app.isReminderSuppressed(meeting("Bare", now, now.addingSeconds(60), std::nullopt)));
}

TEST_F(AppModelTest, QuietHoursWrapMidnightAndExcludeTheEndHour)
{
    AppModel& app = started();
    const auto quietAt = [&](int hour) {
        clock.setNow(berlin(2026, 3, 5, hour, 30));
        return app.isInQuietHours();
    };
    EXPECT_FALSE(quietAt(23));
    app.setQuietHoursEnabled(true);
    for (int hour : { 22, 23, 0, 6 })
        EXPECT_TRUE(quietAt(hour)) << hour;
    for (int hour : { 7, 21 })
        EXPECT_FALSE(quietAt(hour)) << hour;
    app.setQuietHoursStartHour(9);
    app.setQuietHoursEndHour(17);
    EXPECT_TRUE(quietAt(9));
    EXPECT_TRUE(quietAt(16));
    EXPECT_FALSE(quietAt(17));
    app.setQuietHoursEndHour(9);
    for (int hour : { 0, 9, 12, 23 })
        EXPECT_TRUE(quietAt(hour)) << hour;

    // A group in quiet hours never shows; the sound decision ignores them.
    const QList<MeetingSnapshot> group { meeting("A", clock.now(), clock.now().addingSeconds(60)) };
    EXPECT_FALSE(app.shouldShowOverlay(group));
    EXPECT_TRUE(app.shouldPlaySound(group));
}

TEST_F(AppModelTest, RulesDecideOverlaySoundAndRepeats)
{
    AppModel& app = started();
    const platform::Date now = clock.now();
    const MeetingSnapshot team = meeting("Team", now, now.addingSeconds(60), {}, "Team", "Work");
    const MeetingSnapshot personal = meeting("Personal", now, now.addingSeconds(60), {}, "Home", "");
    EXPECT_FALSE(app.shouldShowOverlay({}));
    EXPECT_FALSE(app.shouldPlaySound({}));

    app.setRuleFlag(AppModel::RuleFlag::showOverlay, false, teamCalendar);
    EXPECT_FALSE(app.shouldShowOverlay({ team }));
    EXPECT_TRUE(app.shouldShowOverlay({ team, personal }));

    EXPECT_EQ(app.soundRepeatCount({ team }), 0);
    app.setSoundRepeat(3, teamCalendar);
    app.setSoundRepeat(1, homeCalendar);
    EXPECT_EQ(app.soundRepeatCount({ team, personal }), 1);
    app.setSoundRepeat(0, homeCalendar);
    EXPECT_EQ(app.soundRepeatCount({ team, personal }), 3);

    // A task is governed by its list's rule, not by the calendar rule of the same titles.
    MeetingSnapshot task = meeting("Taxes", now, now.addingSeconds(60), std::nullopt, "Tasks", "Work");
    task.isTask = true;
    app.setRuleFlag(AppModel::RuleFlag::playSound, false, { "x", "Tasks", "Work" });
    EXPECT_TRUE(app.shouldPlaySound({ task }));
    app.setReminderListRuleFlag(AppModel::RuleFlag::playSound, false, taskList);
    EXPECT_FALSE(app.shouldPlaySound({ task }));
    EXPECT_FALSE(app.reminderListRule(taskList).playSound);
    EXPECT_TRUE(app.calendarRules().contains(QStringLiteral("reminder\x1FWork\x1FTasks")));

    // Stored, and a calendar without titles changes nothing.
    EXPECT_EQ(SettingsStore(defaults).loadCalendarRules(), app.calendarRules());
    const qsizetype count = app.calendarRules().size();
    app.setEventScope(EventScope::meetingsAndEvents, { "none", "", "" });
    EXPECT_EQ(app.calendarRules().size(), count);
    const CalendarRule fresh = app.calendarRule({ "none", "", "" });
    EXPECT_TRUE(fresh.showOverlay);
    EXPECT_EQ(fresh.calendarKey, QString());
}

TEST_F(AppModelTest, QueriesAndTheNextReminderDate)
{
    AppModel& app = started();
    const platform::Date now = clock.now();
    const MeetingSnapshot running = meeting("Running", now.addingSeconds(-60), now.addingSeconds(600));
    const MeetingSnapshot soon = meeting("Soon", now.addingSeconds(5), now.addingSeconds(600));
    const MeetingSnapshot later = meeting("Later", now.addingSeconds(3600), now.addingSeconds(4000));
    app.setMeetings({ later, running, soon });
    EXPECT_EQ(app.nextUpcomingMeeting()->title, "Soon");
    EXPECT_EQ(app.currentMeetings().size(), 1);
    EXPECT_EQ(app.remainingMeetings().size(), 3);
    EXPECT_EQ(app.remainingMeetings()[0].title, "Running");
    EXPECT_TRUE(app.isAnyMeetingInReminderWindow());
    EXPECT_EQ(app.menuBarStatusText(), "NOW");
    // "Soon" is in its window already, so its time has passed: the next is "Later".
    EXPECT_EQ(app.nextReminderFireDate(), later.startDate.addingSeconds(-10));

    app.setMeetings({ soon });
    EXPECT_EQ(app.menuBarStatusText(), "SOON");
    app.muteReminder(soon);
    EXPECT_TRUE(app.isReminderMuted(soon));
    app.setMeetings({ later });
    app.muteReminder(later);
    EXPECT_FALSE(app.nextReminderFireDate().has_value());
    app.setMeetings({});
    EXPECT_FALSE(app.menuBarStatusText().has_value());
}

TEST_F(AppModelTest, ActionsReplaceTheWholeStateAndReachTheCloud)
{
    AppModel& app = started();
    const MeetingSnapshot standup = meeting("Standup", clock.now().addingSeconds(600), clock.now().addingSeconds(1200));

    app.muteReminder(standup);
    clock.advance(1);
    app.dismissReminder(standup);
    ReminderState state = app.reminderStates()[standup.id];
    EXPECT_TRUE(state.mutedAt.has_value());
    EXPECT_EQ(state.dismissedAt, clock.now());
    EXPECT_EQ(state.firedForStartDate, standup.startDate);

    app.snoozeReminders({ standup }, 300);
    state = app.reminderStates()[standup.id];
    EXPECT_FALSE(state.dismissedAt.has_value());
    EXPECT_FALSE(state.firedForStartDate.has_value());
    EXPECT_EQ(state.snoozedUntil, clock.now().addingSeconds(300));
    EXPECT_TRUE(state.mutedAt.has_value());

    app.unmuteReminder(standup);
    state = app.reminderStates()[standup.id];
    EXPECT_EQ(state.clearedAt, clock.now());
    EXPECT_FALSE(state.mutedAt || state.dismissedAt || state.snoozedUntil || state.firedForStartDate);
    EXPECT_EQ(state.updatedAt, clock.now());

    settle();
    const auto stored = decodeRecordArray<ReminderState>(*store.data(CloudKey::reminderStates));
    ASSERT_EQ(stored->size(), 1);
    EXPECT_EQ(stored->first(), state);
}

TEST_F(AppModelTest, JoiningOpensOnlyWebLinks)
{
    AppModel& app = started();
    const MeetingSnapshot standup = meeting("Standup", clock.now().addingSeconds(600), clock.now().addingSeconds(1200));
    app.setDismissOnMenuBarJoin(false);
    app.join(standup);
    EXPECT_EQ(machine.workspace.openedUrls(), QList<QUrl> { *standup.joinURL });
    EXPECT_FALSE(app.reminderStates().contains(standup.id));

    app.setDismissOnMenuBarJoin(true);
    app.join(standup);
    EXPECT_TRUE(app.isReminderSuppressed(standup));

    for (const char* link : { "file:///etc/passwd", "javascript:alert(1)", "zoommtg://zoom.us/join" }) {
        const MeetingSnapshot unsafe
            = meeting(link, clock.now(), clock.now().addingSeconds(60), QString::fromLatin1(link));
        app.join(unsafe, true);
        app.joinFromOverlay(unsafe);
        EXPECT_FALSE(app.reminderStates().contains(unsafe.id)) << link;
    }
    const MeetingSnapshot noLink = meeting("Room", clock.now(), clock.now().addingSeconds(60), std::nullopt);
    app.joinFromOverlay(noLink);
    EXPECT_FALSE(app.reminderStates().contains(noLink.id));
    EXPECT_EQ(machine.workspace.openedUrls().size(), 2);
}

TEST_F(AppModelTest, ActionItemPromptsComeInOrderAndYieldToReminders)
{
    AppModel& app = started();
    const platform::Date now = clock.now();
    const MeetingSnapshot first = meeting("First", now.addingSeconds(-3600), now.addingSeconds(-1800));
    const MeetingSnapshot second = meeting("Second", now.addingSeconds(-1800), now.addingSeconds(-60));
    MeetingSnapshot task = meeting("Task", now.addingSeconds(-1800), now.addingSeconds(-60));
    task.isTask = true;

    app.join(second); // the setting is off: nothing is queued
    EXPECT_TRUE(app.pendingActionItemMeetings().isEmpty());
    app.setShowActionItemAlertAfterMeeting(true);
    machine.overlay.visible = true; // a reminder is on screen
    app.queueActionItemCapture(task);
    app.queueActionItemCapture(second);
    app.queueActionItemCapture(first);
    EXPECT_TRUE(machine.prompt.titles.isEmpty());
    EXPECT_EQ(app.pendingActionItemMeetings().size(), 2);

    machine.overlay.visible = false;
    app.presentDueActionItemAlerts();
    EXPECT_EQ(machine.prompt.titles, QStringList { "First" });
    machine.prompt.typed = "- send the deck";
    app.suspendActionItemAlert();
    EXPECT_FALSE(machine.prompt.visible);
    EXPECT_EQ(app.pendingActionItemMeetings().size(), 2);
    app.presentDueActionItemAlerts();
    EXPECT_EQ(machine.prompt.titles, QStringList({ "First", "First" }));
    EXPECT_EQ(machine.prompt.typed, "- send the deck") << "the same meeting's prompt comes back with its notes";
    machine.prompt.close();
    EXPECT_EQ(machine.prompt.titles, QStringList({ "First", "First", "Second" }));
    EXPECT_EQ(machine.prompt.typed, "") << "another meeting's prompt starts empty";
    EXPECT_TRUE(app.pendingActionItemMeetings().isEmpty());
}

TEST_F(AppModelTest, TheActionItemQueueSurvivesARestart)
{
    defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, true);
    const MeetingSnapshot ongoing = meeting("Ongoing", clock.now().addingSeconds(-60), clock.now().addingSeconds(600));
    started().join(ongoing);
    EXPECT_EQ(model->pendingActionItemMeetings().size(), 1);
    model.reset();

    AppModel& again = started();
    ASSERT_EQ(again.pendingActionItemMeetings().size(), 1);
    EXPECT_EQ(again.pendingActionItemMeetings().value(ongoing.id).title, "Ongoing");
    clock.advance(601);
    again.presentDueActionItemAlerts();
    EXPECT_EQ(machine.prompt.titles, QStringList { "Ongoing" });

    // With the prompt switched off, a restart restores nothing.
    again.queueActionItemCapture(ongoing);
    model.reset();
    defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, false);
    EXPECT_TRUE(started().pendingActionItemMeetings().isEmpty());
}

TEST_F(AppModelTest, TestMeetingsJoinTheListAndLeaveAfterTheirEnd)
{
    AppModel& app = started();
    app.createTestMeeting(TestMeetingKind::inPerson);
    app.createTestMeeting(TestMeetingKind::inPerson);
    EXPECT_EQ(app.testMeetings().size(), 2);
    EXPECT_EQ(app.testMeetings()[0].id, app.testMeetings()[1].id);
    ASSERT_EQ(app.meetings().size(), 1);
    const MeetingSnapshot inPerson = app.meetings()[0];
    EXPECT_EQ(inPerson.kind(), MeetingKind::inPerson);
    EXPECT_EQ(inPerson.startDate, clock.now().addingSeconds(30));
    EXPECT_EQ(inPerson.endDate, clock.now().addingSeconds(930));
    app.setOnlyRemindMeetingsWithJoinLink(true);
    EXPECT_TRUE(app.isReminderSuppressed(inPerson));

    app.createTestMeeting(TestMeetingKind::hybrid);
    app.createConflictTestMeetings();
    EXPECT_EQ(app.meetings().size(), 4);
    for (const MeetingSnapshot& m : app.meetings()) {
        if (m.title == "Hybrid Test Meeting") {
            EXPECT_EQ(m.kind(), MeetingKind::hybrid);
            EXPECT_EQ(m.location, "Conference Room 4A");
        }
    }

    // Test meetings travel through refreshes until they have ended.
    app.refresh();
    settle();
    EXPECT_EQ(app.meetings().size(), 4);
    clock.advance(2800);
    app.refresh();
    settle();
    EXPECT_TRUE(app.testMeetings().isEmpty());
    EXPECT_TRUE(app.meetings().isEmpty());
}

TEST_F(AppModelTest, TheFullscreenTestBypassesQuietHours)
{
    AppModel& app = started();
    app.setMeetings({ meeting("Running", clock.now().addingSeconds(-60), clock.now().addingSeconds(600)) });
    app.showFullscreenTest();
    EXPECT_EQ(machine.overlay.showCount, 0);

    app.setQuietHoursEnabled(true);
    app.setQuietHoursStartHour(0);
    app.setQuietHoursEndHour(0);
    app.setOverlayAutoDismissSeconds(42);
    app.createTestMeeting(TestMeetingKind::online);
    app.showFullscreenTest();
    ASSERT_EQ(machine.overlay.showCount, 1);
    EXPECT_EQ(machine.overlay.shown[0].title, "Online Test Meeting");
    EXPECT_EQ(machine.overlay.lastAutoDismiss, 42);
    EXPECT_TRUE(machine.overlay.lastPlaySound);

    machine.overlay.join(machine.overlay.shown[0]);
    EXPECT_EQ(machine.workspace.openedUrls(), QList<QUrl> { QUrl("https://meet.google.com/test-tolvar-local") });
    EXPECT_TRUE(app.isReminderSuppressed(machine.overlay.shown[0]));
}

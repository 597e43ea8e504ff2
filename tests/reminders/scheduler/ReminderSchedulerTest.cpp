#include "tests/core/appmodel/AppModelHarness.h"
#include "tests/reminders/scheduler/PeerReadStore.h"

#include "platform/activity/MemoryProcessActivity.h"
#include "platform/hotkeys/TestHotKeys.h"
#include "platform/sound/MemorySystemSound.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/model/RecordJson.h"
#include "tolvar/reminders/ActionItemOverlayController.h"
#include "tolvar/reminders/ActionItemOverlayView.h"
#include "tolvar/reminders/FullscreenReminderController.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderScheduler.h"

#include <QPlainTextEdit>

using namespace appmodeltest;
using namespace tolvar;

// The real scheduler over a started model whose meetings come from the calendar double.
class ReminderSchedulerTest : public AppModelTest
{
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        grantAccess();
        account.setToken(std::nullopt);
        defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
        machine.makeScheduler = [this](AppModel& app) {
            auto made = std::make_unique<ReminderScheduler>(app, app.overlayController(), clock, activity);
            scheduler = made.get();
            return made;
        };
        start = berlin(2026, 3, 5, 10, 0);
        clock.setNow(start.addingSeconds(-60));
    }

    void setEvents(const QList<platform::StoreEvent>& events)
    {
        machine.eventStore.setEvents(events);
        if (model) {
            model->refresh();
            settle();
        }
    }

    platform::StoreEvent at(const QString& title, int startMinute, int endMinute) const
    {
        return event(title, start.addingSeconds(startMinute * 60), start.addingSeconds(endMinute * 60), work);
    }

    static QStringList titles(const QList<MeetingSnapshot>& meetings)
    {
        QStringList titles;
        for (const MeetingSnapshot& meeting : meetings)
            titles.append(meeting.title);
        return titles;
    }
    QStringList shownTitles() const { return titles(machine.overlay.shown); }

    platform::MemoryProcessActivity activity;
    ReminderScheduler* scheduler = nullptr;
    platform::Date start;
};

TEST_F(ReminderSchedulerTest, AMeetingIsDueFromItsReminderDateToItsEnd)
{
    setEvents({ at("Standup", 0, 30), at("Past", -90, -2) });
    started();
    clock.advance(49);
    EXPECT_EQ(machine.overlay.showCount, 0);
    clock.advance(1); // start less the 10 s lead
    ASSERT_EQ(machine.overlay.showCount, 1);
    EXPECT_EQ(shownTitles(), QStringList { "Standup" });
    EXPECT_FALSE(machine.overlay.lastHideFromScreenShare);
    EXPECT_EQ(machine.overlay.lastAutoDismiss, 180);
    EXPECT_EQ(machine.overlay.lastSoundRepeat, 0);
    EXPECT_TRUE(machine.overlay.lastPlaySound);
    EXPECT_EQ(scheduler->firedKeys().size(), 1);

    // Fired once: later ticks leave it alone, and a key leaves with its meeting.
    clock.advance(5);
    EXPECT_EQ(machine.overlay.showCount, 1);
    setEvents({});
    clock.advance(1);
    EXPECT_TRUE(scheduler->firedKeys().isEmpty());
}

// The wall clock set by hand or by a time service: the meetings of the new time are taken at the next tick, so that
// one due then is reminded on time, not after the minute's refresh.
TEST_F(ReminderSchedulerTest, AMeetingDueAfterTheClockIsSetIsRemindedOnTime)
{
    const double jumps[] = { -3600, -86400, 8 * 86400 };
    for (const double jump : jumps) {
        SCOPED_TRACE(jump);
        clock.setNow(start);
        // Due 20 s after the jump in the new time: out of the window asked before it.
        const platform::Date moved = start.addingSeconds(jump + 30);
        setEvents({ event("Moved", moved, moved.addingSeconds(1800), work) });
        started();
        const qsizetype shown = machine.overlay.history.size();
        clock.advance(0.5);
        clock.jumpWallClock(jump);
        clock.advance(19.499);
        EXPECT_EQ(machine.overlay.history.size(), shown);
        clock.advance(0.001);
        EXPECT_EQ(machine.overlay.history.size(), shown + 1);
        EXPECT_EQ(shownTitles(), QStringList { "Moved" });
        machine.overlay.visible = false;
        machine.overlay.shown.clear();
    }
}

TEST_F(ReminderSchedulerTest, TicksFallOnTheWallClocksWholeSeconds)
{
    // Started 0.63 s past a second: the next tick still comes on the next whole second, not 1 s later.
    clock.setNow(start.addingSeconds(-11.37));
    setEvents({ at("Standup", 0, 30) });
    started();
    EXPECT_EQ(machine.overlay.showCount, 0);
    clock.advance(0.37);
    EXPECT_EQ(machine.overlay.showCount, 0);
    clock.advance(0.999);
    EXPECT_EQ(machine.overlay.showCount, 0) << "nothing between the ticks";
    clock.advance(0.001); // exactly the start less the 10 s lead
    EXPECT_EQ(machine.overlay.showCount, 1);

    // A snooze asked for between two seconds ends between two seconds, and is met at its end.
    clock.advance(2.42);
    model->snoozeReminders(machine.overlay.shown, 60);
    settle();
    clock.advance(59.999);
    EXPECT_EQ(machine.overlay.showCount, 1);
    clock.advance(0.001);
    EXPECT_EQ(machine.overlay.showCount, 2);
}

TEST_F(ReminderSchedulerTest, OverlappingDueMeetingsFormOneGroupAndTheRestFollowOneTickLater)
{
    setEvents({ at("A", 0, 30), at("B", 15, 60), at("C", 30, 60) });
    clock.setNow(start.addingSeconds(29 * 60 + 55));
    // Nothing has fired in this process yet, so all three are due at once; the evaluation after
    // the first group shows the one left over.
    started();
    ASSERT_EQ(machine.overlay.history.size(), 2);
    EXPECT_EQ(titles(machine.overlay.history[0]), QStringList({ "A", "B" }));
    EXPECT_EQ(titles(machine.overlay.history[1]), QStringList({ "A", "B", "C" }))
        << "the overlay that replaces the first holds its unanswered meetings";
    clock.advance(1);
    EXPECT_EQ(machine.overlay.history.size(), 2);
}

TEST_F(ReminderSchedulerTest, AMeetingWithoutDurationRemindsAloneAndBlocksNothing)
{
    setEvents({ at("Deadline", 0, 0), at("Sync", 0, 30) });
    clock.setNow(start.addingSeconds(-5));
    started();
    clock.advance(1);
    ASSERT_EQ(machine.overlay.history.size(), 2);
    EXPECT_EQ(machine.overlay.history[0].size(), 1) << "each comes as a group of its own";
    QStringList shown = titles(machine.overlay.history[1]);
    shown.sort();
    EXPECT_EQ(shown, QStringList({ "Deadline", "Sync" })) << "the second overlay holds the unanswered first";
}

TEST_F(ReminderSchedulerTest, ASnoozeFiresAgainAndJoinDismissesTheWholeGroup)
{
    setEvents({ at("A", 0, 30), at("B", 10, 40) });
    clock.setNow(start.addingSeconds(10 * 60));
    started();
    ASSERT_EQ(shownTitles(), QStringList({ "A", "B" }));
    machine.overlay.visible = false;
    machine.overlay.snooze(machine.overlay.shown, 60);
    clock.advance(59);
    const int shows = machine.overlay.showCount;
    EXPECT_EQ(shows, 1);
    clock.advance(1);
    EXPECT_EQ(machine.overlay.showCount, 2);
    EXPECT_EQ(shownTitles(), QStringList({ "A", "B" }));

    machine.overlay.visible = false;
    machine.overlay.join(machine.overlay.shown[1]);
    EXPECT_EQ(machine.workspace.openedUrls().size(), 1);
    for (const MeetingSnapshot& meeting : machine.overlay.shown)
        EXPECT_TRUE(model->isReminderSuppressed(meeting)) << meeting.title.toStdString();
    clock.advance(5);
    EXPECT_EQ(machine.overlay.showCount, 2);
}

TEST_F(ReminderSchedulerTest, RulesAndQuietHoursConsumeAReminder)
{
    setEvents({ at("Muted", 0, 30) });
    AppModel& app = started();
    app.setRuleFlag(AppModel::RuleFlag::showOverlay, false, { "work", "Team", "Work" });
    clock.advance(60);
    EXPECT_EQ(machine.overlay.showCount, 0);
    EXPECT_EQ(scheduler->firedKeys().size(), 1);

    // Quiet hours from 10 to 11: held back, and not shown when they end.
    app.setRuleFlag(AppModel::RuleFlag::showOverlay, true, { "work", "Team", "Work" });
    app.setQuietHoursStartHour(10);
    app.setQuietHoursEndHour(11);
    app.setQuietHoursEnabled(true);
    setEvents({ at("Quiet", 40, 90) });
    clock.advance(40 * 60);
    EXPECT_EQ(scheduler->firedKeys().size(), 1);
    clock.advance(20 * 60);
    EXPECT_FALSE(app.isInQuietHours());
    EXPECT_EQ(machine.overlay.showCount, 0);
}

TEST_F(ReminderSchedulerTest, TheAppNapGuardIsHeldOnlyNearAReminderOrWhileSomethingShows)
{
    setEvents({ at("Later", 10, 40) });
    started();
    // The reminder is at 10:09:50, 650 s away.
    EXPECT_FALSE(scheduler->isAppNapGuardHeld());

    clock.advance(349);
    EXPECT_FALSE(scheduler->isAppNapGuardHeld());
    clock.advance(1);
    EXPECT_TRUE(scheduler->isAppNapGuardHeld());
    ASSERT_EQ(activity.begun().size(), 1);
    EXPECT_EQ(activity.begun()[0].options, platform::ProcessActivity::userInitiatedAllowingIdleSystemSleep);
    EXPECT_EQ(activity.begun()[0].reason, "Tolvar is about to fire a meeting reminder");

    clock.advance(300);
    EXPECT_EQ(machine.overlay.showCount, 1);
    clock.advance(1);
    EXPECT_TRUE(scheduler->isAppNapGuardHeld()); // the overlay is on screen
    machine.overlay.visible = false;
    clock.advance(1);
    EXPECT_FALSE(scheduler->isAppNapGuardHeld());
    EXPECT_EQ(activity.activeCount(), 0);
}

TEST_F(ReminderSchedulerTest, EveryTickOffersADueActionItemPrompt)
{
    defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, true);
    setEvents({ at("Joined", -30, 0) });
    AppModel& app = started();
    machine.overlay.visible = false; // its reminder came at start
    app.queueActionItemCapture(app.meetings()[0]);
    EXPECT_TRUE(machine.prompt.titles.isEmpty());
    clock.advance(60);
    EXPECT_EQ(machine.prompt.titles, QStringList { "Joined" });
}

// Signed in at start, while the first calendar read and the read of the other machines' files are both under way:
// what another machine answered is not reminded once its file is in, and no first reminder waits for a file that
// never comes for more than two seconds past its due moment.
TEST_F(ReminderSchedulerTest, AReminderWaitsForWhatTheOtherMachinesAnsweredAtStart)
{
    enum class PeerAnswer { none, dismissed, snoozed };
    struct Row
    {
        const char* name;
        PeerAnswer answer;
        // Seconds after start at which the peer files are in; never when negative.
        int peersReadAt;
        // Seconds after start at which the meeting falls due; due already when 0.
        int dueAt;
        // Seconds after start from which it is on screen, never when negative.
        int shownFrom;
    };
    const Row rows[] = {
        { "dismissed elsewhere", PeerAnswer::dismissed, 1, 0, -1 },
        { "snoozed elsewhere", PeerAnswer::snoozed, 1, 0, -1 },
        { "unanswered, at once when the files are in", PeerAnswer::none, 1, 0, 1 },
        { "unanswered, the files never come", PeerAnswer::none, -1, 0, 2 },
        { "due later, the files never come", PeerAnswer::none, -1, 5, 7 },
    };
    account.setToken(QByteArray("signed-in"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const platform::Date startedAt = start;
        clock.setNow(startedAt);
        schedulertest::PeerReadStore peers;
        Machine laptop(clock, defaults, peers, account);
        laptop.eventStore.setAuthorizationStatus(
            platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
        laptop.eventStore.setCalendars(platform::EntityType::event, { work });
        // Begun a minute ago, or starting when its 10 s lead has passed after `dueAt`.
        laptop.eventStore.setEvents({ event(
            "Standup", start.addingSeconds(row.dueAt == 0 ? -60 : row.dueAt + 10), start.addingSeconds(1800), work) });
        laptop.eventStore.setFirstReadComplete(false);
        ReminderScheduler* made = nullptr;
        laptop.makeScheduler = [&](AppModel& app) {
            auto scheduler = std::make_unique<ReminderScheduler>(app, app.overlayController(), clock, activity);
            made = scheduler.get();
            return scheduler;
        };
        std::unique_ptr<AppModel> app = laptop.makeModel();
        settle();
        ASSERT_EQ(titles(app->meetings()), QStringList { "Standup" }) << "the list does not wait";
        const MeetingSnapshot standup = app->meetings().first();
        ReminderState answered;
        answered.stableMeetingID = standup.id;
        answered.updatedAt = startedAt.addingSeconds(-30);
        if (row.answer == PeerAnswer::dismissed) {
            answered.dismissedAt = answered.updatedAt;
            answered.firedForStartDate = standup.startDate;
        }
        if (row.answer == PeerAnswer::snoozed)
            answered.snoozedUntil = startedAt.addingSeconds(300);
        if (row.answer != PeerAnswer::none)
            peers.setPeerData(encodeRecordArray(QList { answered }), CloudKey::reminderStates);

        for (int second = 0; second <= 10; ++second) {
            if (second > 0)
                clock.advance(1);
            if (second == row.peersReadAt) {
                peers.readPeers();
                settle();
            }
            const bool shown = row.shownFrom >= 0 && second >= row.shownFrom;
            EXPECT_EQ(laptop.overlay.showCount, shown ? 1 : 0) << "at " << second << " s";
            if (!shown) {
                EXPECT_TRUE(made->firedKeys().isEmpty()) << "a reminder that waits has not fired, at " << second;
            }
        }
        // The files come at last, ending the waits for them.
        if (!peers.hasReadPeerFiles())
            peers.readPeers();
        settle();
        app.reset();
    }
}

// The real scheduler with the real reminder and prompt controllers, offscreen, on the set clock.
class SchedulerWithControllersTest : public ReminderSchedulerTest
{
protected:
    static constexpr qint64 escapeKey = 53, returnKey = 36;

    void SetUp() override
    {
        ReminderSchedulerTest::SetUp();
        machine.realOverlay = &overlay;
        machine.realPrompt = &prompt;
    }

    QStringList onScreen() const { return titles(overlay.visibleMeetings()); }

    void press(qint64 keyCode)
    {
        panelKeys.press(keyCode, 0);
        QCoreApplication::processEvents();
    }

    QPlainTextEdit* notesEditor() const { return prompt.window()->findChild<ActionItemOverlayView*>()->editor(); }

    platform::MemorySystemSound sound;
    platform::TestHotKeys panelKeys;
    PanelTransientHotkeys registry { &panelKeys };
    FullscreenReminderController overlay { clock, sound, registry };
    ActionItemOverlayController prompt { clock, registry };
};

TEST_F(SchedulerWithControllersTest, ASnoozeEndingWhileAnotherReminderShowsKeepsThatReminder)
{
    setEvents({ at("Review", -30, 30), at("Standup", 0, 30) });
    AppModel& app = started();
    ASSERT_EQ(onScreen(), QStringList { "Review" });
    overlay.focusModel()->setFocusIndex(0); // Snooze 1m
    press(returnKey);
    clock.advance(0.5); // snoozed until 10:00:00.5

    clock.advance(49.5);
    ASSERT_EQ(onScreen(), QStringList { "Standup" });
    clock.advance(10.5);
    EXPECT_EQ(onScreen(), QStringList({ "Review", "Standup" })) << "the standup got no answer and stays";

    press(escapeKey);
    clock.advance(0.5);
    EXPECT_FALSE(overlay.isOverlayVisible());
    for (const MeetingSnapshot& meeting : app.meetings())
        EXPECT_TRUE(app.reminderStates().value(meeting.id).dismissedAt) << meeting.title.toStdString();

    // Left alone, a held reminder goes with the auto-dismiss of the overlay that holds it.
    setEvents({ at("Planning", 2, 30), at("Retro", 4, 30) });
    clock.advance(110);
    ASSERT_EQ(onScreen(), QStringList { "Planning" });
    clock.advance(120);
    ASSERT_EQ(onScreen(), QStringList({ "Planning", "Retro" }));
    clock.advance(180.5);
    EXPECT_FALSE(overlay.isOverlayVisible());
    for (const MeetingSnapshot& meeting : app.meetings())
        EXPECT_TRUE(app.reminderStates().value(meeting.id).dismissedAt) << meeting.title.toStdString();
}

TEST_F(SchedulerWithControllersTest, TheFullscreenTestsMeetingIsNotCarriedAndKeepsItsOwnReminder)
{
    setEvents({ at("Standup", 0, 30), at("Board", 45, 60) });
    AppModel& app = started();
    clock.advance(50);
    ASSERT_EQ(onScreen(), QStringList { "Standup" });
    overlay.focusModel()->setFocusIndex(0); // Snooze 1m
    press(returnKey);
    clock.advance(10); // snoozed until 10:00:50.5

    app.showFullscreenTest();
    ASSERT_EQ(onScreen(), QStringList { "Board" });
    clock.advance(50.5);
    EXPECT_EQ(onScreen(), QStringList { "Standup" }) << "the test's meeting has not fired";
    press(escapeKey);
    clock.advance(0.5);
    const MeetingSnapshot board = app.meetings()[1];
    ASSERT_EQ(board.title, "Board");
    EXPECT_FALSE(app.reminderStates().value(board.id).dismissedAt);

    clock.advance(44 * 60 - 1); // 10:44:50
    EXPECT_EQ(onScreen(), QStringList { "Board" });
}

TEST_F(SchedulerWithControllersTest, AReminderWhoseMeetingHasEndedIsNotCarried)
{
    setEvents({ at("Wrap", -10, 1), at("Next", 2, 30) });
    started();
    ASSERT_EQ(onScreen(), QStringList { "Wrap" });
    clock.advance(170); // Wrap ended at 10:01, Next's reminder at 10:01:50
    ASSERT_TRUE(overlay.isOverlayVisible());
    EXPECT_EQ(onScreen(), QStringList { "Next" });
}

TEST_F(SchedulerWithControllersTest, AReminderTheFullscreenTestCoversIsNotLost)
{
    setEvents({ at("Standup", 0, 30), at("Board", 45, 60) });
    AppModel& app = started();
    clock.advance(60);
    ASSERT_EQ(onScreen(), QStringList { "Standup" });

    // A group that falls due while the test shows takes the covered reminder along, not the test.
    app.showFullscreenTest();
    ASSERT_EQ(onScreen(), QStringList { "Board" });
    setEvents({ at("Standup", 0, 30), at("Board", 45, 60), at("Sync", -5, 30) });
    EXPECT_EQ(onScreen(), QStringList({ "Sync", "Standup" }));
    press(escapeKey);
    clock.advance(0.5);

    // Answered, the test gives the screen back to the reminder it covered.
    setEvents({ at("Standup", 0, 30), at("Board", 45, 60), at("Sync", -5, 30), at("Retro", -2, 30) });
    ASSERT_EQ(onScreen(), QStringList { "Retro" });
    app.showFullscreenTest();
    ASSERT_EQ(onScreen(), QStringList { "Board" });
    clock.advance(3);
    EXPECT_EQ(onScreen(), QStringList { "Board" }) << "it waits while the test shows";
    press(escapeKey);
    clock.advance(1);
    EXPECT_EQ(onScreen(), QStringList { "Retro" });
    for (const MeetingSnapshot& meeting : app.meetings()) {
        EXPECT_EQ(bool(app.reminderStates().value(meeting.id).dismissedAt), meeting.title != "Retro")
            << meeting.title.toStdString();
    }
}

TEST_F(SchedulerWithControllersTest, AReminderTheFullscreenTestShowsAgainStaysAReminder)
{
    setEvents({ at("Standup", 0, 30) });
    AppModel& app = started();
    clock.advance(55);
    ASSERT_EQ(onScreen(), QStringList { "Standup" });
    app.showFullscreenTest(); // the next meeting is the one on screen
    ASSERT_EQ(onScreen(), QStringList { "Standup" });
    setEvents({ at("Standup", 0, 30), at("Sync", -5, 30) });
    EXPECT_EQ(onScreen(), QStringList({ "Sync", "Standup" }));
    press(escapeKey);
    clock.advance(1);
    EXPECT_FALSE(overlay.isOverlayVisible());
    for (const MeetingSnapshot& meeting : app.meetings())
        EXPECT_TRUE(app.reminderStates().value(meeting.id).dismissedAt) << meeting.title.toStdString();
}

TEST_F(SchedulerWithControllersTest, NotesTypedWhenAReminderInterruptsComeBackWithThePrompt)
{
    defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, true);
    setEvents({ at("Standup", 10, 30) });
    AppModel& app = started();
    const MeetingSnapshot retro = meeting("Retro", start.addingSeconds(-3600), start.addingSeconds(-120));
    app.queueActionItemCapture(retro);
    ASSERT_TRUE(prompt.isOverlayVisible());
    notesEditor()->insertPlainText("- send the deck");

    clock.advance(10 * 60 + 50); // the standup's reminder
    ASSERT_EQ(onScreen(), QStringList { "Standup" });
    EXPECT_FALSE(prompt.isOverlayVisible());
    press(escapeKey);
    clock.advance(1);
    ASSERT_TRUE(prompt.isOverlayVisible());
    EXPECT_EQ(notesEditor()->toPlainText(), "- send the deck");
    notesEditor()->insertPlainText("\n- book the room");
    EXPECT_EQ(prompt.notes(), "- send the deck\n- book the room") << "typing goes on where it stopped";

    // Closed by the user, the notes are gone: a new prompt for the meeting starts empty.
    press(escapeKey);
    EXPECT_FALSE(prompt.isOverlayVisible());
    app.queueActionItemCapture(retro);
    ASSERT_TRUE(prompt.isOverlayVisible());
    EXPECT_EQ(prompt.notes(), "");
}

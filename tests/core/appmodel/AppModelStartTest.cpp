#include "AppModelHarness.h"

#include "tolvar/model/RecordJson.h"

using namespace appmodeltest;
using namespace tolvar;
using platform::AuthorizationStatus;
using platform::EntityType;

TEST_F(AppModelTest, AFirstStartStoresNoSettingAndStartsOnce)
{
    AppModel& app = started();
    EXPECT_TRUE(app.hasStarted());
    QStringList keys = defaults.keys();
    keys.removeAll(SettingsKey::deviceID);
    keys.removeAll(SettingsKey::calendarRulesMigrated);
    keys.removeAll(SettingsKey::calendarRules); // the one-time migration writes its (empty) rules
    keys.removeAll(QStringLiteral("ShortcutKit_toggleQuickPanel"));
    EXPECT_TRUE(keys.isEmpty()) << keys.join(", ").toStdString();
    EXPECT_EQ(app.reminderLeadSeconds(), 10);
    EXPECT_EQ(app.forwardDays(), 7);
    EXPECT_TRUE(app.dismissOnMenuBarJoin());

    // Start-up's own refreshes have run; calendar access was not asked before onboarding.
    EXPECT_EQ(machine.schedulersMade, 1);
    EXPECT_EQ(machine.scheduler->startCount, 1);
    EXPECT_GE(refreshes(), 2);
    EXPECT_TRUE(app.lastRefreshAt().has_value());
    EXPECT_EQ(machine.eventStore.accessRequestCount(), 1); // reminders only

    app.start();
    settle();
    EXPECT_EQ(machine.scheduler->startCount, 1);
    EXPECT_EQ(machine.schedulersMade, 1);
}

TEST_F(AppModelTest, StoredSettingsLoadThroughTheChangeHandling)
{
    defaults.setDouble(SettingsKey::reminderLeadSeconds, 0);
    defaults.setInteger(SettingsKey::forwardDays, 45);
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    defaults.setBool(SettingsKey::quickPanelShortcutEnabled, false);
    defaults.setBool(SettingsKey::quietHoursEnabled, true);
    AppModel& app = started();

    EXPECT_EQ(app.reminderLeadSeconds(), 10);
    EXPECT_EQ(defaults.doubleForKey(SettingsKey::reminderLeadSeconds), 0); // not written back
    EXPECT_EQ(app.forwardDays(), 30);
    EXPECT_EQ(defaults.integerForKey(SettingsKey::forwardDays), 30);
    EXPECT_EQ(app.selectedCalendarIDs(), QSet<QString>({ "work" }));
    EXPECT_TRUE(app.quietHoursEnabled());
    EXPECT_FALSE(app.quickPanelShortcutEnabled());
    EXPECT_FALSE(isGrabbed());
    EXPECT_FALSE(app.globalHotkeyService().hasRegisteredHandler());
}

TEST_F(AppModelTest, EachSettingStoresOnceAndStartsItsFollowUp)
{
    AppModel& app = started();
    int before = refreshes();

    app.setReminderLeadSeconds(10); // unchanged: nothing
    settle();
    EXPECT_FALSE(defaults.contains(SettingsKey::reminderLeadSeconds));
    EXPECT_EQ(refreshes(), before);

    app.setReminderLeadSeconds(60);
    EXPECT_EQ(refreshes(), before); // the refresh runs after the handler has returned
    settle();
    EXPECT_EQ(defaults.doubleForKey(SettingsKey::reminderLeadSeconds), 60);
    EXPECT_EQ(refreshes(), before + 1);

    before = refreshes();
    app.setOverlayAutoDismissSeconds(30);
    app.setQuietHoursStartHour(21);
    app.setOnlyRemindMeetingsWithJoinLink(true);
    settle();
    EXPECT_EQ(defaults.doubleForKey(SettingsKey::overlayAutoDismissSeconds), 30);
    EXPECT_EQ(defaults.integerForKey(SettingsKey::quietHoursStartHour), 21);
    EXPECT_TRUE(defaults.boolForKey(SettingsKey::onlyRemindMeetingsWithJoinLink));
    EXPECT_EQ(refreshes(), before);

    app.setForwardDays(0);
    settle();
    EXPECT_EQ(app.forwardDays(), 1);
    EXPECT_EQ(defaults.integerForKey(SettingsKey::forwardDays), 1);
    EXPECT_EQ(refreshes(), before + 1);
    app.setForwardDays(45);
    settle();
    EXPECT_EQ(app.forwardDays(), 30);
    EXPECT_EQ(defaults.integerForKey(SettingsKey::forwardDays), 30);
    EXPECT_EQ(refreshes(), before + 2);

    before = refreshes();
    app.setCalendar("work", true);
    app.setCalendar("work", true);
    app.setCalendar("home", false);
    app.setReminderList("tasks", true);
    app.setReminderDefaultHour(8);
    settle();
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::selectedCalendarIDs), QStringList { "work" });
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::selectedReminderListIDs), QStringList { "tasks" });
    EXPECT_EQ(refreshes(), before + 3);
}

TEST_F(AppModelTest, SwitchingTheActionItemPromptOffEmptiesItsQueue)
{
    defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, true);
    AppModel& app = started();
    const MeetingSnapshot ended = meeting("Ended", clock.now().addingSeconds(-3600), clock.now().addingSeconds(-60));
    const MeetingSnapshot later = meeting("Later", clock.now().addingSeconds(600), clock.now().addingSeconds(1200));
    app.queueActionItemCapture(later);
    app.queueActionItemCapture(ended);
    ASSERT_TRUE(machine.prompt.visible);

    app.setShowActionItemAlertAfterMeeting(false);
    EXPECT_FALSE(machine.prompt.visible);
    EXPECT_FALSE(app.isPresentingActionItemAlert());
    EXPECT_TRUE(app.pendingActionItemMeetings().isEmpty());
    EXPECT_TRUE(SettingsStore(defaults).loadPendingActionItemMeetings().isEmpty());
    EXPECT_TRUE(defaults.contains(SettingsKey::pendingActionItemMeetings));
}

TEST_F(AppModelTest, TheShortcutSwitchRegistersOneHandlerAndClosesThePanel)
{
    model = machine.makeModel();
    // Before start: stored, but no shortcut is touched.
    model->setQuickPanelShortcutEnabled(false);
    EXPECT_FALSE(defaults.boolForKey(SettingsKey::quickPanelShortcutEnabled));
    EXPECT_FALSE(model->globalHotkeyService().hasRegisteredHandler());
    model->setQuickPanelShortcutEnabled(true);
    EXPECT_FALSE(isGrabbed());
    settle();
    AppModel& app = *model;
    ASSERT_TRUE(isGrabbed());

    hotKeys.press(46, 6144);
    hotKeys.release(46, 6144);
    EXPECT_EQ(machine.quickPanel.toggleCount, 0); // a fresh turn of the event loop
    settle();
    EXPECT_EQ(machine.quickPanel.toggleCount, 1);
    ASSERT_TRUE(machine.quickPanel.open);

    app.setQuickPanelShortcutEnabled(false);
    EXPECT_FALSE(isGrabbed());
    EXPECT_EQ(machine.quickPanel.closeCount, 1);
    app.setQuickPanelShortcutEnabled(true);
    app.applyQuickPanelShortcut();
    EXPECT_TRUE(isGrabbed());
    hotKeys.press(46, 6144);
    hotKeys.release(46, 6144);
    settle();
    EXPECT_EQ(machine.quickPanel.toggleCount, 2); // one handler, one toggle per press

    // The handler outlives the model and must then do nothing.
    model.reset();
    hotKeys.press(46, 6144);
    hotKeys.release(46, 6144);
    settle();
    EXPECT_EQ(machine.quickPanel.toggleCount, 2);
}

TEST_F(AppModelTest, LaunchAtLoginMirrorsTheLoginItemAndLogsFailures)
{
    AppModel& app = started();
    machine.loginItem.setRegistrationNeedsApproval(true);
    app.setLaunchAtLogin(true);
    EXPECT_FALSE(app.launchAtLogin());

    machine.loginItem.setRegistrationNeedsApproval(false);
    machine.loginItem.setStatus(platform::LoginItem::Status::notRegistered);
    app.setLaunchAtLogin(true);
    EXPECT_TRUE(app.launchAtLogin());

    machine.loginItem.setFailure("no autostart folder");
    app.setLaunchAtLogin(false);
    EXPECT_TRUE(app.launchAtLogin());
    EXPECT_EQ(machine.systemLog.lines(), QStringList { "SMAppService unregister failed: no autostart folder" });
}

TEST_F(AppModelTest, AfterOnboardingStartUpAsksForCalendarAccess)
{
    defaults.setBool(SettingsKey::onboardingCompleted, true);
    AppModel& app = started();
    EXPECT_EQ(machine.eventStore.accessRequestCount(),
        2); // reminders at start, then calendars; reminders are decided by then
    EXPECT_EQ(app.permissionState(), PermissionState::granted);
    EXPECT_EQ(app.calendars().size(), 2);
}

TEST_F(AppModelTest, WithoutOnboardingTheCurrentStatusIsRecordedWithoutAsking)
{
    machine.eventStore.setAuthorizationStatus(EntityType::event, AuthorizationStatus::denied);
    AppModel& app = started();
    EXPECT_EQ(app.permissionState(), PermissionState::denied);
    EXPECT_EQ(machine.eventStore.accessRequestCount(), 1);
}

TEST_F(AppModelTest, CalendarChangesAreDebouncedAndOtherTriggersRefreshAtOnce)
{
    started();
    int before = refreshes();
    for (int i = 0; i < 3; ++i) {
        machine.eventStore.postChange();
        clock.advance(0.1);
    }
    settle();
    EXPECT_EQ(refreshes(), before);
    EXPECT_EQ(machine.eventStore.resetCount(), 0);
    clock.advance(0.39);
    EXPECT_EQ(refreshes(), before);
    clock.advance(0.01);
    settle();
    EXPECT_EQ(refreshes(), before + 1);
    EXPECT_EQ(machine.eventStore.resetCount(), 1);

    before = refreshes();
    machine.systemEvents.postWake();
    machine.systemEvents.postScreensWake();
    machine.systemEvents.postBecomeActive();
    settle();
    EXPECT_EQ(refreshes(), before + 3);

    before = refreshes();
    clock.advance(60);
    settle();
    EXPECT_GE(refreshes(), before + 1);
}

// A file rewritten without pause must not hold back what other files changed.
TEST_F(AppModelTest, UnceasingCalendarChangesRefreshWithinTwoSeconds)
{
    started();
    const int before = refreshes();
    // Changes every 10 ms for 1.99 s: none answered yet, as the first came less than two seconds ago.
    for (int i = 0; i < 199; ++i) {
        machine.eventStore.postChange();
        clock.advance(0.01);
    }
    settle();
    EXPECT_EQ(refreshes(), before);
    for (int i = 0; i < 2; ++i) {
        machine.eventStore.postChange();
        clock.advance(0.01);
    }
    settle();
    EXPECT_EQ(refreshes(), before + 1);
    EXPECT_EQ(machine.eventStore.resetCount(), 1);

    // The churn goes on: each further two seconds bring one refresh, not one per change.
    for (int i = 0; i < 420; ++i) {
        machine.eventStore.postChange();
        clock.advance(0.01);
    }
    settle();
    EXPECT_EQ(refreshes(), before + 3);

    // Once it stops, a lone change waits the usual half second again.
    clock.advance(5);
    settle();
    const int quiet = refreshes();
    machine.eventStore.postChange();
    clock.advance(0.49);
    settle();
    EXPECT_EQ(refreshes(), quiet);
    clock.advance(0.01);
    settle();
    EXPECT_EQ(refreshes(), quiet + 1);
}

TEST_F(AppModelTest, ExternalCloudChangesRefreshOnlyWhileSignedIn)
{
    started();
    int before = refreshes();
    const int syncs = store.synchronizeCount();
    store.postExternalChange({ CloudKey::reminderStates });
    settle();
    EXPECT_EQ(refreshes(), before + 1);
    EXPECT_GT(store.synchronizeCount(), syncs);

    account.setToken(std::nullopt);
    before = refreshes();
    store.postExternalChange({ CloudKey::reminderStates });
    settle();
    EXPECT_EQ(refreshes(), before);
}

TEST_F(AppModelTest, TheMigrationTurnsLegacyMuteListsIntoRulesOnce)
{
    grantAccess();
    defaults.setStringArray(SettingsKey::fullscreenMutedCalendarIDs, { "work", "gone" });
    defaults.setStringArray(SettingsKey::soundMutedCalendarIDs, { "home" });
    AppModel& app = started();

    const QString workKey = QStringLiteral("Work") + QChar(0x1F) + QStringLiteral("Team");
    const QString homeKey = QChar(0x1F) + QStringLiteral("Home");
    ASSERT_EQ(app.calendarRules().size(), 2);
    EXPECT_FALSE(app.calendarRules()[workKey].showOverlay);
    EXPECT_TRUE(app.calendarRules()[workKey].playSound);
    EXPECT_FALSE(app.calendarRules()[homeKey].playSound);
    EXPECT_EQ(SettingsStore(defaults).loadCalendarRules(), app.calendarRules());
    EXPECT_TRUE(defaults.boolForKey(SettingsKey::calendarRulesMigrated));
    EXPECT_TRUE(app.fullscreenMutedCalendarIDs().isEmpty());
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::fullscreenMutedCalendarIDs), QStringList());

    // A second run changes nothing, even with lists written again.
    defaults.setStringArray(SettingsKey::soundMutedCalendarIDs, { "work" });
    app.setSoundMutedCalendarIDs({ "work" });
    app.migrateCalendarRules();
    EXPECT_TRUE(app.calendarRules()[workKey].playSound);
}

TEST_F(AppModelTest, TheMigrationWaitsWhileTheCalendarsCannotBeRead)
{
    machine.eventStore.setCalendars(platform::EntityType::event, {});
    defaults.setStringArray(SettingsKey::fullscreenMutedCalendarIDs, { "work" });
    AppModel& app = started();
    EXPECT_FALSE(defaults.boolForKey(SettingsKey::calendarRulesMigrated));
    EXPECT_TRUE(app.calendarRules().isEmpty());
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::fullscreenMutedCalendarIDs), QStringList { "work" });
}

TEST_F(AppModelTest, TheMigrationWaitsForTheCalendarsToBeReadThrough)
{
    // A calendar not read yet would lose its muting. Once every calendar is listed and named, a read under way (or a
    // file left unread for ever, which does not make the read less whole) holds it back no more.
    grantAccess();
    machine.eventStore.setFirstReadComplete(false);
    machine.eventStore.setReadComplete(false);
    defaults.setStringArray(SettingsKey::fullscreenMutedCalendarIDs, { "work" });
    AppModel& app = started();
    EXPECT_FALSE(defaults.boolForKey(SettingsKey::calendarRulesMigrated));
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::fullscreenMutedCalendarIDs), QStringList { "work" });

    // Nor one named inside its only file, not read yet: it is listed under the file's name meanwhile.
    machine.eventStore.setFirstReadComplete(true);
    machine.eventStore.setUnknownFiles({ { "work", "work#", true } });
    app.refresh();
    settle();
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::fullscreenMutedCalendarIDs), QStringList { "work" });
    // Its meetings kept from the last run stay muted meanwhile.
    MeetingSnapshot kept = meeting("Sync", clock.now(), clock.now().addingSeconds(60), {}, "team-export", "Local");
    kept.calendarExternalIdentifier = QStringLiteral("work");
    EXPECT_FALSE(app.shouldShowOverlay({ kept }));

    machine.eventStore.setUnknownFiles({});
    app.refresh();
    settle();
    EXPECT_TRUE(defaults.boolForKey(SettingsKey::calendarRulesMigrated));
    EXPECT_FALSE(app.calendarRules()[QStringLiteral("Work") + QChar(0x1F) + QStringLiteral("Team")].showOverlay);
}

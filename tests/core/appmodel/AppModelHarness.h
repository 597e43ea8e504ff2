#pragma once

#include "ShortcutKit/ShortcutKit.h"
#include "platform/calendar/TestEventStore.h"
#include "platform/cloud/MemoryKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/defaults/MemoryUserDefaults.h"
#include "platform/hotkeys/TestHotKeys.h"
#include "platform/keyboard/TestKeyboardLayout.h"
#include "platform/log/MemorySystemLog.h"
#include "platform/login/MemoryLoginItem.h"
#include "platform/system/TestSystemEvents.h"
#include "platform/systemshortcuts/TestSystemShortcuts.h"
#include "platform/time/TestClock.h"
#include "platform/updater/MemoryUpdater.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tolvar/core/ActionItemPrompt.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/core/QuickPanel.h"
#include "tolvar/core/ReminderOverlay.h"
#include "tolvar/settings/UpdateService.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace appmodeltest {

inline void useBerlinTime()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

inline platform::Date berlin(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return platform::Date::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone("Europe/Berlin")));
}

class FakeOverlay final : public tolvar::ReminderOverlay
{
public:
    void show(const QList<tolvar::MeetingSnapshot>& meetings, bool playSound, int soundRepeat, bool hideFromScreenShare,
        double autoDismissAfter, JoinHandler onJoin, SnoozeHandler onSnooze, DismissHandler onDismiss) override
    {
        ++showCount;
        shown = meetings;
        history.append(meetings);
        lastPlaySound = playSound;
        lastSoundRepeat = soundRepeat;
        lastHideFromScreenShare = hideFromScreenShare;
        lastAutoDismiss = autoDismissAfter;
        join = std::move(onJoin);
        snooze = std::move(onSnooze);
        dismiss = std::move(onDismiss);
        visible = true;
    }
    void hideAll() override
    {
        ++hideCount;
        visible = false;
    }
    bool isOverlayVisible() const override { return visible; }
    QList<tolvar::MeetingSnapshot> visibleMeetings() const override
    {
        return visible ? shown : QList<tolvar::MeetingSnapshot>();
    }

    int showCount = 0;
    int hideCount = 0;
    bool visible = false;
    QList<tolvar::MeetingSnapshot> shown;
    QList<QList<tolvar::MeetingSnapshot>> history;
    bool lastPlaySound = false;
    int lastSoundRepeat = -1;
    bool lastHideFromScreenShare = false;
    double lastAutoDismiss = 0;
    JoinHandler join;
    SnoozeHandler snooze;
    DismissHandler dismiss;
};

class FakePrompt final : public tolvar::ActionItemPrompt
{
public:
    void show(const QString& meetingTitle, const QString& notes, bool, std::function<void()> onDismiss) override
    {
        titles.append(meetingTitle);
        typed = notes;
        closeHandler = std::move(onDismiss);
        visible = true;
    }
    void hide() override
    {
        ++hideCount;
        visible = false;
        typed.clear();
    }
    QString notes() const override { return typed; }
    bool isOverlayVisible() const override { return visible; }
    // The user closes the prompt.
    void close()
    {
        visible = false;
        if (closeHandler)
            closeHandler();
    }

    QStringList titles;
    // The editor's text: what show() was given, and what the user typed since.
    QString typed;
    int hideCount = 0;
    bool visible = false;
    std::function<void()> closeHandler;
};

class FakeQuickPanel final : public tolvar::QuickPanel
{
public:
    void toggle(tolvar::AppModel&, std::function<void()>) override
    {
        ++toggleCount;
        open = !open;
    }
    bool hasPanel() const override { return open; }
    void closePanel() override
    {
        ++closeCount;
        open = false;
    }

    int toggleCount = 0;
    int closeCount = 0;
    bool open = false;
};

class FakeScheduler final : public tolvar::ReminderScheduling
{
public:
    void start() override { ++startCount; }
    void evaluate() override { ++evaluateCount; }
    void yieldOverlay(const QList<tolvar::MeetingSnapshot>& /*shownInstead*/) override { }

    int startCount = 0;
    int evaluateCount = 0;
};

// The test doubles of every layer one model needs, and the model over them.
struct Machine
{
    explicit Machine(platform::TestClock& clock, platform::UserDefaults& defaults,
        platform::UbiquitousKeyValueStore& store, const platform::CloudAccount& account)
        : clock(clock)
        , defaults(defaults)
        , store(store)
        , account(account)
    { }

    std::unique_ptr<tolvar::AppModel> makeModel()
    {
        tolvar::AppModel::Services services { clock, defaults, updateService,
            realEventStore ? *realEventStore : eventStore, store, account, realOverlay ? *realOverlay : overlay,
            realPrompt ? *realPrompt : prompt, quickPanel, loginItem, systemLog, systemEvents, workspace,
            [this](tolvar::AppModel& model) -> std::unique_ptr<tolvar::ReminderScheduling> {
                if (makeScheduler)
                    return makeScheduler(model);
                ++schedulersMade;
                auto made = std::make_unique<FakeScheduler>();
                scheduler = made.get();
                return made;
            } };
        return std::make_unique<tolvar::AppModel>(services);
    }

    platform::TestClock& clock;
    platform::UserDefaults& defaults;
    platform::UbiquitousKeyValueStore& store;
    const platform::CloudAccount& account;
    platform::MemoryUpdater updater;
    tolvar::UpdateService updateService { updater };
    platform::TestEventStore eventStore;
    // The real calendar store, for tests that set it, in place of the double.
    platform::EventStore* realEventStore = nullptr;
    FakeOverlay overlay;
    FakePrompt prompt;
    // The real reminder and prompt controllers, for tests that set them, in place of the doubles.
    tolvar::ReminderOverlay* realOverlay = nullptr;
    tolvar::ActionItemPrompt* realPrompt = nullptr;
    FakeQuickPanel quickPanel;
    platform::MemoryLoginItem loginItem;
    platform::MemorySystemLog systemLog;
    platform::TestSystemEvents systemEvents;
    platform::MemoryWorkspace workspace;
    // Replaces the counting double, for tests of the real scheduler.
    tolvar::AppModel::SchedulerFactory makeScheduler;
    FakeScheduler* scheduler = nullptr;
    int schedulersMade = 0;
};

// Runs the queued calls and the coroutines they start; the doubles never really wait.
inline void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

inline tolvar::MeetingSnapshot meeting(const QString& title, platform::Date start, platform::Date end,
    std::optional<QString> link = QStringLiteral("https://zoom.us/j/1"),
    const QString& calendar = QStringLiteral("Team"), const QString& account = QStringLiteral("Work"))
{
    tolvar::MeetingSnapshot snapshot;
    snapshot.title = title;
    snapshot.startDate = start;
    snapshot.endDate = end;
    if (link)
        snapshot.joinURL = QUrl(*link);
    snapshot.calendarTitle = calendar;
    snapshot.calendarSourceTitle = account;
    snapshot.id = tolvar::MeetingSnapshot::makeStableID(title, start, end, snapshot.joinURL, std::nullopt);
    return snapshot;
}

// One machine's doubles, the shortcut library's among them, and the model made over them.
struct ModelRig
{
    platform::TestClock clock;
    platform::MemoryUserDefaults defaults;
    platform::MemoryKeyValueStore store;
    platform::TestCloudAccount account;
    platform::TestHotKeys hotKeys;
    platform::TestKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
    Machine machine { clock, defaults, store, account };
    std::unique_ptr<tolvar::AppModel> model;
};

// A model over one machine's doubles, with the shortcut library started on test doubles.
class AppModelTest : public ::testing::Test, protected ModelRig
{
protected:
    void SetUp() override
    {
        useBerlinTime();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        clock.setNow(berlin(2026, 3, 5, 10));
        layout.useUsLayout();
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        // The name is made once per process; every test starts with its default stored.
        ShortcutKit::reset({ ShortcutKit::Name::toggleQuickPanel() });
        machine.eventStore.setCalendars(platform::EntityType::event, { work, home });
        machine.eventStore.setCalendars(platform::EntityType::reminder, { tasks });
    }

    void TearDown() override
    {
        model.reset();
        ShortcutKit::shutDown();
    }

    tolvar::AppModel& started()
    {
        model = machine.makeModel();
        settle();
        return *model;
    }

    void grantAccess()
    {
        machine.eventStore.setAuthorizationStatus(
            platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
        machine.eventStore.setAuthorizationStatus(
            platform::EntityType::reminder, platform::AuthorizationStatus::fullAccess);
    }

    platform::StoreEvent event(
        const QString& title, platform::Date start, platform::Date end, const platform::StoreCalendar& calendar) const
    {
        platform::StoreEvent stored;
        stored.calendar = calendar;
        stored.title = title;
        stored.start = start;
        stored.end = end;
        stored.url = QStringLiteral("https://zoom.us/j/42");
        stored.itemIdentifier = title + QStringLiteral("-item");
        stored.externalIdentifier = title + QStringLiteral("-uid");
        return stored;
    }

    int refreshes() const { return machine.scheduler ? machine.scheduler->evaluateCount : 0; }

    bool isGrabbed() const { return hotKeys.isGrabbed(46, 6144); }

    const platform::StoreCalendar work { "work", "Team", "Work" };
    const platform::StoreCalendar home { "home", "Home", "" };
    const platform::StoreCalendar tasks { "tasks", "Tasks", "Work" };
};

} // namespace appmodeltest

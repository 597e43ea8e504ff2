#include "OverlayTestSupport.h"

#include "platform/hotkeys/TestHotKeys.h"
#include "platform/sound/MemorySystemSound.h"
#include "platform/time/TestClock.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/reminders/FullscreenReminderController.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderOverlayView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <gtest/gtest.h>

using namespace tolvar;
using Owner = PanelTransientHotkeys::Owner;
using Action = PanelTransientHotkeys::Action;

namespace {
constexpr qint64 escapeKey = 53, leftKey = 123, rightKey = 124, downKey = 125, upKey = 126, returnKey = 36;
const QString preferredSound = QStringLiteral("phone-incoming-call");
} // namespace

class FullscreenReminderControllerTest : public ::testing::Test
{
protected:
    FullscreenReminderControllerTest() { sound.addSound(preferredSound, 2.0); }

    void show(const QList<MeetingSnapshot>& meetings, bool playSound = false, int soundRepeat = 0,
        double autoDismissAfter = 180)
    {
        controller.show(
            meetings, playSound, soundRepeat, false, autoDismissAfter,
            [this](const MeetingSnapshot& meeting) { log.append(QStringLiteral("join %1").arg(meeting.id)); },
            [this](const QList<MeetingSnapshot>& shown, double seconds) {
                log.append(QStringLiteral("snooze %1 %2").arg(shown.size()).arg(seconds));
            },
            [this](
                const QList<MeetingSnapshot>& shown) { log.append(QStringLiteral("dismiss %1").arg(shown.size())); });
        QCoreApplication::processEvents();
    }

    void press(qint64 keyCode)
    {
        hotKeys.press(keyCode, 0);
        QCoreApplication::processEvents();
    }

    QStringList focusIDs() const
    {
        QStringList ids;
        for (const OverlayFocusModel::Item& item : controller.focusModel()->items())
            ids.append(item.id);
        return ids;
    }

    platform::TestClock clock;
    platform::MemorySystemSound sound;
    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry { &hotKeys };
    FullscreenReminderController controller { clock, sound, registry };
    QStringList log;
    MeetingSnapshot online = overlayMeeting("m1", "Standup", clock.now(), 60, "https://us02web.zoom.us/j/1");
};

TEST_F(FullscreenReminderControllerTest, ShowsOneWindowPerScreenSharingOneFocusModel)
{
    show({ online });
    ASSERT_EQ(controller.windows().size(), QGuiApplication::screens().size());
    EXPECT_TRUE(controller.isOverlayVisible());
    EXPECT_EQ(controller.visibleMeetings(), QList<MeetingSnapshot> { online });
    for (QWidget* window : controller.windows()) {
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->geometry(), QGuiApplication::screens().first()->geometry());
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    }
    EXPECT_EQ(focusIDs(), (QStringList { "snooze-60", "snooze-180", "snooze-300", "dismiss", "primary" }));
    EXPECT_EQ(controller.focusModel()->focusIndex(), 4);
}

TEST_F(FullscreenReminderControllerTest, SecondShowReplacesTheFirstWithoutACallbackAndEmptyShowKeepsIt)
{
    show({ online });
    const QPointer<QWidget> first = controller.windows().first();
    const MeetingSnapshot later = overlayMeeting("m2", "Review", clock.now(), 120);
    show({ later });
    EXPECT_EQ(controller.visibleMeetings(), QList<MeetingSnapshot> { later });
    EXPECT_FALSE(first->isVisible());
    clock.advance(0.24);
    EXPECT_TRUE(first);
    clock.advance(0.02);
    EXPECT_FALSE(first);
    EXPECT_TRUE(controller.isOverlayVisible());

    show({});
    EXPECT_EQ(controller.visibleMeetings(), QList<MeetingSnapshot> { later });
    clock.advance(200);
    EXPECT_EQ(log, QStringList { "dismiss 1" }) << "only the auto-dismiss of the second overlay calls back";
}

TEST_F(FullscreenReminderControllerTest, HandsOverAfterTheWindowsAreGoneAndDropsASecondAction)
{
    show({ online });
    const QPointer<QWidget> window = controller.windows().first();
    press(returnKey);
    press(escapeKey);
    EXPECT_FALSE(controller.isOverlayVisible());
    EXPECT_TRUE(controller.visibleMeetings().isEmpty());
    EXPECT_TRUE(controller.isHandlingAction());
    EXPECT_FALSE(window->isVisible());
    clock.advance(0.34);
    EXPECT_TRUE(window) << "closed only 0.35 s after being ordered out";
    clock.advance(0.01);
    EXPECT_FALSE(window);
    clock.advance(0.14);
    EXPECT_TRUE(log.isEmpty());
    clock.advance(0.01);
    EXPECT_EQ(log, QStringList { "join m1" });
    EXPECT_FALSE(controller.isHandlingAction());
    clock.advance(300);
    EXPECT_EQ(log, QStringList { "join m1" });
}

TEST_F(FullscreenReminderControllerTest, AnAnswerOutlivesAQuitOrTheControllerGoingDuringTheCloseOnce)
{
    enum class Answer { none, escapeHandled, escapeQueued };
    enum class Going { destroyed, quitting };
    for (const Answer answer : { Answer::none, Answer::escapeHandled, Answer::escapeQueued }) {
        for (const Going going : { Going::destroyed, Going::quitting }) {
            const QString row = QStringLiteral("answer %1, going %2").arg(int(answer)).arg(int(going));
            QStringList answers;
            auto overlay = std::make_unique<FullscreenReminderController>(clock, sound, registry);
            overlay->show(
                { online }, false, 0, false, 180, [](const MeetingSnapshot&) {},
                [](const QList<MeetingSnapshot>&, double) {},
                [&answers](const QList<MeetingSnapshot>& shown) { answers.append(QString::number(shown.size())); });
            QCoreApplication::processEvents();
            if (answer != Answer::none)
                hotKeys.press(escapeKey, 0);
            if (answer == Answer::escapeHandled)
                QCoreApplication::processEvents();
            clock.advance(0.2);
            if (going == Going::destroyed)
                overlay.reset();
            else
                QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
            const QStringList expected = answer == Answer::none ? QStringList {} : QStringList { "1" };
            EXPECT_EQ(answers, expected) << qPrintable(row);
            QCoreApplication::processEvents();
            clock.advance(0.5);
            EXPECT_EQ(answers, expected) << qPrintable(row) << ": never twice";
            overlay.reset();
        }
    }
}

TEST_F(FullscreenReminderControllerTest, AutoDismissesWithEveryShownMeetingUnlessTheUserChoseFirst)
{
    const MeetingSnapshot second = overlayMeeting("m2", "Review", clock.now(), 30);
    show({ online, second });
    EXPECT_EQ(controller.visibleMeetings().first().id, "m2") << "sorted by start";
    clock.advance(179.9);
    EXPECT_TRUE(controller.isOverlayVisible());
    clock.advance(0.1);
    EXPECT_FALSE(controller.isOverlayVisible());
    clock.advance(0.5);
    EXPECT_EQ(log, QStringList { "dismiss 2" });

    log.clear();
    show({ online });
    clock.advance(10);
    press(downKey);
    press(leftKey); // from "primary" to "dismiss"
    press(returnKey);
    clock.advance(0.5);
    EXPECT_EQ(log, QStringList { "dismiss 1" });
    clock.advance(400);
    EXPECT_EQ(log, QStringList { "dismiss 1" });
}

TEST_F(FullscreenReminderControllerTest, ArrowsMoveTheSharedFocusWithoutWrapping)
{
    show({ online });
    OverlayFocusModel* focus = controller.focusModel();
    for (int i = 0; i < 5; ++i)
        press(i % 2 ? upKey : leftKey);
    EXPECT_EQ(focus->focusIndex(), 0);
    press(rightKey);
    EXPECT_EQ(focus->focusIndex(), 1);
    for (int i = 0; i < 6; ++i)
        press(downKey);
    EXPECT_EQ(focus->focusIndex(), 4);
}

TEST_F(FullscreenReminderControllerTest, ReturnRunsEachFocusItemOfOneMeeting)
{
    const QStringList expected = { "snooze 1 60", "snooze 1 180", "snooze 1 300", "dismiss 1", "join m1" };
    for (int index = 0; index < expected.size(); ++index) {
        log.clear();
        show({ online });
        controller.focusModel()->setFocusIndex(index);
        press(returnKey);
        clock.advance(0.5);
        EXPECT_EQ(log, QStringList { expected.at(index) }) << index;
    }
}

TEST_F(FullscreenReminderControllerTest, ReturnOnTheRowsOfSeveralMeetings)
{
    const MeetingSnapshot office = overlayMeeting("m2", "Planning", clock.now(), 60, {}, "Room 4");
    const MeetingSnapshot plain = overlayMeeting("m3", "Focus time", clock.now(), 60);
    show({ online, office, plain });
    EXPECT_EQ(focusIDs(), (QStringList { "join-m1", "copy-m2", "snooze-60", "snooze-180", "snooze-300", "dismiss" }));
    EXPECT_EQ(controller.focusModel()->focusIndex(), 0);
    press(rightKey);
    QGuiApplication::clipboard()->setText("before");
    press(returnKey);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Room 4");
    EXPECT_TRUE(controller.isOverlayVisible()) << "copying keeps the overlay";
    press(leftKey);
    press(returnKey);
    clock.advance(0.5);
    EXPECT_EQ(log, QStringList { "join m1" });
}

TEST_F(FullscreenReminderControllerTest, TakesThePanelKeysAndNeverGivesThemBack)
{
    QList<Owner> served;
    registry.registerOwner(Owner::menuBar, PanelTransientHotkeys::KeySet::panelNavigation,
        [&served](Action) { served.append(Owner::menuBar); });
    registry.registerOwner(Owner::quickPanel, PanelTransientHotkeys::KeySet::panelNavigation,
        [&served](Action) { served.append(Owner::quickPanel); });
    show({ online });
    EXPECT_EQ(hotKeys.grabbedCount(), 13);
    press(leftKey);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_EQ(controller.focusModel()->focusIndex(), 3);

    controller.hideAll();
    EXPECT_EQ(hotKeys.grabbedCount(), 0) << "menuBar and quickPanel are gone for good";
    press(escapeKey);
    clock.advance(1);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_TRUE(log.isEmpty()) << "hideAll calls nothing back";
}

TEST_F(FullscreenReminderControllerTest, SoundLoopsUntilTheOverlayGoes)
{
    show({ online }, true, 0);
    EXPECT_EQ(sound.events(), (QStringList { "loop " + preferredSound, "play " + preferredSound }));
    clock.advance(60);
    EXPECT_EQ(sound.count("play " + preferredSound), 1) << "the sound itself loops";
    press(escapeKey);
    clock.advance(0.5);
    EXPECT_EQ(sound.events().last(), "stop " + preferredSound);
    EXPECT_EQ(log, QStringList { "dismiss 1" });
}

TEST_F(FullscreenReminderControllerTest, SoundPlaysTheCountedNumberOfTimesOnePerDuration)
{
    for (const int repeat : { 1, 3 }) {
        sound.clearEvents();
        show({ online }, true, repeat);
        EXPECT_EQ(sound.count("play " + preferredSound), 1);
        clock.advance(1.9);
        EXPECT_EQ(sound.count("play " + preferredSound), 1);
        clock.advance(0.1);
        EXPECT_EQ(sound.count("play " + preferredSound), std::min(repeat, 2));
        clock.advance(20);
        EXPECT_EQ(sound.count("play " + preferredSound), repeat);
        EXPECT_EQ(controller.soundPlayCount(), repeat);
    }
}

TEST_F(FullscreenReminderControllerTest, SoundWithoutADurationReplaysEverySecondAndFallsBackToTheBeep)
{
    platform::MemorySystemSound fallback;
    fallback.addSound("bell", 0);
    FullscreenReminderController other(clock, fallback, registry);
    other.show(
        { online }, true, 3, false, 180, [](const MeetingSnapshot&) {}, [](const QList<MeetingSnapshot>&, double) {},
        [](const QList<MeetingSnapshot>&) {});
    clock.advance(1);
    EXPECT_EQ(fallback.count("play bell"), 2);
    clock.advance(1);
    EXPECT_EQ(fallback.count("play bell"), 3);

    platform::MemorySystemSound silent;
    FullscreenReminderController beeping(clock, silent, registry);
    beeping.show(
        { online }, true, 0, false, 180, [](const MeetingSnapshot&) {}, [](const QList<MeetingSnapshot>&, double) {},
        [](const QList<MeetingSnapshot>&) {});
    EXPECT_EQ(silent.events(), QStringList { "beep" });
    EXPECT_EQ(beeping.soundPlayLimit(), 0);
}

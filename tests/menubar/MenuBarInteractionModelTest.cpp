#include "tolvar/menubar/MenuBarInteractionModel.h"
#include "platform/time/TestClock.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using tolvar::MenuBarInteractionModel;

namespace {
class MenuBarInteractionModelTest : public ::testing::Test
{
protected:
    void advance(double seconds)
    {
        clock.advance(seconds);
        QCoreApplication::processEvents();
    }
    void target(double secondsAhead) { ui.setCountdownTargetStart(clock.now().addingSeconds(secondsAhead)); }

    platform::TestClock clock;
    MenuBarInteractionModel ui { clock };
};
} // namespace

TEST_F(MenuBarInteractionModelTest, TheClockSleepsAsLongAsTheCountdownAllows)
{
    EXPECT_EQ(ui.clockWait(), 60) << "no target";
    target(-5);
    EXPECT_EQ(ui.clockWait(), 60) << "target passed";
    target(2 * 3600);
    EXPECT_EQ(ui.clockWait(), 60);
    target(3600 + 20);
    EXPECT_DOUBLE_EQ(ui.clockWait(), 20) << "wakes exactly when the last hour begins";
    target(3600 + 0.02);
    EXPECT_DOUBLE_EQ(ui.clockWait(), 0.05) << "never sooner than 0.05 s";
    target(3600);
    EXPECT_DOUBLE_EQ(ui.clockWait(), 0.05) << "at the hour's edge, the shortest wait";
    target(3599);
    EXPECT_EQ(ui.clockWait(), 1);
    target(0.3);
    EXPECT_EQ(ui.clockWait(), 1);
}

TEST_F(MenuBarInteractionModelTest, TheClockTicksThroughTheLastHourOnceASecond)
{
    const platform::Date opened = clock.now();
    target(3600 + 20);
    ui.startClock();
    EXPECT_EQ(ui.now(), opened);
    int ticks = 0;
    QObject::connect(&ui, &MenuBarInteractionModel::nowChanged, [&] { ++ticks; });

    advance(19.9);
    EXPECT_EQ(ticks, 0);
    advance(0.1);
    EXPECT_EQ(ticks, 1) << "woke at the start of the last hour";
    EXPECT_EQ(ui.now(), clock.now());
    advance(0.05);
    EXPECT_EQ(ticks, 2) << "exactly an hour left is not yet inside the last hour";
    advance(0.99);
    EXPECT_EQ(ticks, 2);
    advance(0.01);
    EXPECT_EQ(ticks, 3);
    advance(10);
    EXPECT_EQ(ticks, 13);

    // Once the target passed, back to a minute.
    advance(3600);
    EXPECT_EQ(ui.clockWait(), 60);
}

TEST_F(MenuBarInteractionModelTest, ANearerTargetTicksAtOnceAFartherOneAfterTheCurrentWait)
{
    ui.startClock();
    advance(10);
    // A refresh brings a meeting within the hour while the clock sleeps its minute.
    target(600);
    advance(1);
    EXPECT_EQ(ui.now(), clock.now()) << "a second after the new target, not at the end of the minute";
    advance(1);
    EXPECT_EQ(ui.now(), clock.now());
    // A farther target lets the current second run out before the clock waits longer.
    advance(0.5);
    target(3 * 3600);
    advance(0.5);
    EXPECT_EQ(ui.now(), clock.now());
    advance(59.5);
    EXPECT_EQ(ui.now(), clock.now().addingSeconds(-59.5)) << "then a minute's wait";
    EXPECT_EQ(clock.activeTimerCount(), 1) << "one clock loop throughout";
}

TEST_F(MenuBarInteractionModelTest, StoppingForgetsTheTargetAndRestartingTakesAFreshNow)
{
    target(100);
    ui.startClock();
    ui.stopClock();
    EXPECT_FALSE(ui.isClockRunning());
    EXPECT_EQ(ui.countdownTargetStart(), std::nullopt);
    const platform::Date closed = ui.now();
    advance(300);
    EXPECT_EQ(ui.now(), closed) << "no tick while closed";
    ui.startClock();
    EXPECT_EQ(ui.now(), clock.now());
    EXPECT_TRUE(ui.isClockRunning());
    ui.startClock();
    advance(60);
    EXPECT_EQ(clock.activeTimerCount(), 1) << "a restart replaces the running loop";
}

TEST_F(MenuBarInteractionModelTest, LeavingARowClearsTheHoverAfterTheDelay)
{
    ui.setHovered("a");
    ui.clearHover(false);
    EXPECT_TRUE(ui.isHoverClearPending());
    advance(0.279);
    EXPECT_EQ(ui.hoveredMeetingID(), "a");
    advance(0.001);
    EXPECT_EQ(ui.hoveredMeetingID(), std::nullopt);
}

TEST_F(MenuBarInteractionModelTest, ANewerHoverSurvivesALateClear)
{
    // Another row hovered within the delay.
    ui.setHovered("a");
    ui.clearHover(false);
    advance(0.1);
    ui.setHovered("b");
    advance(1);
    EXPECT_EQ(ui.hoveredMeetingID(), "b");

    // The same row again.
    ui.clearHover(false);
    advance(0.1);
    ui.setHovered("b");
    advance(1);
    EXPECT_EQ(ui.hoveredMeetingID(), "b");

    // A hover written without cancelling the pending clear: the wake sees another id and leaves it.
    ui.clearHover(false);
    ui.setHoveredMeetingID(QStringLiteral("c"));
    advance(1);
    EXPECT_EQ(ui.hoveredMeetingID(), "c");
}

TEST_F(MenuBarInteractionModelTest, TheDetailCardHoldsTheHoverUntilThePointerLeavesIt)
{
    ui.setHovered("a");
    ui.clearHover(false);
    advance(0.2);
    ui.setDetailPanelHovered(true);
    advance(5);
    EXPECT_EQ(ui.hoveredMeetingID(), "a") << "entered the card within the delay";

    ui.clearHover(false);
    EXPECT_FALSE(ui.isHoverClearPending()) << "the card is hovered: nothing to clear";

    ui.setDetailPanelHovered(false);
    advance(0.2);
    EXPECT_EQ(ui.hoveredMeetingID(), "a");
    advance(0.08);
    EXPECT_EQ(ui.hoveredMeetingID(), std::nullopt);

    // Leaving the card for another row keeps that row.
    ui.setHovered("a");
    ui.setDetailPanelHovered(true);
    ui.setDetailPanelHovered(false);
    ui.setHovered("b");
    advance(1);
    EXPECT_EQ(ui.hoveredMeetingID(), "b");
}

TEST_F(MenuBarInteractionModelTest, AnImmediateClearForgetsTheCardToo)
{
    ui.setHovered("a");
    ui.setDetailPanelHovered(true);
    ui.clearHover(true);
    EXPECT_EQ(ui.hoveredMeetingID(), std::nullopt);
    EXPECT_FALSE(ui.detailPanelHovered());
    EXPECT_FALSE(ui.isHoverClearPending());
}

TEST_F(MenuBarInteractionModelTest, ADayChangeResetsEverythingButTheDay)
{
    ui.setSelectedDayOffset(2);
    ui.setHovered("a");
    ui.clearHover(false);
    ui.setShowDetailFromKeyboard(true);
    ui.setShowAllAttendees(true);
    ui.setShowBackToTodayTooltip(true);
    int changes = 0;
    QObject::connect(&ui, &MenuBarInteractionModel::changed, [&] { ++changes; });

    ui.resetForDayChange(QStringLiteral("first"));
    EXPECT_EQ(ui.selectedMeetingID(), "first");
    EXPECT_EQ(ui.hoveredMeetingID(), std::nullopt);
    EXPECT_FALSE(ui.showDetailFromKeyboard());
    EXPECT_FALSE(ui.showAllAttendees());
    EXPECT_FALSE(ui.showBackToTodayTooltip());
    EXPECT_FALSE(ui.isHoverClearPending());
    EXPECT_EQ(ui.selectedDayOffset(), 2);
    EXPECT_GT(changes, 0);

    ui.resetForDayChange(std::nullopt);
    EXPECT_EQ(ui.selectedMeetingID(), std::nullopt);
}

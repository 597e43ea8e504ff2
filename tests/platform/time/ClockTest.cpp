#include "platform/time/TestClock.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <gtest/gtest.h>

using platform::Date;
using platform::TestClock;

TEST(TestClock, FiresDueTimersInOrderAtTheirOwnTime)
{
    TestClock clock(Date(1000));
    QObject context;
    std::vector<std::pair<int, double>> fired;
    clock.singleShot(3, &context, [&] { fired.push_back({ 3, clock.now().secondsSinceReferenceDate() }); });
    clock.singleShot(1, &context, [&] { fired.push_back({ 1, clock.now().secondsSinceReferenceDate() }); });
    auto repeating = clock.createTimer();
    QObject::connect(repeating.get(), &platform::Timer::timeout, [&] {
        fired.push_back({ 0, clock.now().secondsSinceReferenceDate() });
    });
    repeating->start(2);

    clock.advance(4.5);
    const std::vector<std::pair<int, double>> expected { { 1, 1001 }, { 0, 1002 }, { 3, 1003 }, { 0, 1004 } };
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(clock.now(), Date(1004.5));
    EXPECT_TRUE(repeating->isActive());
    repeating->stop();
    EXPECT_EQ(clock.activeTimerCount(), 0);
}

TEST(TestClock, DestroyedContextCancelsSingleShot)
{
    TestClock clock;
    bool fired = false;
    {
        QObject context;
        clock.singleShot(1, &context, [&] { fired = true; });
    }
    clock.advance(2);
    EXPECT_FALSE(fired);
}

TEST(TestClock, SleepResumesAfterTheDelay)
{
    TestClock clock(Date(0));
    double resumedAt = -1;
    // A coroutine lambda's captures live in the lambda object, so it must outlive the task.
    auto body = [&]() -> QCoro::Task<> {
        co_await clock.sleep(0.35);
        resumedAt = clock.now().secondsSinceReferenceDate();
    };
    auto task = body();
    clock.advance(0.3);
    EXPECT_EQ(resumedAt, -1);
    clock.advance(0.1);
    EXPECT_DOUBLE_EQ(resumedAt, 0.35);
}

TEST(TestClock, TimersMayOutliveTheirClock)
{
    QObject context;
    auto clock = std::make_unique<TestClock>(Date(0));
    auto stopped = clock->createTimer();
    auto running = clock->createTimer();
    stopped->start(1);
    stopped->stop();
    running->start(1);
    bool fired = false;
    clock->singleShot(1, &context, [&] { fired = true; });
    clock->advance(0.5);
    running->start(2);
    clock->advance(0.5);
    ASSERT_TRUE(fired);
    clock.reset();

    // The fired single-shot timer waits for deletion, as a window posted for deletion does.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(stopped->isActive());
    EXPECT_FALSE(running->isActive());
    stopped->start(1);
    EXPECT_FALSE(stopped->isActive()) << "no clock, no time to fire in";
    running->stop();
}

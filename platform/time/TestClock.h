#pragma once

#include "platform/time/Clock.h"

#include <QPointer>
#include <vector>

namespace platform {

// A clock that stands still until a test advances it; every timer due by then fires, in order.
class TestClock final : public Clock
{
    Q_OBJECT
public:
    explicit TestClock(Date start = Date::fromSecondsSince1970(1'800'000'000));
    ~TestClock() override;

    Date now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override;

    // Sets the wall clock as though it had always read so: no timer sees a jump.
    void setNow(Date now) { m_now = now; }
    // Sets the wall clock `seconds` ahead (back when negative) while no time passes, as a user does: the next
    // timer to fire sees the jump first, and the timers keep their times.
    void jumpWallClock(double seconds);
    // Tells of a new system zone, which the test sets itself (TZ).
    void changeZone() { Q_EMIT zoneChanged(); }
    // Moves time forward, firing each due timer at its own due time, then posted events.
    void advance(double seconds);
    int activeTimerCount() const;

private:
    friend class TestTimer;
    struct Entry
    {
        QPointer<Timer> timer;
        Date due;
        double interval = 0;
        quint64 order = 0;
    };

    void schedule(Timer* timer, double interval);
    void cancel(Timer* timer);
    bool isScheduled(const Timer* timer) const;
    Entry* nextDue(Date limit);

    Date m_now;
    // How far the wall clock was set since a timer last fired.
    double m_unseenJump = 0;
    // Every timer made here, running or not: each outlives its link to this clock.
    std::vector<QPointer<Timer>> m_timers;
    std::vector<Entry> m_entries;
    quint64 m_nextOrder = 0;
};

} // namespace platform

#include "platform/time/TestClock.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

namespace platform {

class TestTimer final : public Timer
{
public:
    explicit TestTimer(TestClock* clock)
        : m_clock(clock)
    { }
    ~TestTimer() override
    {
        if (m_clock)
            m_clock->cancel(this);
    }

    // Once the clock is gone, time no longer moves for this timer: it never fires again.
    void start(double intervalSeconds) override
    {
        if (m_clock)
            m_clock->schedule(this, intervalSeconds);
    }
    void stop() override
    {
        if (m_clock)
            m_clock->cancel(this);
    }
    bool isActive() const override { return m_clock && m_clock->isScheduled(this); }
    void detach() { m_clock = nullptr; }

private:
    TestClock* m_clock;
};

TestClock::TestClock(Date start)
    : m_now(start)
{ }

TestClock::~TestClock()
{
    // Stopped timers too: one deleted after the clock (a window posted for deletion) must not reach it.
    for (const QPointer<Timer>& timer : m_timers) {
        if (timer)
            static_cast<TestTimer*>(timer.data())->detach();
    }
}

std::unique_ptr<Timer> TestClock::createTimer()
{
    std::erase_if(m_timers, [](const QPointer<Timer>& timer) { return timer.isNull(); });
    auto timer = std::make_unique<TestTimer>(this);
    m_timers.emplace_back(timer.get());
    return timer;
}

void TestClock::schedule(Timer* timer, double interval)
{
    cancel(timer);
    m_entries.push_back(
        { timer, m_now.addingSeconds(std::max(0.0, interval)), std::max(0.0, interval), m_nextOrder++ });
}

void TestClock::cancel(Timer* timer)
{
    std::erase_if(m_entries, [timer](const Entry& entry) { return entry.timer == timer || !entry.timer; });
}

bool TestClock::isScheduled(const Timer* timer) const
{
    return std::any_of(
        m_entries.begin(), m_entries.end(), [timer](const Entry& entry) { return entry.timer == timer; });
}

int TestClock::activeTimerCount() const
{
    return int(
        std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return !entry.timer.isNull(); }));
}

TestClock::Entry* TestClock::nextDue(Date limit)
{
    Entry* best = nullptr;
    for (Entry& entry : m_entries) {
        if (!entry.timer || entry.due > limit)
            continue;
        if (!best || entry.due < best->due || (entry.due == best->due && entry.order < best->order))
            best = &entry;
    }
    return best;
}

void TestClock::jumpWallClock(double seconds)
{
    m_now = m_now.addingSeconds(seconds);
    m_unseenJump += seconds;
    // Timers count the time that passes, which setting the clock does not change.
    for (Entry& entry : m_entries)
        entry.due = entry.due.addingSeconds(seconds);
}

void TestClock::advance(double seconds)
{
    const Date target = m_now.addingSeconds(seconds);
    QCoreApplication::processEvents();
    while (Entry* entry = nextDue(target)) {
        m_now = std::max(m_now, entry->due);
        QPointer<Timer> timer = entry->timer;
        if (timer->isSingleShot() || entry->interval <= 0) {
            cancel(timer);
        } else {
            // A zero interval would never let time move on; a repeating timer needs a positive one.
            entry->due = entry->due.addingSeconds(entry->interval);
            entry->order = m_nextOrder++;
        }
        if (m_unseenJump != 0)
            Q_EMIT wallClockJumped(std::exchange(m_unseenJump, 0.0));
        if (timer)
            Q_EMIT timer->timeout();
        QCoreApplication::processEvents();
    }
    m_now = std::max(m_now, target);
    QCoreApplication::processEvents();
}

} // namespace platform

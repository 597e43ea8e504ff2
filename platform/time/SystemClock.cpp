#include "platform/time/SystemClock.h"

#include "platform/time/SystemZone.h"

#include <QMetaMethod>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <ctime>

namespace platform {

namespace {

// The clocks drift apart by far less between two timers; a time service's slewing never comes near it.
constexpr qint64 jumpMicroseconds = 1'000'000;

class QtTimer final : public Timer
{
public:
    explicit QtTimer(std::function<void()> beforeTimeout)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this, beforeTimeout = std::move(beforeTimeout)] {
            // What a jump starts may delete the timer's owner.
            const QPointer<QtTimer> self(this);
            beforeTimeout();
            if (self)
                Q_EMIT timeout();
        });
    }

    void start(double intervalSeconds) override
    {
        m_timer.setSingleShot(isSingleShot());
        m_timer.start(int(std::clamp(std::ceil(intervalSeconds * 1000.0), 0.0, double(INT_MAX))));
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

qint64 microsecondsOf(const timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000 + time.tv_nsec / 1000;
}

// The time since boot goes on through a suspend, as the wall clock does: only setting the wall clock moves
// one against the other.
qint64 wallAheadOfBoot()
{
    timespec wall {};
    timespec boot {};
    clock_gettime(CLOCK_REALTIME, &wall);
    clock_gettime(CLOCK_BOOTTIME, &boot);
    return microsecondsOf(wall) - microsecondsOf(boot);
}

} // namespace

SystemClock::SystemClock(QObject* parent)
    : Clock(parent)
    , m_wallAhead(wallAheadOfBoot())
{ }

SystemClock::~SystemClock() = default;

Date SystemClock::now() const
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    return Date::fromSecondsSince1970(double(sinceEpoch.count()) / 1e6);
}

std::unique_ptr<Timer> SystemClock::createTimer()
{
    return std::make_unique<QtTimer>([clock = QPointer<SystemClock>(this)] {
        if (clock)
            clock->noticeJump();
    });
}

void SystemClock::noticeJump()
{
    const qint64 ahead = wallAheadOfBoot();
    const qint64 before = m_wallAhead.exchange(ahead);
    if (std::abs(ahead - before) >= jumpMicroseconds)
        Q_EMIT wallClockJumped(double(ahead - before) / 1e6);
}

void SystemClock::connectNotify(const QMetaMethod& signal)
{
    if (m_zone || signal != QMetaMethod::fromSignal(&Clock::zoneChanged))
        return;
    m_zone = std::make_unique<SystemZone>();
    connect(m_zone.get(), &SystemZone::changed, this, &Clock::zoneChanged);
}

} // namespace platform

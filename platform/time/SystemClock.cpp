#include "platform/time/SystemClock.h"

#include <QTimer>
#include <chrono>
#include <cmath>

namespace platform {

namespace {

class QtTimer final : public Timer
{
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
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

} // namespace

Date SystemClock::now() const
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    return Date::fromSecondsSince1970(double(sinceEpoch.count()) / 1e6);
}

std::unique_ptr<Timer> SystemClock::createTimer()
{
    return std::make_unique<QtTimer>();
}

} // namespace platform

#pragma once

#include "platform/time/Clock.h"

#include <atomic>
#include <memory>

namespace platform {

class SystemZone;

// The wall clock, with timers on the Qt event loop of the calling thread. The zone is watched only while
// someone listens for its change.
class SystemClock final : public Clock
{
    Q_OBJECT
public:
    explicit SystemClock(QObject* parent = nullptr);
    ~SystemClock() override;

    Date now() const override;
    std::unique_ptr<Timer> createTimer() override;

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void noticeJump();

    // How far the wall clock read ahead of the time since boot, in microseconds, when a timer last fired.
    std::atomic<qint64> m_wallAhead;
    std::unique_ptr<SystemZone> m_zone;
};

} // namespace platform

#pragma once

#include "platform/time/Date.h"
#include "platform/time/Timer.h"

#include <QCoro/QCoroTask>
#include <functional>
#include <memory>

namespace platform {

// The one source of "now" and of timers for application code.
class Clock
{
public:
    virtual ~Clock() = default;

    virtual Date now() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // Runs `action` once after `seconds`, unless `context` is destroyed first.
    void singleShot(double seconds, QObject* context, std::function<void()> action);
    // Resumes the awaiting coroutine after `seconds`.
    QCoro::Task<> sleep(double seconds);
};

} // namespace platform

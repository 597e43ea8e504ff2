#pragma once

#include "platform/time/Date.h"
#include "platform/time/Timer.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <functional>
#include <memory>

namespace platform {

// The one source of "now" and of timers for application code.
class Clock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual Date now() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;

    // Runs `action` once after `seconds`, unless `context` is destroyed first.
    void singleShot(double seconds, QObject* context, std::function<void()> action);
    // Resumes the awaiting coroutine after `seconds`.
    QCoro::Task<> sleep(double seconds);

Q_SIGNALS:
    // The wall clock was set `seconds` ahead (back when negative) of the time that passed: by hand, or by a
    // time service stepping it. Seen when one of this clock's timers fires, before that timer's timeout.
    void wallClockJumped(double seconds);
    // The system's time zone is another: the same instants read as other local times, and local readings
    // (floating times, whole days) stand for other instants.
    void zoneChanged();
};

} // namespace platform

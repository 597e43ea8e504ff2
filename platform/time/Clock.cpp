#include "platform/time/Clock.h"

#include <QCoro/QCoroSignal>

namespace platform {

void Clock::singleShot(double seconds, QObject* context, std::function<void()> action)
{
    Timer* timer = createTimer().release();
    timer->setParent(context);
    timer->setSingleShot(true);
    QObject::connect(timer, &Timer::timeout, context, [timer, action = std::move(action)] {
        timer->deleteLater();
        action();
    });
    timer->start(seconds);
}

QCoro::Task<> Clock::sleep(double seconds)
{
    std::unique_ptr<Timer> timer = createTimer();
    timer->setSingleShot(true);
    timer->start(seconds);
    co_await qCoro(timer.get(), &Timer::timeout);
}

} // namespace platform

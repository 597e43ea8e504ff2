#pragma once

#include <QObject>

namespace platform {

// The system's wake and activation notifications, delivered on the main thread.
class SystemEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // The machine has resumed from sleep.
    void didWake();
    // The screens have come back: the screen saver or lock screen went away.
    void screensDidWake();
    // The application has become the active one.
    void didBecomeActive();
};

} // namespace platform

#pragma once

#include "platform/system/SystemEvents.h"

#include <QDBusConnection>
#include <optional>

namespace platform {

// Wake from logind on the system bus, screen wake from the screen saver on the session bus, activation
// from Qt. A bus that is not there is left out without complaint.
class DBusSystemEvents final : public SystemEvents
{
    Q_OBJECT
public:
    explicit DBusSystemEvents(QObject* parent = nullptr);
    DBusSystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent = nullptr);

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);
    void onScreenSaverActiveChanged(bool active);

private:
    QDBusConnection m_systemBus;
    QDBusConnection m_sessionBus;
    std::optional<bool> m_screenSaverActive;
};

} // namespace platform

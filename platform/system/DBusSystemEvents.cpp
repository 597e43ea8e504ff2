#include "platform/system/DBusSystemEvents.h"

#include <QGuiApplication>

namespace platform {

DBusSystemEvents::DBusSystemEvents(QObject* parent)
    : DBusSystemEvents(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), parent)
{ }

DBusSystemEvents::DBusSystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent)
    : SystemEvents(parent)
    , m_systemBus(std::move(systemBus))
    , m_sessionBus(std::move(sessionBus))
{
    if (m_systemBus.isConnected()) {
        m_systemBus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
            SLOT(onPrepareForSleep(bool)));
    }
    if (m_sessionBus.isConnected()) {
        // Desktops offer one or both of these interfaces; the remembered state keeps one wake from counting twice.
        m_sessionBus.connect(QStringLiteral("org.freedesktop.ScreenSaver"),
            QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
            QStringLiteral("ActiveChanged"), this, SLOT(onScreenSaverActiveChanged(bool)));
        m_sessionBus.connect(QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
            QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
            SLOT(onScreenSaverActiveChanged(bool)));
    }
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                Q_EMIT didBecomeActive();
        });
    }
}

void DBusSystemEvents::onPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        Q_EMIT didWake();
}

void DBusSystemEvents::onScreenSaverActiveChanged(bool active)
{
    const bool wasInactive = m_screenSaverActive == false;
    m_screenSaverActive = active;
    if (!active && !wasInactive)
        Q_EMIT screensDidWake();
}

} // namespace platform

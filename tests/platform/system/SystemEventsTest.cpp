#include "platform/system/DBusSystemEvents.h"

#include "tests/support/Patience.h"
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using platform::DBusSystemEvents;

namespace {

// A private message bus, so that the test neither needs nor disturbs the machine's buses.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_daemon.start("dbus-daemon", { "--session", "--nofork", "--nopidfile", "--print-address=1" });
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(testsupport::patienceMs))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    QString address() const { return m_address; }
    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(m_address, name); }

private:
    QProcess m_daemon;
    QString m_address;
};

void emitSignal(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name, bool value)
{
    QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
    message << value;
    bus.send(message);
}

void sleepSignal(QDBusConnection& bus, bool sleeping)
{
    emitSignal(bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", sleeping);
}

void freedesktopScreenSaver(QDBusConnection& bus, bool active)
{
    emitSignal(bus, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", active);
}

void gnomeScreenSaver(QDBusConnection& bus, bool active)
{
    emitSignal(bus, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", active);
}

// Lets every message sent so far arrive: a round trip on each connection, then the event loop.
void settle(QDBusConnection& sender, QDBusConnection& receiver)
{
    sender.interface()->isServiceRegistered("org.freedesktop.DBus");
    receiver.interface()->isServiceRegistered("org.freedesktop.DBus");
    QTest::qWait(50);
}

class DBusSystemEventsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        ASSERT_TRUE(listener.isConnected());
        ASSERT_TRUE(services.isConnected());
        for (const char* name : { "org.freedesktop.login1", "org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver" })
            ASSERT_TRUE(services.registerService(name));
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("listener");
        QDBusConnection::disconnectFromBus("services");
        QDBusConnection::disconnectFromBus("stranger");
    }

    PrivateBus bus;
    QDBusConnection listener = bus.connect("listener");
    QDBusConnection services = bus.connect("services");
};

} // namespace

TEST_F(DBusSystemEventsTest, ResumeFromSleepIsAWake)
{
    DBusSystemEvents events(listener, listener);
    QSignalSpy wakes(&events, &DBusSystemEvents::didWake);
    QSignalSpy screenWakes(&events, &DBusSystemEvents::screensDidWake);

    sleepSignal(services, true);
    settle(services, listener);
    EXPECT_EQ(wakes.count(), 0);

    sleepSignal(services, false);
    ASSERT_TRUE(wakes.wait(testsupport::patienceMs));
    EXPECT_EQ(wakes.count(), 1);
    EXPECT_EQ(screenWakes.count(), 0);
}

TEST_F(DBusSystemEventsTest, ScreenSaverGoingAwayIsOneScreenWakeEvenWhenBothInterfacesReportIt)
{
    DBusSystemEvents events(listener, listener);
    QSignalSpy screenWakes(&events, &DBusSystemEvents::screensDidWake);

    freedesktopScreenSaver(services, true);
    gnomeScreenSaver(services, true);
    settle(services, listener);
    EXPECT_EQ(screenWakes.count(), 0);

    freedesktopScreenSaver(services, false);
    gnomeScreenSaver(services, false);
    settle(services, listener);
    EXPECT_EQ(screenWakes.count(), 1);

    // The next lock and unlock is a new wake, whichever interface reports it.
    gnomeScreenSaver(services, true);
    gnomeScreenSaver(services, false);
    settle(services, listener);
    EXPECT_EQ(screenWakes.count(), 2);
}

TEST_F(DBusSystemEventsTest, SignalsFromOtherSendersAreIgnored)
{
    DBusSystemEvents events(listener, listener);
    QSignalSpy wakes(&events, &DBusSystemEvents::didWake);
    QSignalSpy screenWakes(&events, &DBusSystemEvents::screensDidWake);
    QDBusConnection stranger = bus.connect("stranger");

    sleepSignal(stranger, false);
    freedesktopScreenSaver(stranger, false);
    settle(stranger, listener);
    EXPECT_EQ(wakes.count(), 0);
    EXPECT_EQ(screenWakes.count(), 0);
}

TEST(DBusSystemEvents, AbsentBusesAreIgnoredQuietly)
{
    static int warnings = 0;
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
              if (type != QtDebugMsg && type != QtInfoMsg)
                  ++warnings;
          });
    {
        const QDBusConnection absent = QDBusConnection::connectToBus("unix:path=/nonexistent/tolvar-bus", "absent");
        EXPECT_FALSE(absent.isConnected());
        DBusSystemEvents events(absent, absent);
        QTest::qWait(10);
    }
    QDBusConnection::disconnectFromBus("absent");
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 0);
}

TEST(DBusSystemEvents, ActivationOfTheApplicationIsReported)
{
    const QDBusConnection absent = QDBusConnection::connectToBus("unix:path=/nonexistent/tolvar-bus", "absent");
    DBusSystemEvents events(absent, absent);
    QSignalSpy activations(&events, &DBusSystemEvents::didBecomeActive);

    // Without a platform notion of application state, Qt follows the focus window; this test shows the
    // first window of the process, so the application is not active before.
    ASSERT_NE(QGuiApplication::applicationState(), Qt::ApplicationActive);
    QWindow window;
    window.show();
    window.requestActivate();
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }, testsupport::patienceMs));
    EXPECT_EQ(activations.count(), 1);
    QDBusConnection::disconnectFromBus("absent");
}

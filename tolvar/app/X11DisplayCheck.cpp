#include "tolvar/app/X11DisplayCheck.h"

#include <QGuiApplication>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace tolvar {

namespace {

// The message handler takes no object: it finds here the one that lives, and the handler it stands before.
std::atomic<X11ConnectionLoss*> living = nullptr;
std::atomic<QtMessageHandler> previousHandler = nullptr;

bool onMainThread()
{
    return qGuiApp && QThread::currentThread() == qGuiApp->thread();
}

bool connectionBroken()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && x11->connection() && xcb_connection_has_error(x11->connection()) != 0;
}

} // namespace

std::optional<QString> x11DisplayProblem()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        if (connected)
            return std::nullopt;
    }
    const QString what = display.isEmpty() ? QStringLiteral("DISPLAY is not set")
                                           : QStringLiteral("the display \"%1\" cannot be opened").arg(display);
    return QStringLiteral("Tolvar needs an X11 display, and %1.\n"
                          "On a Wayland desktop, XWayland provides one: start Tolvar from a terminal or the "
                          "application menu of the desktop session, where DISPLAY is set.\n")
        .arg(what);
}

X11ConnectionLoss::X11ConnectionLoss(std::function<void()> end)
    : m_end(std::move(end))
{
    Q_ASSERT(!living);
    living = this;
    previousHandler = qInstallMessageHandler(&X11ConnectionLoss::handleMessage);
}

X11ConnectionLoss::~X11ConnectionLoss()
{
    qInstallMessageHandler(previousHandler);
    living = nullptr;
}

void X11ConnectionLoss::handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (const QtMessageHandler previous = previousHandler)
        previous(type, context, message);
    if (type != QtWarningMsg || !message.startsWith(QLatin1String("The X11 connection broke")) || !onMainThread()
        || !connectionBroken())
        return;
    // Qt warns of the broken connection from its event dispatcher and calls exit() next. The end runs now, while
    // Qt's per-thread state (the animation timer a running animation leaves) is whole: exit() destroys it before
    // any exit handler runs. Taking the living one first keeps a warning during the end from running it twice.
    X11ConnectionLoss* const loss = living.exchange(nullptr);
    if (!loss)
        return;
    std::fputs("Tolvar lost its X11 display (the X server ended or restarted); it keeps the answers given and ends.\n",
        stderr);
    // The event loop never ends, so the quit is announced as its end announces it.
    QMetaObject::invokeMethod(qGuiApp, "aboutToQuit", Qt::DirectConnection);
    loss->m_end();
    // Nothing may run on after the session is gone.
    std::exit(1);
}

} // namespace tolvar

#include "tolvar/app/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tolvar {

namespace {

constexpr int endingSignals[] = { SIGTERM, SIGINT, SIGHUP };
// A signal handler may only write to a file; the notifier reads it on the main thread.
int wakePipe[2] = { -1, -1 };

void wake(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitOnSignal::QuitOnSignal(QObject* parent)
    : QObject(parent)
{
    // Quit from the menu begins the quit too, and a logout during its writes must not end it either.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &QuitOnSignal::beginQuitting);
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignal::quit);
    for (const int signal : endingSignals) {
        struct sigaction before = {};
        // `nohup` and a script's `&` ask that the terminal's hangup or Ctrl-C not end this process.
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            m_handled.append({ signal, before });
    }
    handle(wake);
}

QuitOnSignal::~QuitOnSignal()
{
    if (!m_notifier)
        return;
    // Once quitting, the process is ending: a signal now still changes nothing.
    if (!m_quitting) {
        for (const Handled& handled : std::as_const(m_handled))
            sigaction(handled.signal, &handled.before, nullptr);
    }
    delete m_notifier;
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

void QuitOnSignal::quit()
{
    beginQuitting();
    QCoreApplication::quit();
}

void QuitOnSignal::beginQuitting()
{
    if (m_quitting)
        return;
    m_quitting = true;
    // Told before the signals are ignored, so that whoever sees them ignored sees a process that quits.
    Q_EMIT quitting();
    if (!m_notifier)
        return;
    handle(SIG_IGN);
    m_notifier->setEnabled(false);
}

void QuitOnSignal::handle(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const Handled& handled : std::as_const(m_handled))
        sigaction(handled.signal, &action, nullptr);
}

} // namespace tolvar

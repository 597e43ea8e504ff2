#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace tolvar {

// Ends the event loop as Quit does when a logout, a terminal or Ctrl-C asks the process to end, so that
// the last answers are handed over and the stores write what they hold before it goes. Once the quit has
// begun, by a signal or by Quit, later signals change nothing: a logout sends two, and the second must not
// end the process before it has written. A signal ignored at start (`nohup`) stays ignored.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

Q_SIGNALS:
    // The quit has begun; emitted once, before the event loop ends.
    void quitting();

private:
    void quit();
    void beginQuitting();
    void handle(void (*handler)(int));

    QSocketNotifier* m_notifier = nullptr;
    // The signals this process was not told to ignore, and how each was handled before.
    struct Handled
    {
        int signal;
        struct sigaction before;
    };
    QList<Handled> m_handled;
    bool m_quitting = false;
};

} // namespace tolvar

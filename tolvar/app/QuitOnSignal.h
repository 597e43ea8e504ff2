#pragma once

#include <QObject>

class QSocketNotifier;

namespace tolvar {

// Ends the event loop as Quit does when a logout, a terminal or Ctrl-C asks the process to end, so that
// the last answers are handed over and the stores write what they hold before it goes. A second such
// signal ends the process at once.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    void quit();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tolvar

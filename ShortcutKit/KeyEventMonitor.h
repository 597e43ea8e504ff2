#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;

namespace ShortcutKit {

// While started, hands the key presses and releases that reach the application's popup menus to a
// callback; the callback returns true for an event it consumed, and the menu never sees that one.
class KeyEventMonitor : public QObject
{
    Q_OBJECT
public:
    using Callback = std::function<bool(const QKeyEvent&)>;

    explicit KeyEventMonitor(Callback callback, QObject* parent = nullptr);
    ~KeyEventMonitor() override;

    void start();
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Callback m_callback;
    bool m_isStarted = false;
};

} // namespace ShortcutKit

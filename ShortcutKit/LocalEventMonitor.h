#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>
#include <functional>

namespace ShortcutKit {

// While started, shows the application's events of the given types to a callback before their
// receivers see them; the callback returns true for an event it consumed.
class LocalEventMonitor : public QObject
{
    Q_OBJECT
public:
    using Callback = std::function<bool(QObject* receiver, QEvent* event)>;

    LocalEventMonitor(const QSet<QEvent::Type>& events, Callback callback, QObject* parent = nullptr);
    ~LocalEventMonitor() override;

    LocalEventMonitor& start();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSet<QEvent::Type> m_events;
    Callback m_callback;
    bool m_isStarted = false;
};

} // namespace ShortcutKit

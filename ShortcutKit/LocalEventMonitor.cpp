#include "ShortcutKit/LocalEventMonitor.h"

#include <QCoreApplication>

namespace ShortcutKit {

LocalEventMonitor::LocalEventMonitor(const QSet<QEvent::Type>& events, Callback callback, QObject* parent)
    : QObject(parent)
    , m_events(events)
    , m_callback(std::move(callback))
{ }

LocalEventMonitor::~LocalEventMonitor()
{
    if (m_isStarted)
        QCoreApplication::instance()->removeEventFilter(this);
}

LocalEventMonitor& LocalEventMonitor::start()
{
    if (!m_isStarted) {
        m_isStarted = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
    return *this;
}

bool LocalEventMonitor::eventFilter(QObject* watched, QEvent* event)
{
    return m_events.contains(event->type()) && m_callback(watched, event);
}

} // namespace ShortcutKit

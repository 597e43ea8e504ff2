#include "ShortcutKit/KeyEventMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

namespace ShortcutKit {

KeyEventMonitor::KeyEventMonitor(Callback callback, QObject* parent)
    : QObject(parent)
    , m_callback(std::move(callback))
{ }

KeyEventMonitor::~KeyEventMonitor()
{
    stop();
}

void KeyEventMonitor::start()
{
    if (m_isStarted)
        return;
    m_isStarted = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void KeyEventMonitor::stop()
{
    if (!m_isStarted)
        return;
    m_isStarted = false;
    QCoreApplication::instance()->removeEventFilter(this);
}

bool KeyEventMonitor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    // The open menu receives the keys itself; watching only it sees each event once.
    if (!qobject_cast<QMenu*>(watched))
        return false;
    return m_callback(*static_cast<QKeyEvent*>(event));
}

} // namespace ShortcutKit

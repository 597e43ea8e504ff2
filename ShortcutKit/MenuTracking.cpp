#include "ShortcutKit/MenuTracking.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>

namespace ShortcutKit {

MenuTracking::MenuTracking(QObject* parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

MenuTracking::~MenuTracking()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool MenuTracking::eventFilter(QObject* watched, QEvent* event)
{
    // Every event of the application passes here: the type test is the cheap one.
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
        return false;
    const auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu || !menu->isWindow())
        return false;
    if (event->type() == QEvent::Show && !m_openMenus.contains(watched)) {
        m_openMenus.insert(watched);
        connect(watched, &QObject::destroyed, this, &MenuTracking::forget);
        if (m_openMenus.size() == 1)
            Q_EMIT began();
    } else if (event->type() == QEvent::Hide) {
        disconnect(watched, &QObject::destroyed, this, &MenuTracking::forget);
        forget(watched);
    }
    return false;
}

void MenuTracking::forget(QObject* menu)
{
    if (m_openMenus.remove(menu) && m_openMenus.isEmpty())
        Q_EMIT ended();
}

} // namespace ShortcutKit

#include "platform/systemshortcuts/DesktopSystemShortcuts.h"

#include "platform/systemshortcuts/GnomeKeyBindings.h"
#include "platform/systemshortcuts/KdeGlobalShortcuts.h"

#include <QStringList>

namespace platform {

QList<SystemShortcut> DesktopSystemShortcuts::enabledShortcuts() const
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    QList<SystemShortcut> shortcuts;
    if (desktops.contains(u"GNOME", Qt::CaseInsensitive))
        shortcuts += GnomeKeyBindings::read(m_layout);
    if (desktops.contains(u"KDE", Qt::CaseInsensitive))
        shortcuts += KdeGlobalShortcuts::read(m_layout);
    return shortcuts;
}

} // namespace platform

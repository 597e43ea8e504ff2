#include "platform/workspace/DesktopWorkspace.h"

#include <QDesktopServices>

namespace platform {

bool DesktopWorkspace::openUrl(const QUrl& url)
{
    // A relative or empty link has no handler; xdg-open would guess at it as a file name.
    if (!url.isValid() || url.isRelative())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace platform

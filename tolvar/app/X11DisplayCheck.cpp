#include "tolvar/app/X11DisplayCheck.h"

#include <xcb/xcb.h>

namespace tolvar {

std::optional<QString> x11DisplayProblem()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        if (connected)
            return std::nullopt;
    }
    const QString what = display.isEmpty() ? QStringLiteral("DISPLAY is not set")
                                           : QStringLiteral("the display \"%1\" cannot be opened").arg(display);
    return QStringLiteral("Tolvar needs an X11 display, and %1.\n"
                          "On a Wayland desktop, XWayland provides one: start Tolvar from a terminal or the "
                          "application menu of the desktop session, where DISPLAY is set.\n")
        .arg(what);
}

} // namespace tolvar

#include "platform/keyboard/XkbKeyRepeat.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
// xkb.h names a member `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace platform {

XkbKeyRepeat::XkbKeyRepeat()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const std::unique_ptr<xcb_xkb_use_extension_reply_t, decltype(&std::free)> extension(
        xcb_xkb_use_extension_reply(
            connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr),
        &std::free);
    if (extension && extension->supported)
        m_connection = connection;
}

KeyRepeatPace XkbKeyRepeat::pace() const
{
    if (!m_connection)
        return serverDefault;
    const std::unique_ptr<xcb_xkb_get_controls_reply_t, decltype(&std::free)> controls(
        xcb_xkb_get_controls_reply(m_connection, xcb_xkb_get_controls(m_connection, XCB_XKB_ID_USE_CORE_KBD), nullptr),
        &std::free);
    // An interval of 0 would repeat without pause: no sane setting gives it.
    if (!controls || controls->repeatInterval == 0)
        return serverDefault;
    return { controls->repeatDelay / 1000.0, controls->repeatInterval / 1000.0 };
}

} // namespace platform

#include "tolvar/reminders/X11Activation.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace tolvar {

namespace {

// The source indication of a pager: the request stands for the user's own choice.
constexpr uint32_t sourcePager = 2;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr), &std::free);
    return reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
}

} // namespace

void activateIgnoringOtherApplications(QWidget& window)
{
    window.activateWindow();
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !window.isVisible())
        return;
    const auto id = xcb_window_t(window.winId());
    const xcb_window_t root = rootOf(connection, id);
    if (root == XCB_WINDOW_NONE)
        return;

    xcb_client_message_event_t request {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = id;
    request.type = atom(connection, "_NET_ACTIVE_WINDOW");
    request.data.data32[0] = sourcePager;
    request.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char*>(&request));

    // No event of the user's asked for the reminder, so the current time is the one to give; the window is
    // mapped by now, as the server handles this connection's requests in order.
    if (window.windowFlags().testFlag(Qt::X11BypassWindowManagerHint))
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
    xcb_flush(connection);
}

} // namespace tolvar

// A second X client for the hot-key tests: grabs one key combination on the root window and reports
// "grabbed" or "taken", then "pressed" when the key reaches it, or exits after two minutes, however slow the
// machine: a test that passes kills it as soon as it has read what it needed.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <x key code> <modifier mask>\n", argv[0]);
        return 64;
    }
    const auto keyCode = xcb_keycode_t(std::atoi(argv[1]));
    const auto modifiers = uint16_t(std::atoi(argv[2]));
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::puts("no display");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_void_cookie_t cookie
        = xcb_grab_key_checked(connection, 0, root, modifiers, keyCode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
        std::free(error);
        std::puts("taken");
        std::fflush(stdout);
        xcb_disconnect(connection);
        return 2;
    }
    std::puts("grabbed");
    std::fflush(stdout);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool pressed = (event->response_type & ~0x80) == XCB_KEY_PRESS;
            std::free(event);
            if (pressed) {
                std::puts("pressed");
                std::fflush(stdout);
                xcb_disconnect(connection);
                return 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    xcb_disconnect(connection);
    return 3;
}

// The reminder on an X server with a window manager, which holds the keyboard focus on a window of its own
// and moves it there again just as the reminder opens, as openbox does while it starts: the reminder
// still takes the focus. Run on X11 by reminder_focus_x11.sh.
#include "OverlayTestSupport.h"
#include "platform/hotkeys/TestHotKeys.h"
#include "platform/sound/MemorySystemSound.h"
#include "platform/time/TestClock.h"
#include "tests/support/Patience.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/reminders/FullscreenReminderController.h"

#include <QGuiApplication>
#include <QTest>
#include <QThread>
#include <cstdlib>
#include <xcb/xcb.h>

using namespace tolvar;

namespace {

// What the window manager does with the focus, through a connection of its own.
class FocusHolder
{
public:
    FocusHolder()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t overrideRedirect = 1;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, -100, -100, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        xcb_map_window(m_connection, m_window);
        takeFocus();
    }
    ~FocusHolder() { xcb_disconnect(m_connection); }

    // At the server's current time, as a window manager that has no event to go by does.
    void takeFocus()
    {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_window_t focus() const
    {
        xcb_get_input_focus_reply_t* reply
            = xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
        const xcb_window_t focused = reply ? reply->focus : XCB_NONE;
        std::free(reply);
        return focused;
    }
    xcb_window_t window() const { return m_window; }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window;
};

TEST(ReminderFocusX11, theReminderTakesTheFocusFromTheWindowManager)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "this test needs an X server";
    FocusHolder windowManager;
    ASSERT_EQ(windowManager.focus(), windowManager.window());

    platform::TestClock clock;
    platform::MemorySystemSound sound;
    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry(&hotKeys);
    FullscreenReminderController controller(clock, sound, registry);
    // Any events Qt has yet to see are older than what follows.
    QTest::qWait(100);
    controller.show(
        { overlayMeeting("m1", "Design review", clock.now(), 60, "https://meet.example.com/r") }, false, 0, false, 180,
        [](const MeetingSnapshot&) {}, [](const QList<MeetingSnapshot>&, double) {},
        [](const QList<MeetingSnapshot>&) {});
    QThread::msleep(20);
    windowManager.takeFocus();

    const auto reminderHasFocus = [&] {
        for (QWidget* window : controller.windows()) {
            if (window->winId() == windowManager.focus())
                return true;
        }
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(reminderHasFocus, testsupport::patienceMs))
        << "the keyboard focus stays on window " << windowManager.focus() << ", the window manager's";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return controller.windows().last()->isActiveWindow(); }, testsupport::patienceMs));
}

} // namespace

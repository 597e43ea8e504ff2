// Bringing an open settings or onboarding window forward, and the keys that close the settings window.
// The suite also runs on X11, with a window manager and without one (windows_x11.sh).
#include "platform/activation/MemoryActivationPolicy.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/Patience.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/OnboardingWindowController.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SettingsWindowController.h"

#include <QGuiApplication>
#include <QTest>

using namespace settingstest;

namespace {

using WindowForwardTest = SettingsTest;

// Minimises the window as its title bar's button would. A window manager iconifies it meanwhile;
// without one it stays on screen, minimised only in Qt's own state.
void minimise(QWidget& window)
{
    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, testsupport::patienceMs));
}

// Shown, not minimised and holding the keyboard: what the user sees after asking for the window.
void expectInFront(QWidget& window)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, testsupport::patienceMs))
        << "the window got no keyboard";
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(window.windowHandle()->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowForwardTest, settingsOverAMinimisedSettingsWindowRestoresIt)
{
    tolvar::AppModel& app = grantedModel();
    tolvar::SettingsWindowController controller;
    controller.show(app, [] {});
    QWidget* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, testsupport::patienceMs));
    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, testsupport::patienceMs));
    minimise(*window);

    controller.show(app, [] {});
    EXPECT_EQ(controller.window(), window);
    expectInFront(*window);
    // The window manager reports the restored state after the activation.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, testsupport::patienceMs))
        << "restoring keeps the window maximised";
}

TEST_F(WindowForwardTest, openOnboardingOverAMinimisedOnboardingWindowRestoresIt)
{
    tolvar::AppModel& app = grantedModel();
    platform::MemoryActivationPolicy policy;
    tolvar::OnboardingWindowController controller(policy);
    controller.show(app);
    QWidget* window = static_cast<QWidget*>(controller.view());
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, testsupport::patienceMs));
    minimise(*window);

    controller.show(app);
    EXPECT_EQ(static_cast<QWidget*>(controller.view()), window);
    expectInFront(*window);
}

TEST_F(WindowForwardTest, escapeAndCtrlWCloseTheSettingsWindow)
{
    tolvar::AppModel& app = grantedModel();
    tolvar::SettingsWindowController controller;
    for (const QKeyCombination key : { QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_W }) {
        controller.show(app, [] {});
        QWidget* window = controller.window();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, testsupport::patienceMs));
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, key.key(), key.keyboardModifiers());
        EXPECT_FALSE(controller.window()) << QKeySequence(key).toString().toStdString();
        appmodeltest::settle();
    }
}

} // namespace

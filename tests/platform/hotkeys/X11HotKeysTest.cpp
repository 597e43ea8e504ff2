// Runs against a real X server (the test script starts Xvfb), pressing keys with xdotool.
#include "platform/hotkeys/X11HotKeys.h"
#include "ShortcutKit/ShortcutKit.h"
#include "X11TestSupport.h"
#include "platform/defaults/MemoryUserDefaults.h"
#include "platform/keyboard/XkbKeyboardLayout.h"
#include "platform/systemshortcuts/TestSystemShortcuts.h"
#include "tests/support/Patience.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

using ShortcutKit::Name;
using ShortcutKit::Shortcut;
using tolvar::PanelTransientHotkeys;
using namespace X11TestSupport;

namespace {
constexpr qint64 control = 0x1000, option = 0x800;
constexpr int xControlAlt = 4 | 8;
constexpr int xKeyCodeOfK = 45, xKeyCodeOfEscape = 9;
} // namespace

class X11HotKeysTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "the X11 tests need an X display";
        ASSERT_TRUE(hotKeys.hasDisplay());
    }

    platform::X11HotKeys hotKeys;
};

TEST_F(X11HotKeysTest, TheStoredDefaultFiresItsKeyUpActionOncePerPress)
{
    platform::MemoryUserDefaults defaults;
    platform::XkbKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
    ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
    int downs = 0, ups = 0;
    ShortcutKit::onKeyDown(Name::toggleQuickPanel(), [&] { ++downs; });
    ShortcutKit::onKeyUp(Name::toggleQuickPanel(), [&] { ++ups; });
    ShortcutKit::enable({ Name::toggleQuickPanel() });
    ASSERT_TRUE(ShortcutKit::isEnabled(Name::toggleQuickPanel()));
    EXPECT_EQ(Name::toggleQuickPanel().shortcut()->description(), QStringLiteral("⌃⌥M"));

    ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ups == 1; }, testsupport::patienceMs));
    ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ups == 2; }, testsupport::patienceMs));
    // Held past the auto-repeat delay: still one press and one release. Num Lock changes nothing.
    ASSERT_TRUE(xdotool({ "keydown", "ctrl+alt+m", "sleep", "1", "keyup", "m", "keyup", "ctrl+alt" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ups == 3; }, testsupport::patienceMs));
    ASSERT_TRUE(xdotool({ "key", "Num_Lock", "key", "ctrl+alt+m", "key", "Num_Lock" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ups == 4; }, testsupport::patienceMs));
    QTest::qWait(300);
    EXPECT_EQ(downs, 4);
    EXPECT_EQ(ups, 4);

    ShortcutKit::disable({ Name::toggleQuickPanel() });
    ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
    QTest::qWait(300);
    EXPECT_EQ(ups, 4);
    ShortcutKit::shutDown();
}

TEST_F(X11HotKeysTest, ACombinationAnotherClientHoldsFailsAndTheProgramGoesOn)
{
    OtherClient other(xKeyCodeOfK, xControlAlt);
    ASSERT_EQ(other.nextLine(), QStringLiteral("grabbed"));

    EXPECT_EQ(hotKeys.registerHotKey(40, control | option, 1, 1).status, platform::HotKeys::Status::taken);
    platform::MemoryUserDefaults defaults;
    platform::XkbKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
    ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
    const Name held(QStringLiteral("held"), Shortcut(40, control | option));
    const Name free(QStringLiteral("free"), Shortcut(38, control | option));
    int heldUps = 0, freeUps = 0;
    ShortcutKit::onKeyUp(held, [&] { ++heldUps; });
    ShortcutKit::onKeyUp(free, [&] { ++freeUps; });
    EXPECT_FALSE(ShortcutKit::isEnabled(held));
    EXPECT_TRUE(ShortcutKit::isEnabled(free));

    ASSERT_TRUE(xdotool({ "key", "ctrl+alt+j" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return freeUps == 1; }, testsupport::patienceMs));
    // The refused grab left nothing behind: the key still reaches the other client.
    ASSERT_TRUE(xdotool({ "key", "ctrl+alt+k" }));
    EXPECT_EQ(other.nextLine(), QStringLiteral("pressed"));
    QTest::qWait(200);
    EXPECT_EQ(heldUps, 0);
    ShortcutKit::shutDown();
}

TEST_F(X11HotKeysTest, PanelKeysGoToTheirOwnersAndBackToOtherClientsAfterwards)
{
    PanelTransientHotkeys registry(&hotKeys);
    QList<QString> served;
    registry.registerOwner(PanelTransientHotkeys::Owner::reminderOverlay,
        PanelTransientHotkeys::KeySet::panelNavigation, [&](PanelTransientHotkeys::Action action) {
            served << (action == PanelTransientHotkeys::Action::left ? "overlay left" : "overlay");
        });
    registry.registerOwner(PanelTransientHotkeys::Owner::actionItemOverlay, PanelTransientHotkeys::KeySet::escapeOnly,
        [&](PanelTransientHotkeys::Action action) {
            served << (action == PanelTransientHotkeys::Action::escape ? "prompt escape" : "prompt");
        });
    {
        OtherClient other(xKeyCodeOfEscape, 0);
        EXPECT_EQ(other.nextLine(), QStringLiteral("taken"));
    }
    ASSERT_TRUE(xdotool({ "key", "Escape" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return served.size() == 1; }, testsupport::patienceMs));
    ASSERT_TRUE(xdotool({ "key", "Left" }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return served.size() == 2; }, testsupport::patienceMs));
    EXPECT_EQ(served, (QList<QString> { "prompt escape", "overlay left" }));

    registry.unregisterOwner(PanelTransientHotkeys::Owner::actionItemOverlay);
    registry.unregisterOwner(PanelTransientHotkeys::Owner::reminderOverlay);
    OtherClient other(xKeyCodeOfEscape, 0);
    ASSERT_EQ(other.nextLine(), QStringLiteral("grabbed"));
    ASSERT_TRUE(xdotool({ "key", "Escape" }));
    EXPECT_EQ(other.nextLine(), QStringLiteral("pressed"));
    QTest::qWait(200);
    EXPECT_EQ(served.size(), 2);
}

TEST_F(X11HotKeysTest, HoldingAGrabbedKeyLeavesTheFocusedPanelActive)
{
    // Counts the deactivations the panel's window hears.
    struct ActivationWatch : QObject
    {
        int deactivations = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            deactivations += event->type() == QEvent::WindowDeactivate;
            return false;
        }
    } watch;
    QWidget panel;
    panel.setGeometry(100, 100, 200, 150);
    panel.installEventFilter(&watch);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel, testsupport::patienceMs));

    PanelTransientHotkeys registry(&hotKeys);
    int downs = 0;
    registry.registerOwner(PanelTransientHotkeys::Owner::menuBar, PanelTransientHotkeys::KeySet::panelNavigation,
        [&](PanelTransientHotkeys::Action action) { downs += action == PanelTransientHotkeys::Action::down; });
    // Held past the auto-repeat delay, then let go; a repeat late to arrive would come just after the first press.
    ASSERT_TRUE(xdotool({ "keydown", "Down" }));
    QTest::qWait(1000);
    ASSERT_TRUE(xdotool({ "keyup", "Down" }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return downs > 0; }, testsupport::patienceMs));
    QTest::qWait(300);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(watch.deactivations, 0);
    EXPECT_TRUE(panel.isActiveWindow());
}

TEST_F(X11HotKeysTest, TheServerKeymapTranslatesKeyPlaces)
{
    const platform::XkbKeyboardLayout layout;
    EXPECT_EQ(layout.text(46), QStringLiteral("m"));
    EXPECT_EQ(layout.text(0), QStringLiteral("a"));
    EXPECT_EQ(layout.carbonKeyCode(XKB_KEY_Escape), 53);
}

#include "ShortcutKitTest.h"

#include "platform/hotkeys/X11HotKeys.h"
#include "tolvar/core/GlobalHotkeyService.h"

using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 controlOption = 6144;
}

// The steps with which the application model applies its shortcut setting, over the library.
class QuickPanelShortcutTest : public ShortcutKitTest
{
protected:
    void apply(bool enabled)
    {
        if (enabled) {
            if (!service.hasRegisteredHandler()) {
                service.setHasRegisteredHandler(true);
                ShortcutKit::onKeyUp(
                    Name::toggleQuickPanel(), [this] { service.fireToggleHandler([this] { ++toggles; }); });
            }
            ShortcutKit::enable({ Name::toggleQuickPanel() });
        } else {
            ShortcutKit::disable({ Name::toggleQuickPanel() });
        }
    }

    tolvar::GlobalHotkeyService service;
    int toggles = 0;
};

TEST_F(QuickPanelShortcutTest, DefaultIsWrittenOnFirstUseAndTogglesOnKeyUpAfterTheDispatch)
{
    // The name is made once per process, so this is the test that sees it written.
    EXPECT_EQ(Name::toggleQuickPanel().rawValue(), QStringLiteral("toggleQuickPanel"));
    EXPECT_EQ(stored("toggleQuickPanel"), QStringLiteral(R"({"carbonKeyCode":46,"carbonModifiers":6144})"));
    EXPECT_EQ(Name::toggleQuickPanel().shortcut()->description(), QStringLiteral("⌃⌥M"));
    EXPECT_EQ(hotKeys.grabbedCount(), 0);

    apply(true);
    apply(true);
    EXPECT_TRUE(hotKeys.isGrabbed(46, controlOption));
    hotKeys.press(46, controlOption);
    QCoreApplication::processEvents();
    EXPECT_EQ(toggles, 0);
    hotKeys.release(46, controlOption);
    EXPECT_EQ(toggles, 0); // not inside the dispatch
    QCoreApplication::processEvents();
    EXPECT_EQ(toggles, 1);

    // Off and on again: still one toggle per press.
    apply(false);
    EXPECT_FALSE(hotKeys.isGrabbed(46, controlOption));
    apply(true);
    hotKeys.press(46, controlOption);
    hotKeys.release(46, controlOption);
    QCoreApplication::processEvents();
    EXPECT_EQ(toggles, 2);
}

TEST_F(QuickPanelShortcutTest, AClearedShortcutStaysCleared)
{
    defaults.setBool("ShortcutKit_toggleQuickPanel", false);
    const Name again(QStringLiteral("toggleQuickPanel"), Shortcut(46, controlOption));
    apply(true);
    EXPECT_EQ(stored("toggleQuickPanel"), QStringLiteral("false"));
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
}

TEST_F(QuickPanelShortcutTest, WithoutADisplayRegistrationFailsAndTheProgramGoesOn)
{
    ShortcutKit::shutDown();
    platform::X11HotKeys offscreen;
    ASSERT_FALSE(offscreen.hasDisplay());
    EXPECT_EQ(offscreen.registerHotKey(46, controlOption, 1, 1).status, platform::HotKeys::Status::unavailable);
    ShortcutKit::start({ defaults, offscreen, layout, systemShortcuts });
    ShortcutKit::reset({ Name::toggleQuickPanel() });
    apply(true);
    EXPECT_FALSE(ShortcutKit::isEnabled(Name::toggleQuickPanel()));
    // Nothing is lost: the shortcut stays stored for a session that has a display.
    EXPECT_EQ(Name::toggleQuickPanel().shortcut(), Shortcut(46, controlOption));
    ShortcutKit::shutDown();
}

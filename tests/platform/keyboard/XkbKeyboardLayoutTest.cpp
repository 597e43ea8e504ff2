#include "platform/keyboard/XkbKeyboardLayout.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

using platform::XkbKeyboardLayout;

namespace {
// Without a display the layout comes from the XKB_DEFAULT_* variables, read when the keymap is made.
class NamedLayout
{
public:
    explicit NamedLayout(const char* layouts)
    {
        qputenv("XKB_DEFAULT_LAYOUT", layouts);
        m_layout = std::make_unique<XkbKeyboardLayout>();
        qunsetenv("XKB_DEFAULT_LAYOUT");
    }
    const XkbKeyboardLayout& operator*() const { return *m_layout; }
    const XkbKeyboardLayout* operator->() const { return m_layout.get(); }

private:
    std::unique_ptr<XkbKeyboardLayout> m_layout;
};
} // namespace

TEST(XkbKeyboardLayoutTest, TranslatesKeyPlacesOfAUsKeyboard)
{
    const NamedLayout us("us");
    EXPECT_EQ(us->text(0), QStringLiteral("a"));
    EXPECT_EQ(us->text(46), QStringLiteral("m"));
    EXPECT_EQ(us->text(16), QStringLiteral("y"));
    EXPECT_EQ(us->text(42), QStringLiteral("\\"));
    EXPECT_EQ(us->text(29), QStringLiteral("0"));
    EXPECT_FALSE(us->text(-1));
    EXPECT_FALSE(us->text(52));
    EXPECT_EQ(us->carbonKeyCode(XKB_KEY_m), 46);
    EXPECT_EQ(us->carbonKeyCode(XKB_KEY_M), 46);
    EXPECT_EQ(us->carbonKeyCode(XKB_KEY_F4), 118);
    EXPECT_EQ(us->carbonKeyCode(XKB_KEY_Left), 123);
    EXPECT_FALSE(us->carbonKeyCode(XKB_KEY_Cyrillic_a));
}

TEST(XkbKeyboardLayoutTest, FollowsTheLayoutAndItsDeadKeys)
{
    const NamedLayout german("de");
    EXPECT_EQ(german->text(16), QStringLiteral("z"));
    EXPECT_EQ(german->text(6), QStringLiteral("y"));
    // The key left of 1 is a dead circumflex: no text of its own.
    EXPECT_EQ(german->text(50), QString());
}

TEST(XkbKeyboardLayoutTest, UsesTheFirstLayoutThatTypesAscii)
{
    const NamedLayout russianFirst("ru,us");
    EXPECT_EQ(russianFirst->text(0), QStringLiteral("a"));
    const NamedLayout russianOnly("ru");
    EXPECT_FALSE(russianOnly->text(0));
    EXPECT_FALSE(russianOnly->carbonKeyCode(XKB_KEY_a));
}

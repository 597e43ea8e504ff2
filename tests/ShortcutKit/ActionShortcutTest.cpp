#include "ShortcutKit/ActionShortcut.h"
#include "ShortcutKit/WidgetShortcuts.h"
#include "ShortcutKitTest.h"

#include <QAction>
#include <QPushButton>

using ShortcutKit::EventType;
using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200;
const Shortcut ctrlShiftK(40, control | shift);
const Shortcut ctrlAltM(46, control | option);
const QKeySequence own(QStringLiteral("Ctrl+Q"));

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
} // namespace

using ActionShortcutTest = ShortcutKitTest;

TEST_F(ActionShortcutTest, AnActionFollowsANameThroughChangesAndGetsItsOwnShortcutBack)
{
    QAction action;
    action.setShortcut(own);
    const Name name(QStringLiteral("follow"), ctrlShiftK);
    ShortcutKit::setShortcutFor(action, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+K")));
    EXPECT_EQ(ShortcutKit::followedName(action), name);

    name.setShortcut(ctrlAltM);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    name.setShortcut(std::nullopt);
    EXPECT_EQ(action.shortcut(), own) << "a cleared name shows the action's own shortcut";
    name.setShortcut(ctrlShiftK);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+K")));

    // Following another name keeps the first fallback.
    const Name other(QStringLiteral("other"), ctrlAltM);
    ShortcutKit::setShortcutFor(action, other);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    name.setShortcut(std::nullopt);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M"))) << "the old name no longer counts";

    ShortcutKit::setShortcutFor(action, std::nullopt);
    EXPECT_EQ(action.shortcut(), own);
    EXPECT_EQ(ShortcutKit::followedName(action), std::nullopt);
    other.setShortcut(ctrlShiftK);
    EXPECT_EQ(action.shortcut(), own);
}

TEST_F(ActionShortcutTest, AFixedShortcutEndsFollowingAndKeypadKeysShowNone)
{
    QAction action;
    const Name name(QStringLiteral("fixed"), ctrlShiftK);
    ShortcutKit::setShortcutFor(action, name);
    ShortcutKit::setShortcut(action, ctrlAltM);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    name.setShortcut(std::nullopt);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    EXPECT_EQ(ShortcutKit::followedName(action), std::nullopt);

    ShortcutKit::setShortcut(action, Shortcut(83, control)); // keypad 1
    EXPECT_TRUE(action.shortcut().isEmpty());
    ShortcutKit::setShortcut(action, std::nullopt);
    EXPECT_TRUE(action.shortcut().isEmpty());
}

TEST_F(ActionShortcutTest, AWidgetHearsTheNamesPressesForItsLifetimeOnly)
{
    const Name name(QStringLiteral("widget"), ctrlShiftK);
    QList<EventType> heard;
    int releases = 0;
    auto widget = std::make_unique<QWidget>();
    ShortcutKit::onKeyboardShortcut(*widget, name, [&](EventType type) { heard.append(type); });
    ShortcutKit::onGlobalKeyboardShortcut(*widget, name, EventType::keyUp, [&] { ++releases; });
    EXPECT_TRUE(isGrabbed(ctrlShiftK));

    type(ctrlShiftK);
    settle();
    EXPECT_EQ(heard, (QList<EventType> { EventType::keyDown, EventType::keyUp }));
    EXPECT_EQ(releases, 1);

    widget.reset();
    settle();
    EXPECT_FALSE(isGrabbed(ctrlShiftK)) << "the streams went with the widget";
    EXPECT_EQ(heard.size(), 2);
}

TEST_F(ActionShortcutTest, AButtonCarriesTheNamesShortcutExceptWhileARecorderRecords)
{
    const Name name(QStringLiteral("button"), ctrlShiftK);
    QPushButton button;
    ShortcutKit::globalKeyboardShortcut(button, name);
    EXPECT_EQ(button.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+K")));

    ShortcutKit::setRecorderActive(true);
    EXPECT_TRUE(button.shortcut().isEmpty());
    ShortcutKit::setRecorderActive(false);
    EXPECT_EQ(button.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+K")));

    name.setShortcut(ctrlAltM);
    EXPECT_EQ(button.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    name.setShortcut(std::nullopt);
    EXPECT_TRUE(button.shortcut().isEmpty());
}

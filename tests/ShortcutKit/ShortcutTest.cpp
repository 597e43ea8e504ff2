#include "ShortcutKitTest.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

using ShortcutKit::Key;
using ShortcutKit::ModifierFlag;
using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200, command = 0x100, function = 0x20000;
const QString keycap = QStringLiteral("\u20E3");
} // namespace

using ShortcutModelTest = ShortcutKitTest;

TEST_F(ShortcutModelTest, ModifiersAreNormalisedToTheFiveModifierBits)
{
    EXPECT_EQ(Shortcut(0, 0x1080).carbonModifiers(), control);
    EXPECT_EQ(Shortcut(0, 0xFFFFFFFF).carbonModifiers(), control | option | shift | command | function);
    EXPECT_EQ(Shortcut(46, 6144).carbonModifiers(), 6144);
    const Shortcut fromFlags(Key::m, ModifierFlag::control | ModifierFlag::option | ModifierFlag::capsLock);
    EXPECT_EQ(fromFlags, Shortcut(46, 6144));
    EXPECT_EQ(fromFlags.modifiers(), ModifierFlag::control | ModifierFlag::option);
}

TEST_F(ShortcutModelTest, SymbolsComeInAFixedOrder)
{
    const auto all = ModifierFlag::function | ModifierFlag::command | ModifierFlag::shift | ModifierFlag::option
        | ModifierFlag::control;
    EXPECT_EQ(ShortcutKit::symbolicRepresentation(all), QStringLiteral("⌃⌥⇧⌘\U0001F310\uFE0E"));
    EXPECT_EQ(ShortcutKit::symbolicRepresentation({}), QString());
}

TEST_F(ShortcutModelTest, JsonFormKeepsBothIntegersAndRejectsAnythingElse)
{
    EXPECT_EQ(Shortcut(46, 6144).toJson(), R"({"carbonKeyCode":46,"carbonModifiers":6144})");
    EXPECT_EQ(Shortcut::fromJson(R"({"carbonModifiers":6144,"carbonKeyCode":46})"), Shortcut(46, 6144));
    EXPECT_EQ(Shortcut::fromJson(R"({"carbonKeyCode":-5,"carbonModifiers":0})"), Shortcut(-5, 0));
    for (const char* bad : { R"({"carbonKeyCode":46})", R"({"carbonKeyCode":46.5,"carbonModifiers":0})",
             R"({"carbonKeyCode":"46","carbonModifiers":0})",
             R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})", "[46,6144]", "{", "" }) {
        EXPECT_FALSE(Shortcut::fromJson(bad)) << bad;
    }
}

TEST_F(ShortcutModelTest, RendersTheDefaultAndLayoutKeys)
{
    EXPECT_EQ(Shortcut(46, 6144).description(), QStringLiteral("⌃⌥M"));
    EXPECT_EQ(Shortcut(0, command).description(), QStringLiteral("⌘A"));
    EXPECT_EQ(Shortcut(42, 0).description(), QStringLiteral("\\"));
    // A German layout puts Z where the US layout has Y.
    layout.setText(16, QStringLiteral("z"));
    EXPECT_EQ(Shortcut(16, control).description(), QStringLiteral("⌃Z"));
    EXPECT_EQ(Shortcut(16, control).keyToCharacter(), QStringLiteral("z"));
    EXPECT_EQ(Shortcut(16, control).menuItemKeyEquivalent(), QStringLiteral("z"));
}

TEST_F(ShortcutModelTest, RendersEverySpecialKey)
{
    const std::pair<qint64, QString> expected[] = {
        { 36, "↩" },
        { 51, "⌫" },
        { 117, "⌦" },
        { 119, "↘" },
        { 53, "⎋" },
        { 114, "?\u20DD" },
        { 115, "↖" },
        { 49, "Space" },
        { 48, "⇥" },
        { 116, "⇞" },
        { 121, "⇟" },
        { 126, "↑" },
        { 124, "→" },
        { 125, "↓" },
        { 123, "←" },
        { 122, "F1" },
        { 120, "F2" },
        { 99, "F3" },
        { 118, "F4" },
        { 96, "F5" },
        { 97, "F6" },
        { 98, "F7" },
        { 100, "F8" },
        { 101, "F9" },
        { 109, "F10" },
        { 103, "F11" },
        { 111, "F12" },
        { 105, "F13" },
        { 107, "F14" },
        { 113, "F15" },
        { 106, "F16" },
        { 64, "F17" },
        { 79, "F18" },
        { 80, "F19" },
        { 90, "F20" },
        { 82, "0" + keycap },
        { 83, "1" + keycap },
        { 84, "2" + keycap },
        { 85, "3" + keycap },
        { 86, "4" + keycap },
        { 87, "5" + keycap },
        { 88, "6" + keycap },
        { 89, "7" + keycap },
        { 91, "8" + keycap },
        { 92, "9" + keycap },
        { 71, "☒" + keycap },
        { 65, "." + keycap },
        { 75, "/" + keycap },
        { 76, "↩" + keycap },
        { 81, "=" + keycap },
        { 78, "-" + keycap },
        { 67, "*" + keycap },
        { 69, "+" + keycap },
    };
    ASSERT_EQ(std::size(expected), 53u);
    // Special keys never ask the layout, even one that would print something there.
    layout.setText(36, QStringLiteral("x"));
    for (const auto& [code, symbol] : expected) {
        EXPECT_EQ(Shortcut(code, command).description(), "⌘" + symbol) << code;
        EXPECT_FALSE(Shortcut(code, 0).keyToCharacter()) << code;
    }
}

TEST_F(ShortcutModelTest, MenuEquivalentsAndKeySequencesOfSpecialKeys)
{
    EXPECT_EQ(Shortcut(96, command).description(), QStringLiteral("⌘F5"));
    EXPECT_EQ(Shortcut(96, command).menuItemKeyEquivalent(), QString(QChar(0xF708)));
    EXPECT_EQ(Shortcut(49, 0).menuItemKeyEquivalent(), QStringLiteral(" "));
    EXPECT_EQ(Shortcut(87, shift).description(), "⇧5" + keycap);
    EXPECT_FALSE(Shortcut(83, 0).menuItemKeyEquivalent());
    EXPECT_FALSE(Shortcut(83, 0).toKeySequence());

    EXPECT_EQ(Shortcut(96, command).toKeySequence(), QKeySequence(Qt::MetaModifier | Qt::Key_F5));
    EXPECT_EQ(Shortcut(46, 6144).toKeySequence(), QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_M));
    EXPECT_FALSE(Shortcut(46, function).toKeySequence());
}

TEST_F(ShortcutModelTest, KeysThatDoNotTranslateToOneCharacterShowTheReplacementCharacter)
{
    layout.setText(50, QString()); // a dead key
    layout.setText(39, QStringLiteral("ab"));
    for (const qint64 code : { qint64(50), qint64(39), qint64(-7), qint64(1) << 40, qint64(52) }) {
        const Shortcut shortcut(code, control);
        EXPECT_EQ(shortcut.description(), QStringLiteral("⌃\uFFFD")) << code;
        EXPECT_FALSE(shortcut.menuItemKeyEquivalent()) << code;
        EXPECT_FALSE(shortcut.toKeySequence()) << code;
    }
    layout.setAvailable(false);
    EXPECT_EQ(Shortcut(46, 6144).description(), QStringLiteral("⌃⌥\uFFFD"));
}

TEST_F(ShortcutModelTest, CombiningCharactersCountAsOneCharacter)
{
    layout.setText(0, QStringLiteral("e\u0301"));
    EXPECT_EQ(Shortcut(0, 0).keyToCharacter(), QStringLiteral("e\u0301"));
}

TEST_F(ShortcutModelTest, TakenBySystemComparesNormalisedModifiers)
{
    systemShortcuts.setShortcuts({ { 111, 0 }, { 48, command | 0x80 }, { 0, control } });
    EXPECT_FALSE(Shortcut(111, 0).isTakenBySystem());
    EXPECT_TRUE(Shortcut(48, command).isTakenBySystem());
    EXPECT_TRUE(Shortcut(0, control).isTakenBySystem());
    EXPECT_FALSE(Shortcut(0, control | shift).isTakenBySystem());
    systemShortcuts.setShortcuts({});
    EXPECT_FALSE(Shortcut(48, command).isTakenBySystem());
}

TEST_F(ShortcutModelTest, MenuSearchFindsItemsAtAnyDepthInOrder)
{
    QMenu menu;
    QAction* save = menu.addAction("Save");
    save->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_S));
    QAction* saveAs = menu.addAction("Save As");
    saveAs->setShortcut(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S));
    QMenu* more = menu.addMenu("More");
    QMenu* deeper = more->addMenu("Deeper");
    QAction* deepSave = deeper->addAction("Deep Save");
    deepSave->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_S));
    QAction* keypadSave = menu.addAction("Keypad");
    keypadSave->setShortcut(QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_S));
    QAction* f5 = more->addAction("Reload");
    f5->setShortcut(QKeySequence(Qt::Key_F5));

    EXPECT_EQ(Shortcut(1, control).matchingMenuItems(menu), (QList<QAction*> { save, deepSave }));
    EXPECT_EQ(Shortcut(1, control | shift).matchingMenuItems(menu), QList<QAction*> { saveAs });
    EXPECT_EQ(Shortcut(96, 0).matchingMenuItems(menu), QList<QAction*> { f5 });
    EXPECT_TRUE(Shortcut(1, command).matchingMenuItems(menu).isEmpty());
    layout.setAvailable(false);
    EXPECT_TRUE(Shortcut(1, control).matchingMenuItems(menu).isEmpty());
    EXPECT_TRUE(Shortcut(1, control).matchingMenuItems(QMenu()).isEmpty());
}

TEST_F(ShortcutModelTest, KeyEventsGiveShortcutsByKeyPlace)
{
    // X key code 58 is the M place (evdev 50).
    const QKeyEvent press(
        QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier, 58, 0, 0);
    EXPECT_EQ(Shortcut::fromEvent(press), Shortcut(46, 6144));
    const QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::MetaModifier, 9, 0, 0);
    EXPECT_EQ(Shortcut::fromEvent(release), Shortcut(53, command));
    const QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_M, Qt::ControlModifier, 58, 0, 0);
    EXPECT_FALSE(Shortcut::fromEvent(override));
    const QKeyEvent unknown(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, 0, 0, 0);
    EXPECT_FALSE(Shortcut::fromEvent(unknown));
}

TEST_F(ShortcutModelTest, NamesAreEqualByRawValueAndOnlyNamesWithAnInitialShortcutWrite)
{
    const Name plain(QStringLiteral("plain"));
    const Name withDefault(QStringLiteral("plain"), Shortcut(1, control));
    EXPECT_EQ(plain, withDefault);
    EXPECT_EQ(qHash(plain), qHash(withDefault));
    EXPECT_EQ(withDefault.defaultShortcut(), Shortcut(1, control));
    EXPECT_EQ(stored("plain"), QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":4096})"));

    const Name other(QStringLiteral("other"));
    EXPECT_FALSE(stored("other"));
    EXPECT_FALSE(other.shortcut());
    other.setShortcut(Shortcut(2, option));
    EXPECT_EQ(other.shortcut(), Shortcut(2, option));
    EXPECT_EQ(Shortcut::fromName(other), Shortcut(2, option));
}

TEST_F(ShortcutModelTest, FunctionKeysAndSandbox)
{
    EXPECT_TRUE(ShortcutKit::isFunctionKey(Qt::Key_F1));
    EXPECT_TRUE(ShortcutKit::isFunctionKey(Qt::Key_F35));
    EXPECT_FALSE(ShortcutKit::isFunctionKey(Qt::Key_Escape));
    EXPECT_EQ(ShortcutKit::isSandboxed(), qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID"));
}

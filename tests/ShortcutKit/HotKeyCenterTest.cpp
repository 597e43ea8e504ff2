#include "ShortcutKitTest.h"

#include "ShortcutKit/HotKey.h"
#include "ShortcutKit/HotKeyCenter.h"
#include "ShortcutKit/KeyEventMonitor.h"

#include <QKeyEvent>
#include <QMenu>

using ShortcutKit::HotKeyCenter;
using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800;
constexpr int xKeyCodeOfM = 58, xKeyCodeOfA = 38;
const Shortcut controlOptionM(46, control | option);

// Sees the key events that reach the menu, and keeps the menu itself from acting on them.
class KeyWitness : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        return true;
    }
};

// Sends a key event to the menu as its keyboard grab receives it; true when the center consumed it.
bool sendKey(QMenu& menu, QEvent::Type type, int xKeyCode, Qt::KeyboardModifiers modifiers, bool autoRepeat = false)
{
    KeyWitness witness;
    menu.installEventFilter(&witness);
    QKeyEvent event(type, Qt::Key_unknown, modifiers, quint32(xKeyCode), 0, 0, QString(), autoRepeat);
    QCoreApplication::sendEvent(&menu, &event);
    menu.removeEventFilter(&witness);
    return witness.count == 0;
}
} // namespace

class HotKeyCenterTest : public ShortcutKitTest
{
protected:
    void SetUp() override
    {
        ShortcutKitTest::SetUp();
        name = Name(QStringLiteral("n"), controlOptionM);
        ShortcutKit::onKeyDown(name, [this] { ran << "down"; });
        ShortcutKit::onKeyUp(name, [this] { ran << "up"; });
    }

    Name name;
    QStringList ran;
};

TEST_F(HotKeyCenterTest, PressAndReleaseRunTheActionsOnceEach)
{
    EXPECT_EQ(HotKeyCenter::shared().mode(), HotKeyCenter::Mode::normal);
    EXPECT_TRUE(hotKeys.press(46, control | option));
    EXPECT_TRUE(hotKeys.release(46, control | option));
    EXPECT_EQ(ran, (QStringList { "down", "up" }));
}

TEST_F(HotKeyCenterTest, EventsOfOtherSignaturesOrReleasedHotKeysAreNotHandled)
{
    const quint32 id = quint32(HotKeyCenter::shared().lastHotKeyId());
    EXPECT_FALSE(hotKeys.post({ platform::HotKeyEventKind::pressed, platform::fourCharCode("QPHK"), id }));
    EXPECT_TRUE(hotKeys.post({ platform::HotKeyEventKind::pressed, HotKeyCenter::signature, id }));
    ShortcutKit::removeHandler(name);
    EXPECT_FALSE(hotKeys.post({ platform::HotKeyEventKind::pressed, HotKeyCenter::signature, id }));
    EXPECT_EQ(ran, QStringList { "down" });
}

TEST_F(HotKeyCenterTest, AnOpenMenuTakesTheShortcutFromItsOwnKeyEvents)
{
    QMenu menu;
    menu.addAction("Item");
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(HotKeyCenter::shared().mode(), HotKeyCenter::Mode::menuOpen);
    EXPECT_FALSE(isGrabbed(controlOptionM));

    // Matching ignores the keypad flag; a repeated press runs nothing; other keys reach the menu.
    const Qt::KeyboardModifiers modifiers = Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier;
    EXPECT_TRUE(sendKey(menu, QEvent::KeyPress, xKeyCodeOfM, modifiers));
    EXPECT_FALSE(sendKey(menu, QEvent::KeyPress, xKeyCodeOfM, modifiers, true));
    EXPECT_TRUE(sendKey(menu, QEvent::KeyRelease, xKeyCodeOfM, modifiers));
    EXPECT_FALSE(sendKey(menu, QEvent::KeyPress, xKeyCodeOfA, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_FALSE(sendKey(menu, QEvent::KeyPress, xKeyCodeOfM, Qt::ControlModifier));
    EXPECT_EQ(ran, (QStringList { "down", "up" }));

    menu.hide();
    EXPECT_EQ(HotKeyCenter::shared().mode(), HotKeyCenter::Mode::normal);
    EXPECT_TRUE(isGrabbed(controlOptionM));
    EXPECT_FALSE(sendKey(menu, QEvent::KeyPress, xKeyCodeOfM, Qt::ControlModifier | Qt::AltModifier));
}

TEST_F(HotKeyCenterTest, AHotKeyTakenWhileTheMenuWasOpenIsDroppedAndReported)
{
    const Name other(QStringLiteral("other"), Shortcut(0, control));
    ShortcutKit::onKeyUp(other, [] {});
    QMenu menu;
    menu.addAction("Item");
    menu.popup(QPoint(10, 10));
    hotKeys.setTakenElsewhere(0, control, true);
    menu.hide();
    EXPECT_TRUE(isGrabbed(controlOptionM));
    EXPECT_FALSE(ShortcutKit::isEnabled(other));
    // The store dropped it: once free again, the next enable registers it anew.
    hotKeys.setTakenElsewhere(0, control, false);
    ShortcutKit::enable({ other });
    EXPECT_TRUE(ShortcutKit::isEnabled(other));
}

TEST_F(HotKeyCenterTest, AHotKeyTakenWhileARecorderRecordedIsDroppedAndReported)
{
    const Name other(QStringLiteral("other"), Shortcut(0, control));
    ShortcutKit::onKeyUp(other, [] {});
    ShortcutKit::setRecorderActive(true);
    EXPECT_FALSE(isGrabbed(controlOptionM));
    EXPECT_FALSE(hotKeys.press(46, control | option));
    hotKeys.setTakenElsewhere(0, control, true);
    ShortcutKit::setRecorderActive(false);
    EXPECT_TRUE(isGrabbed(controlOptionM));
    EXPECT_FALSE(ShortcutKit::isEnabled(other));
    EXPECT_TRUE(ran.isEmpty());
    hotKeys.setTakenElsewhere(0, control, false);
    ShortcutKit::enable({ other });
    EXPECT_TRUE(ShortcutKit::isEnabled(other));
}

TEST_F(HotKeyCenterTest, DisabledModeAcceptsRegistrationsButGrabsNothing)
{
    ShortcutKit::setEnabled(false);
    EXPECT_EQ(HotKeyCenter::shared().mode(), HotKeyCenter::Mode::disabled);
    HotKeyCenter& center = HotKeyCenter::shared();
    auto hotKey = std::make_shared<ShortcutKit::HotKey>(
        center, 0, control, center.nextHotKeyId(), [] {}, [] {});
    EXPECT_TRUE(center.registerHotKey(hotKey));
    EXPECT_FALSE(hotKey->eventHotKeyRef);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    // A menu opening and closing while disabled changes nothing.
    center.setMenuOpen(true);
    center.setMenuOpen(false);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    ShortcutKit::setEnabled(true);
    EXPECT_TRUE(hotKey->eventHotKeyRef);
    EXPECT_EQ(hotKeys.grabbedCount(), 2);
    hotKey.reset();
    EXPECT_EQ(hotKeys.grabbedCount(), 1);
}

TEST(KeyEventMonitorTest, StartsAndStopsOnce)
{
    int seen = 0;
    ShortcutKit::KeyEventMonitor monitor([&](const QKeyEvent&) { return ++seen == 1; });
    QMenu menu;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(&menu, &press);
    EXPECT_EQ(seen, 0);
    monitor.start();
    monitor.start();
    QCoreApplication::sendEvent(&menu, &press);
    EXPECT_EQ(seen, 1);
    monitor.stop();
    monitor.stop();
    QCoreApplication::sendEvent(&menu, &press);
    EXPECT_EQ(seen, 1);
}

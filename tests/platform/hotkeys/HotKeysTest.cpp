#include "platform/hotkeys/KeyPositions.h"
#include "platform/hotkeys/TestHotKeys.h"

#include <QList>
#include <gtest/gtest.h>

using platform::HotKeyEvent;
using platform::HotKeyEventKind;
using platform::HotKeys;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, function = 0x20000;
constexpr quint32 signature = platform::fourCharCode("TEST");
} // namespace

TEST(KeyPositionsTest, MapsKeyPlacesBothWays)
{
    EXPECT_EQ(platform::fourCharCode("QPHK"), 0x5150484Bu);
    EXPECT_EQ(platform::evdevKeyCode(46), 50); // M
    EXPECT_EQ(platform::evdevKeyCode(53), 1); // Escape
    EXPECT_EQ(platform::evdevKeyCode(76), 96); // keypad Enter
    EXPECT_FALSE(platform::evdevKeyCode(52));
    EXPECT_FALSE(platform::evdevKeyCode(-1));
    EXPECT_FALSE(platform::evdevKeyCode(46 + (qint64(1) << 32)));
    for (const qint64 code : platform::carbonKeyCodesWithPosition())
        EXPECT_EQ(platform::carbonKeyCode(*platform::evdevKeyCode(code)), code) << code;
}

TEST(HotKeysTest, RefusesKeysWithoutPlaceFunctionModifiersAndCombinationsHeldInProcess)
{
    platform::TestHotKeys hotKeys;
    EXPECT_EQ(hotKeys.registerHotKey(-3, 0, signature, 1).status, HotKeys::Status::invalidKey);
    EXPECT_EQ(hotKeys.registerHotKey(96, function, signature, 1).status, HotKeys::Status::invalidKey);
    const HotKeys::Registration first = hotKeys.registerHotKey(46, control | option, signature, 1);
    ASSERT_EQ(first.status, HotKeys::Status::ok);
    // Bits that are no modifier of ours do not make another combination.
    const HotKeys::Registration again = hotKeys.registerHotKey(46, control | option | 0x80, signature, 2);
    EXPECT_EQ(again.status, HotKeys::Status::taken);
    EXPECT_EQ(again.ref, 0u);
    EXPECT_EQ(hotKeys.grabCount(), 1);
    hotKeys.unregisterHotKey(first.ref);
    hotKeys.unregisterHotKey(first.ref);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    EXPECT_EQ(hotKeys.registerHotKey(46, control | option, signature, 2).status, HotKeys::Status::ok);
}

TEST(HotKeysTest, HandlersSeeTheirKindsNewestFirstUntilOneTakesTheEvent)
{
    platform::TestHotKeys hotKeys;
    hotKeys.registerHotKey(53, 0, signature, 7);
    QList<QString> seen;
    const auto older
        = hotKeys.installHandler(HotKeyEventKind::pressed | HotKeyEventKind::released, [&](const HotKeyEvent& event) {
              seen << QStringLiteral("older %1").arg(event.id);
              return true;
          });
    const auto newer = hotKeys.installHandler(HotKeyEventKind::pressed, [&](const HotKeyEvent& event) {
        seen << QStringLiteral("newer %1").arg(event.id);
        return event.signature != signature;
    });
    EXPECT_TRUE(hotKeys.press(53, 0));
    EXPECT_TRUE(hotKeys.release(53, 0));
    EXPECT_EQ(seen, (QList<QString> { "newer 7", "older 7", "older 7" }));
    EXPECT_FALSE(hotKeys.press(36, 0)); // not registered

    seen.clear();
    hotKeys.setHandlerEventKinds(older, {});
    EXPECT_FALSE(hotKeys.press(53, 0));
    hotKeys.removeHandler(newer);
    EXPECT_FALSE(hotKeys.press(53, 0));
    EXPECT_EQ(seen, QList<QString> { "newer 7" });
}

TEST(HotKeysTest, AHandlerMayRemoveAnotherWhileAnEventIsDelivered)
{
    platform::TestHotKeys hotKeys;
    hotKeys.registerHotKey(53, 0, signature, 1);
    int olderCalls = 0;
    const auto older = hotKeys.installHandler(HotKeyEventKind::pressed, [&](const HotKeyEvent&) {
        ++olderCalls;
        return true;
    });
    hotKeys.installHandler(HotKeyEventKind::pressed, [&](const HotKeyEvent&) {
        hotKeys.removeHandler(older);
        return false;
    });
    EXPECT_FALSE(hotKeys.press(53, 0));
    EXPECT_EQ(olderCalls, 0);
}

TEST(HotKeysTest, SuspendingLetsGoOfEveryGrabAndResumingReportsTheOnesTakenMeanwhile)
{
    platform::TestHotKeys hotKeys;
    QList<HotKeyEvent> events;
    hotKeys.installHandler(HotKeyEventKind::pressed | HotKeyEventKind::lost, [&](const HotKeyEvent& event) {
        events.append(event);
        return true;
    });
    const HotKeys::Registration kept = hotKeys.registerHotKey(46, control | option, signature, 1);
    const HotKeys::Registration lost = hotKeys.registerHotKey(40, control, signature, 2);

    hotKeys.setSuspended(true);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    EXPECT_FALSE(hotKeys.press(46, control | option)) << "a suspended key reaches the focused window";
    // Registering meanwhile still checks the other programs, and grabs nothing yet.
    hotKeys.setTakenElsewhere(12, control, true);
    EXPECT_EQ(hotKeys.registerHotKey(12, control, signature, 3).status, HotKeys::Status::taken);
    const HotKeys::Registration added = hotKeys.registerHotKey(13, control, signature, 4);
    EXPECT_EQ(added.status, HotKeys::Status::ok);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    hotKeys.unregisterHotKey(added.ref);

    hotKeys.setTakenElsewhere(40, control, true);
    hotKeys.setSuspended(false);
    EXPECT_TRUE(hotKeys.isGrabbed(46, control | option));
    EXPECT_FALSE(hotKeys.isGrabbed(13, control));
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].kind, HotKeyEventKind::lost);
    EXPECT_EQ(events[0].id, 2u);
    EXPECT_TRUE(hotKeys.press(46, control | option));
    hotKeys.unregisterHotKey(lost.ref); // already gone: nothing happens
    hotKeys.unregisterHotKey(kept.ref);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
}

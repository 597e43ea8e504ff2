#include "tolvar/menubar/PanelTransientHotkeys.h"

#include "platform/hotkeys/TestHotKeys.h"

#include <QCoreApplication>
#include <QList>
#include <gtest/gtest.h>

using tolvar::PanelTransientHotkeys;
using Owner = PanelTransientHotkeys::Owner;
using KeySet = PanelTransientHotkeys::KeySet;
using Action = PanelTransientHotkeys::Action;

namespace {
constexpr qint64 control = 0x1000;
constexpr qint64 command = 0x100;

struct Key
{
    qint64 code;
    qint64 modifiers;
};
const Key escape { 53, 0 }, left { 123, 0 }, right { 124, 0 }, up { 126, 0 }, down { 125, 0 }, returnKey { 36, 0 },
    enter { 76, 0 }, ctrlM { 46, control }, ctrlU { 32, control }, ctrlH { 4, control }, ctrlJ { 38, control },
    ctrlK { 40, control }, ctrlL { 37, control };
const Key allKeys[] = { escape, left, right, up, down, returnKey, enter, ctrlM, ctrlU, ctrlH, ctrlJ, ctrlK, ctrlL };
} // namespace

class PanelTransientHotkeysTest : public ::testing::Test
{
protected:
    PanelTransientHotkeys::Handler recorder(Owner owner)
    {
        return [this, owner](Action action) { served.append({ owner, action }); };
    }

    // Presses the key and lets the queued dispatch run.
    bool press(const Key& key)
    {
        const bool handled = hotKeys.press(key.code, key.modifiers);
        QCoreApplication::processEvents();
        return handled;
    }

    int grabbedOf(std::initializer_list<Key> keys) const
    {
        int count = 0;
        for (const Key& key : keys)
            count += hotKeys.isGrabbed(key.code, key.modifiers);
        return count;
    }

    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry { &hotKeys };
    QList<std::pair<Owner, Action>> served;
};

TEST_F(PanelTransientHotkeysTest, EscapeGoesToTheEscapeOnlyOwnerAndTheRestToTheOverlay)
{
    registry.registerOwner(Owner::reminderOverlay, KeySet::panelNavigation, recorder(Owner::reminderOverlay));
    registry.registerOwner(Owner::actionItemOverlay, KeySet::escapeOnly, recorder(Owner::actionItemOverlay));
    EXPECT_EQ(hotKeys.grabbedCount(), 13);
    for (const Key& key : { escape, left, returnKey, enter })
        EXPECT_TRUE(press(key));
    const QList<std::pair<Owner, Action>> expected = {
        { Owner::actionItemOverlay, Action::escape },
        { Owner::reminderOverlay, Action::left },
        { Owner::reminderOverlay, Action::returnKey },
        { Owner::reminderOverlay, Action::returnKey },
    };
    EXPECT_EQ(served, expected);
}

TEST_F(PanelTransientHotkeysTest, EveryKeyMapsToItsAction)
{
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    for (const Key& key : allKeys)
        press(key);
    QList<Action> actions;
    for (const auto& [owner, action] : served)
        actions.append(action);
    const QList<Action> expected
        = { Action::escape, Action::left, Action::right, Action::up, Action::down, Action::returnKey, Action::returnKey,
              Action::mute, Action::unmute, Action::left, Action::down, Action::up, Action::right };
    EXPECT_EQ(actions, expected);
}

TEST_F(PanelTransientHotkeysTest, TheLetterKeysTakeControlAndLeaveSuperToTheDesktop)
{
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    EXPECT_EQ(grabbedOf({ ctrlM, ctrlU, ctrlH, ctrlJ, ctrlK, ctrlL }), 6);
    for (const qint64 code : { 46, 32, 4, 38, 40, 37 })
        EXPECT_FALSE(hotKeys.isGrabbed(code, command));
}

TEST_F(PanelTransientHotkeysTest, OnlyEscapeIsTakenWhileEveryOwnerWantsOnlyEscape)
{
    registry.registerOwner(Owner::availabilityShare, KeySet::escapeOnly, recorder(Owner::availabilityShare));
    registry.registerOwner(Owner::actionItemOverlay, KeySet::escapeOnly, recorder(Owner::actionItemOverlay));
    EXPECT_EQ(hotKeys.grabbedCount(), 1);
    EXPECT_TRUE(hotKeys.isGrabbed(escape.code, 0));
    EXPECT_FALSE(press(left)); // reaches other programs
    press(escape);
    EXPECT_EQ(served, (QList<std::pair<Owner, Action>> { { Owner::actionItemOverlay, Action::escape } }));
}

TEST_F(PanelTransientHotkeysTest, RegisteringAgainMovesTheOwnerLastAndReplacesItsHandlerAndKeySet)
{
    int oldHandler = 0;
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, [&](Action) { ++oldHandler; });
    registry.registerOwner(Owner::reminderOverlay, KeySet::panelNavigation, recorder(Owner::reminderOverlay));
    press(down);
    registry.registerOwner(Owner::quickPanel, KeySet::escapeOnly, recorder(Owner::quickPanel));
    press(down);
    press(escape);
    EXPECT_EQ(oldHandler, 0);
    const QList<std::pair<Owner, Action>> expected = {
        { Owner::reminderOverlay, Action::down },
        { Owner::reminderOverlay, Action::down },
        { Owner::quickPanel, Action::escape },
    };
    EXPECT_EQ(served, expected);
}

TEST_F(PanelTransientHotkeysTest, SuppressionHidesThePanelOwnersButKeepsTheHandler)
{
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    registry.registerOwner(Owner::menuBar, KeySet::panelNavigation, recorder(Owner::menuBar));
    registry.setSuppressPanelHotkeys(true);
    registry.applyRegistrations();
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    EXPECT_EQ(hotKeys.post({ platform::HotKeyEventKind::pressed, PanelTransientHotkeys::signature, 1 }), true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(served.isEmpty());

    // An overlay still gets its keys while the panels are suppressed.
    registry.registerOwner(Owner::reminderOverlay, KeySet::panelNavigation, recorder(Owner::reminderOverlay));
    press(up);
    registry.unregisterOwner(Owner::reminderOverlay);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);

    registry.setSuppressPanelHotkeys(false);
    registry.applyRegistrations();
    EXPECT_EQ(hotKeys.grabbedCount(), 13);
    press(up);
    const QList<std::pair<Owner, Action>> expected = {
        { Owner::reminderOverlay, Action::up },
        { Owner::menuBar, Action::up },
    };
    EXPECT_EQ(served, expected);
}

TEST_F(PanelTransientHotkeysTest, TheLastOwnerTakesTheHandlerAndKeysAway)
{
    registry.registerOwner(Owner::menuBar, KeySet::panelNavigation, recorder(Owner::menuBar));
    registry.registerOwner(Owner::availabilityShare, KeySet::escapeOnly, recorder(Owner::availabilityShare));
    registry.unregisterOwner(Owner::menuBar);
    EXPECT_EQ(hotKeys.grabbedCount(), 1);
    registry.unregisterOwner(Owner::availabilityShare);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
    EXPECT_FALSE(hotKeys.post({ platform::HotKeyEventKind::pressed, PanelTransientHotkeys::signature, 1 }));
    // Unregistering an owner that is not there changes nothing.
    registry.unregisterOwner(Owner::quickPanel);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);

    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    EXPECT_TRUE(press(escape));
    EXPECT_EQ(served, (QList<std::pair<Owner, Action>> { { Owner::quickPanel, Action::escape } }));
}

TEST_F(PanelTransientHotkeysTest, OnlyOwnSignatureAndKnownIdsAreTaken)
{
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    using platform::HotKeyEventKind;
    EXPECT_FALSE(hotKeys.post({ HotKeyEventKind::pressed, platform::fourCharCode("KBHK"), 1 }));
    EXPECT_FALSE(hotKeys.post({ HotKeyEventKind::pressed, PanelTransientHotkeys::signature, 0 }));
    EXPECT_FALSE(hotKeys.post({ HotKeyEventKind::pressed, PanelTransientHotkeys::signature, 14 }));
    EXPECT_FALSE(hotKeys.post({ HotKeyEventKind::released, PanelTransientHotkeys::signature, 1 }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(served.isEmpty());
}

TEST_F(PanelTransientHotkeysTest, AKeyAnotherProgramHoldsIsSkipped)
{
    hotKeys.setTakenElsewhere(left.code, 0, true);
    registry.registerOwner(Owner::reminderOverlay, KeySet::panelNavigation, recorder(Owner::reminderOverlay));
    EXPECT_EQ(hotKeys.grabbedCount(), 12);
    EXPECT_TRUE(press(right));
}

TEST_F(PanelTransientHotkeysTest, APressWhoseOwnerLeftBeforeDispatchGoesToTheNextOwner)
{
    registry.registerOwner(Owner::reminderOverlay, KeySet::panelNavigation, recorder(Owner::reminderOverlay));
    registry.registerOwner(Owner::quickPanel, KeySet::panelNavigation, recorder(Owner::quickPanel));
    hotKeys.press(escape.code, 0);
    registry.unregisterOwner(Owner::quickPanel);
    QCoreApplication::processEvents();
    EXPECT_EQ(served, (QList<std::pair<Owner, Action>> { { Owner::reminderOverlay, Action::escape } }));
}

TEST(PanelTransientHotkeysSharedTest, TheSharedRegistryRegistersOnceItHasHotKeys)
{
    PanelTransientHotkeys& shared = PanelTransientHotkeys::shared();
    EXPECT_EQ(&shared, &PanelTransientHotkeys::shared());
    int served = 0;
    shared.registerOwner(Owner::reminderOverlay, KeySet::escapeOnly, [&](Action) { ++served; });
    platform::TestHotKeys hotKeys;
    shared.setHotKeys(hotKeys);
    EXPECT_TRUE(hotKeys.press(escape.code, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(served, 1);
    shared.unregisterOwner(Owner::reminderOverlay);
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
}

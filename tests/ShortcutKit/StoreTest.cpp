#include "ShortcutKitTest.h"

using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, command = 0x100;
const Shortcut controlA(0, control);
const Shortcut controlB(11, control);
const Shortcut optionC(8, option);
} // namespace

using StoreTest = ShortcutKitTest;

TEST_F(StoreTest, StoredFormsReadAsShortcutClearedOrAbsent)
{
    const Name name(QStringLiteral("n"), controlA);
    EXPECT_EQ(stored("n"), QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":4096})"));
    EXPECT_EQ(ShortcutKit::getShortcut(name), controlA);

    // Other members and order are accepted; other values read as absent and are left alone.
    defaults.setString("ShortcutKit_n", R"({"carbonModifiers":256,"extra":1,"carbonKeyCode":11})");
    EXPECT_EQ(ShortcutKit::getShortcut(name), Shortcut(11, command));
    for (const platform::UserDefaults::Value& value :
        { platform::UserDefaults::Value(true), platform::UserDefaults::Value(qint64(2)),
            platform::UserDefaults::Value(QStringLiteral("x")), platform::UserDefaults::Value(QByteArray("{}")),
            platform::UserDefaults::Value(qint64(0)), platform::UserDefaults::Value(false) }) {
        defaults.setValue("ShortcutKit_n", value);
        ShortcutKit::onKeyDown(name, [] {});
        EXPECT_FALSE(ShortcutKit::getShortcut(name));
        EXPECT_EQ(hotKeys.grabbedCount(), 0);
        EXPECT_EQ(defaults.value("ShortcutKit_n"), value);
    }
}

TEST_F(StoreTest, ClearingANameWithAnInitialShortcutStoresFalseThatSurvivesARelaunch)
{
    const Name name(QStringLiteral("n"), controlA);
    ShortcutKit::setShortcut(std::nullopt, name);
    EXPECT_EQ(stored("n"), QStringLiteral("false"));
    EXPECT_EQ(posted, QStringList { "n" });
    // Cleared already: nothing is written or posted.
    ShortcutKit::setShortcut(std::nullopt, name);
    EXPECT_EQ(posted.size(), 1);
    // The next launch makes the name again; the default is not written back.
    const Name relaunched(QStringLiteral("n"), controlA);
    EXPECT_EQ(stored("n"), QStringLiteral("false"));
    EXPECT_FALSE(relaunched.shortcut());
}

TEST_F(StoreTest, ClearingANameWithoutInitialShortcutRemovesTheKey)
{
    const Name name(QStringLiteral("n"));
    ShortcutKit::setShortcut(std::nullopt, name);
    EXPECT_TRUE(posted.isEmpty());
    ShortcutKit::setShortcut(controlA, name);
    ShortcutKit::setShortcut(std::nullopt, name);
    EXPECT_FALSE(stored("n"));
    EXPECT_EQ(posted, (QStringList { "n", "n" }));
}

TEST_F(StoreTest, TheInitialShortcutIsWrittenOnlyWhenTheKeyIsAbsent)
{
    const Name first(QStringLiteral("n"), controlA);
    first.setShortcut(controlB);
    const Name again(QStringLiteral("n"), controlA);
    EXPECT_EQ(again.shortcut(), controlB);
    EXPECT_EQ(posted, QStringList { "n" }); // the initial write posts nothing
}

TEST_F(StoreTest, ActionsRegisterTheStoredShortcutAndRun)
{
    const Name name(QStringLiteral("n"), controlA);
    QStringList ran;
    EXPECT_FALSE(isGrabbed(controlA));
    ShortcutKit::onKeyDown(name, [&] { ran << "down"; });
    ShortcutKit::onKeyUp(name, [&] { ran << "up 1"; });
    ShortcutKit::onKeyUp(name, [&] { ran << "up 2"; });
    EXPECT_TRUE(isGrabbed(controlA));
    EXPECT_TRUE(ShortcutKit::isEnabled(name));
    type(controlA);
    EXPECT_EQ(ran, (QStringList { "down", "up 1", "up 2" }));

    // A new shortcut replaces the old grab.
    name.setShortcut(controlB);
    EXPECT_FALSE(isGrabbed(controlA));
    EXPECT_TRUE(isGrabbed(controlB));
    ran.clear();
    type(controlA);
    type(controlB);
    EXPECT_EQ(ran, (QStringList { "down", "up 1", "up 2" }));
}

TEST_F(StoreTest, NamesSharingAShortcutShareOneHotKey)
{
    const Name first(QStringLiteral("first"), controlA);
    const Name second(QStringLiteral("second"), controlA);
    QStringList ran;
    ShortcutKit::onKeyUp(first, [&] { ran << "first"; });
    ShortcutKit::onKeyUp(second, [&] { ran << "second"; });
    EXPECT_EQ(hotKeys.grabbedCount(), 1);

    // Clearing one leaves the hot key to the other.
    first.setShortcut(std::nullopt);
    EXPECT_TRUE(isGrabbed(controlA));
    type(controlA);
    EXPECT_EQ(ran, QStringList { "second" });

    // A disabled name that shares the shortcut of an enabled one does not run.
    first.setShortcut(controlA);
    ShortcutKit::disable({ first });
    EXPECT_TRUE(isGrabbed(controlA));
    ran.clear();
    type(controlA);
    EXPECT_EQ(ran, QStringList { "second" });
    EXPECT_FALSE(ShortcutKit::isEnabled(first));
    EXPECT_TRUE(ShortcutKit::isEnabled(second));

    ShortcutKit::disable({ second });
    EXPECT_FALSE(isGrabbed(controlA));
}

TEST_F(StoreTest, DisableAndEnableWithdrawAndRestoreTheHotKey)
{
    const Name name(QStringLiteral("n"), controlA);
    const Name idle(QStringLiteral("idle"), optionC);
    int ran = 0;
    ShortcutKit::onKeyUp(name, [&] { ++ran; });
    ShortcutKit::disable({ name });
    EXPECT_FALSE(isGrabbed(controlA));
    type(controlA);
    EXPECT_EQ(ran, 0);
    ShortcutKit::enable({ name, idle });
    EXPECT_TRUE(isGrabbed(controlA));
    EXPECT_FALSE(isGrabbed(optionC)); // no actions: nothing to register
    type(controlA);
    EXPECT_EQ(ran, 1);

    // A name disabled before it has actions stays unregistered when it gets one.
    ShortcutKit::disable({ idle });
    ShortcutKit::onKeyUp(idle, [] {});
    EXPECT_FALSE(isGrabbed(optionC));
}

TEST_F(StoreTest, TheGlobalSwitchWithdrawsEveryGrabAndKeepsTheRegistry)
{
    const Name name(QStringLiteral("n"), controlA);
    int ran = 0;
    ShortcutKit::onKeyUp(name, [&] { ++ran; });
    ShortcutKit::setEnabled(false);
    EXPECT_FALSE(isGrabbed(controlA));
    EXPECT_FALSE(ShortcutKit::isEnabled(name));
    type(controlA);
    ShortcutKit::setEnabled(true);
    EXPECT_TRUE(isGrabbed(controlA));
    EXPECT_TRUE(ShortcutKit::isEnabled(name));
    type(controlA);
    EXPECT_EQ(ran, 1);
}

TEST_F(StoreTest, AShortcutAnotherProgramHoldsStaysUnregisteredUntilTriedAgain)
{
    hotKeys.setTakenElsewhere(0, control, true);
    const Name name(QStringLiteral("n"), controlA);
    int ran = 0;
    ShortcutKit::onKeyUp(name, [&] { ++ran; });
    EXPECT_FALSE(ShortcutKit::isEnabled(name));
    hotKeys.setTakenElsewhere(0, control, false);
    ShortcutKit::enable({ name });
    EXPECT_TRUE(ShortcutKit::isEnabled(name));
    type(controlA);
    EXPECT_EQ(ran, 1);
}

TEST_F(StoreTest, KeyCodesWithoutAKeyNeverRegisterOrGrabAnotherKey)
{
    for (const qint64 code : { qint64(-1), qint64(46) + (qint64(1) << 32), qint64(52), qint64(1) << 62 }) {
        const Name name(QStringLiteral("odd"));
        defaults.setString("ShortcutKit_odd", QString(R"({"carbonKeyCode":%1,"carbonModifiers":6144})").arg(code));
        EXPECT_EQ(name.shortcut(), Shortcut(code, 6144));
        EXPECT_EQ(name.shortcut()->description(), QStringLiteral("⌃⌥\uFFFD"));
        ShortcutKit::onKeyUp(name, [] {});
        EXPECT_FALSE(ShortcutKit::isEnabled(name));
        EXPECT_EQ(hotKeys.grabCount(), 0) << code;
        ShortcutKit::removeHandler(name);
    }
}

TEST_F(StoreTest, ResetWritesAndPostsEvenWhenUnchanged)
{
    const Name withDefault(QStringLiteral("d"), controlA);
    const Name without(QStringLiteral("w"));
    without.setShortcut(optionC);
    posted.clear();
    ShortcutKit::reset({ withDefault, without });
    EXPECT_EQ(withDefault.shortcut(), controlA);
    EXPECT_FALSE(stored("w"));
    EXPECT_EQ(posted, (QStringList { "d", "w" }));
}

TEST_F(StoreTest, ResetAllRemovesEveryKeyWithOneNotificationEach)
{
    const Name a(QStringLiteral("a"), controlA);
    const Name b(QStringLiteral("b"), controlB);
    b.setShortcut(std::nullopt);
    Name(QStringLiteral("c")).setShortcut(optionC);
    defaults.setString("Other", "kept");
    posted.clear();
    EXPECT_EQ(ShortcutKit::storedNames(), (QSet<Name> { Name("a"), Name("b"), Name("c") }));
    ShortcutKit::resetAll();
    posted.sort();
    EXPECT_EQ(posted, (QStringList { "a", "b", "c" }));
    EXPECT_EQ(defaults.keys(), QStringList { "Other" });
}

TEST_F(StoreTest, NoActionRunsWhileARecorderRecords)
{
    const Name name(QStringLiteral("n"), controlA);
    int ran = 0;
    ShortcutKit::onKeyUp(name, [&] { ++ran; });
    ShortcutKit::setRecorderActive(true);
    type(controlA);
    ShortcutKit::setRecorderActive(false);
    type(controlA);
    EXPECT_EQ(ran, 1);
}

TEST_F(StoreTest, AnActionAddedDuringADispatchRunsFromTheNextEvent)
{
    const Name name(QStringLiteral("n"), controlA);
    QStringList ran;
    ShortcutKit::onKeyUp(name, [&] {
        ran << "first";
        if (ran.size() == 1)
            ShortcutKit::onKeyUp(name, [&] { ran << "added"; });
    });
    type(controlA);
    EXPECT_EQ(ran, QStringList { "first" });
    type(controlA);
    EXPECT_EQ(ran, (QStringList { "first", "first", "added" }));
}

TEST_F(StoreTest, RemovingHandlersUnregistersUnlessAnotherNameStillNeedsTheShortcut)
{
    const Name first(QStringLiteral("first"), controlA);
    const Name second(QStringLiteral("second"), controlA);
    const Name third(QStringLiteral("third"), controlB);
    ShortcutKit::onKeyDown(first, [] {});
    ShortcutKit::onKeyDown(second, [] {});
    ShortcutKit::onKeyUp(third, [] {});
    ShortcutKit::removeHandler(first);
    EXPECT_TRUE(isGrabbed(controlA));
    ShortcutKit::removeHandler(second);
    EXPECT_FALSE(isGrabbed(controlA));
    ShortcutKit::onKeyDown(first, [] {});
    ShortcutKit::removeAllHandlers();
    EXPECT_EQ(hotKeys.grabbedCount(), 0);
}

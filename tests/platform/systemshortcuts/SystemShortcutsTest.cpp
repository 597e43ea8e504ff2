#include "platform/keyboard/TestKeyboardLayout.h"
#include "platform/systemshortcuts/DesktopSystemShortcuts.h"
#include "platform/systemshortcuts/GnomeKeyBindings.h"
#include "platform/systemshortcuts/KdeGlobalShortcuts.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

using platform::SystemShortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200, command = 0x100;

class SystemShortcutsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        layout.useUsLayout();
        layout.setKeysym(XKB_KEY_F4, 118);
        layout.setKeysym(XKB_KEY_Left, 123);
        layout.setKeysym(XKB_KEY_Escape, 53);
        layout.setKeysym(XKB_KEY_Prior, 116);
        layout.setKeysym(XKB_KEY_XF86AudioRaiseVolume, 72);
        layout.setKeysym(XKB_KEY_space, 49);
        layout.setKeysym(XKB_KEY_apostrophe, 39);
    }

    static void writeFile(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    platform::TestKeyboardLayout layout;
};
} // namespace

TEST_F(SystemShortcutsTest, GnomeAcceleratorsBecomeCarbonShortcuts)
{
    using platform::GnomeKeyBindings::parseAccelerator;
    EXPECT_EQ(parseAccelerator("<Alt>F4", layout), (SystemShortcut { 118, option }));
    EXPECT_EQ(parseAccelerator("<Primary><Shift>t", layout), (SystemShortcut { 17, control | shift }));
    EXPECT_EQ(parseAccelerator("<Super>Left", layout), (SystemShortcut { 123, command }));
    EXPECT_EQ(parseAccelerator("<Control><Alt>Escape", layout), (SystemShortcut { 53, control | option }));
    EXPECT_EQ(parseAccelerator("<Super>Above_Tab", layout), (SystemShortcut { 50, command }));
    EXPECT_EQ(parseAccelerator("XF86AudioRaiseVolume", layout), (SystemShortcut { 72, 0 }));
    EXPECT_FALSE(parseAccelerator("<Hyper>a", layout));
    EXPECT_FALSE(parseAccelerator("<Super", layout));
    EXPECT_FALSE(parseAccelerator("<Super>", layout));
    EXPECT_FALSE(parseAccelerator("disabled", layout));
    EXPECT_FALSE(parseAccelerator("<Super>Cyrillic_a", layout));
}

TEST_F(SystemShortcutsTest, GSettingsListingsGiveEveryBindingAndSkipTheRest)
{
    const QString listing
        = QStringLiteral("org.gnome.desktop.wm.keybindings close ['<Alt>F4']\n"
                         "org.gnome.desktop.wm.keybindings minimize @as []\n"
                         "org.gnome.desktop.wm.keybindings switch-windows ['<Super>Left', '<Alt>Escape']\n"
                         "org.gnome.settings-daemon.plugins.media-keys volume-step 6\n"
                         "org.gnome.settings-daemon.plugins.media-keys custom-keybindings ['/org/x/custom0/']\n"
                         "org.gnome.shell.keybindings quote ['<Super>apostrophe']\n");
    const QList<SystemShortcut> expected = { { 118, option }, { 123, command }, { 53, option }, { 39, command } };
    EXPECT_EQ(platform::GnomeKeyBindings::parse(listing, layout), expected);
}

TEST_F(SystemShortcutsTest, KdeShortcutsFileGivesTheActiveShortcuts)
{
    using platform::KdeGlobalShortcuts::parseShortcut;
    EXPECT_EQ(parseShortcut("Meta+Shift+Left", layout), (SystemShortcut { 123, command | shift }));
    EXPECT_EQ(parseShortcut("Ctrl+Alt+T", layout), (SystemShortcut { 17, control | option }));
    EXPECT_EQ(parseShortcut("Meta+PgUp", layout), (SystemShortcut { 116, command }));
    EXPECT_EQ(parseShortcut("Volume Up", layout), (SystemShortcut { 72, 0 }));
    EXPECT_EQ(parseShortcut("Ctrl++", layout), std::nullopt); // no plus key on the test layout
    EXPECT_FALSE(parseShortcut("Meta+A, Meta+B", layout));
    EXPECT_FALSE(parseShortcut("Meta+Nonsense", layout));

    const QString file = QStringLiteral("[kwin]\n"
                                        "_k_friendly_name=KWin\n"
                                        "Window Close=Alt+F4,Alt+F4,Close Window\n"
                                        "Switch Window Left=Meta+Alt+Left\\tMeta+H,Meta+Alt+Left,Left\n"
                                        "Unused=none,Ctrl+Q,Nothing\n"
                                        "Empty=,none,Empty\n"
                                        "# comment=Ctrl+C\n"
                                        "[plasmashell]\n"
                                        "activate launcher=Alt+Space,Alt+F1,Activate\n");
    const QList<SystemShortcut> expected
        = { { 118, option }, { 123, command | option }, { 4, command }, { 49, option } };
    EXPECT_EQ(platform::KdeGlobalShortcuts::parse(file, layout), expected);
}

TEST_F(SystemShortcutsTest, TheRunningDesktopDecidesWhichBindingsAreRead)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    writeFile(config + "/kglobalshortcutsrc", "[kwin]\nWindow Close=Alt+F4,Alt+F4,Close Window\n");
    // A stand-in gsettings that lists one binding for every schema it is asked about.
    QTemporaryDir bin;
    writeFile(bin.path() + "/gsettings",
        "#!/bin/sh\n[ \"$1\" = list-recursively ] && echo \"$2 close ['<Super>q']\"\nexit 0\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ":" + oldPath);

    const platform::DesktopSystemShortcuts shortcuts(layout);
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_EQ(shortcuts.enabledShortcuts(), (QList<SystemShortcut> { { 118, option } }));
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    EXPECT_EQ(shortcuts.enabledShortcuts(), QList<SystemShortcut>(5, SystemShortcut { 12, command }));
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    EXPECT_TRUE(shortcuts.enabledShortcuts().isEmpty());

    qputenv("PATH", bin.path().toLocal8Bit() + "/missing");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    EXPECT_TRUE(shortcuts.enabledShortcuts().isEmpty());
    qputenv("PATH", oldPath);
    qunsetenv("XDG_CURRENT_DESKTOP");
}

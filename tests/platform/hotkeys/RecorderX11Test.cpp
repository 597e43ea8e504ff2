// The recorder in a real window on a real X server, typed into with xdotool.
#include "ShortcutKit/RecorderCocoa.h"
#include "ShortcutKit/ShortcutKit.h"
#include "X11TestSupport.h"
#include "platform/defaults/JsonFileUserDefaults.h"
#include "platform/hotkeys/X11HotKeys.h"
#include "platform/keyboard/XkbKeyRepeat.h"
#include "platform/keyboard/XkbKeyboardLayout.h"
#include "platform/systemshortcuts/TestSystemShortcuts.h"
#include "tests/support/Patience.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using ShortcutKit::Name;
using ShortcutKit::Shortcut;
using namespace X11TestSupport;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200;
constexpr int xControl = 4, xShift = 1, xAlt = 8;
constexpr int xKeyCodeOfK = 45, xKeyCodeOfM = 58, xKeyCodeOfJ = 44;

// ShortcutKit on the X server's hot keys and keyboard layout, with a settings file of its own.
struct RealLayers
{
    RealLayers() { ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts }); }
    ~RealLayers() { ShortcutKit::shutDown(); }
    QString settingsFile() const { return folder.filePath(QStringLiteral("defaults.json")); }

    QTemporaryDir folder;
    platform::X11HotKeys hotKeys;
    platform::JsonFileUserDefaults defaults { settingsFile() };
    platform::XkbKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
};
} // namespace

TEST(RecorderX11Test, ATypedShortcutIsStoredInTheSettingsFileAndTheGrabMovesToIt)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "this test needs an X display";
    const RealLayers layers;
    const QString settingsFile = layers.settingsFile();
    {
        const Name name(QStringLiteral("toggleQuickPanel"), Shortcut(46, control | option));
        int fired = 0;
        ShortcutKit::onKeyUp(name, [&] { ++fired; });
        ASSERT_TRUE(ShortcutKit::isEnabled(name));

        QWidget window;
        auto* layoutBox = new QVBoxLayout(&window);
        layoutBox->addWidget(new QLineEdit(&window));
        auto* recorder = new ShortcutKit::RecorderCocoa(name, {}, &window);
        layoutBox->addWidget(recorder);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::patienceMs));
        EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+M"));

        const QPoint center = recorder->mapTo(&window, recorder->rect().center());
        ASSERT_TRUE(xdotool({ "mousemove", "--window", QString::number(window.winId()), QString::number(center.x()),
            QString::number(center.y()), "click", "1" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));

        // The current shortcut reaches the field, not the grab, and fires nothing.
        ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder->isRecording(); }, testsupport::patienceMs));
        EXPECT_EQ(fired, 0);
        EXPECT_EQ(name.shortcut(), Shortcut(46, control | option));

        ASSERT_TRUE(xdotool({ "mousemove", "--window", QString::number(window.winId()), QString::number(center.x()),
            QString::number(center.y()), "click", "1" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));
        {
            // Holding a key another client grabbed sends the window a grab-mode focus-out: the window
            // stays active and the recording goes on.
            OtherClient other(xKeyCodeOfJ, xControl | xAlt);
            ASSERT_EQ(other.nextLine(), QStringLiteral("grabbed"));
            ASSERT_TRUE(xdotool({ "keydown", "ctrl+alt+j", "sleep", "0.5", "keyup", "j", "keyup", "ctrl+alt" }));
            EXPECT_EQ(other.nextLine(), QStringLiteral("pressed"));
            QTest::qWait(300);
            EXPECT_TRUE(window.isActiveWindow());
            EXPECT_TRUE(recorder->isRecording());
        }
        ASSERT_TRUE(xdotool({ "key", "ctrl+shift+k" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder->isRecording(); }, testsupport::patienceMs));
        EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Shift+K"));

        QFile file(settingsFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(file.readAll())[QStringLiteral("ShortcutKit_toggleQuickPanel")].toString(),
            QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":4608})"));

        // The old combination reaches other clients again; the new one is ours and fires.
        {
            OtherClient old(xKeyCodeOfM, xControl | xAlt);
            ASSERT_EQ(old.nextLine(), QStringLiteral("grabbed"));
            ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
            EXPECT_EQ(old.nextLine(), QStringLiteral("pressed"));
        }
        {
            OtherClient taken(xKeyCodeOfK, xControl | xShift);
            EXPECT_EQ(taken.nextLine(), QStringLiteral("taken"));
        }
        ASSERT_TRUE(xdotool({ "keydown", "ctrl+shift+k", "sleep", "0.5", "keyup", "k", "keyup", "ctrl+shift" }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, testsupport::patienceMs));
        EXPECT_TRUE(window.isActiveWindow()) << "a held grab does not take the window's activation";
    }
}

TEST(RecorderX11Test, TheKeyRepeatPaceIsTheServers)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xset"), { "r", "rate", "300", "40" }), 0);
    EXPECT_EQ(platform::XkbKeyRepeat().pace(), (platform::KeyRepeatPace { 0.3, 0.025 }));
    ASSERT_EQ(QProcess::execute(QStringLiteral("xset"), { "r", "rate", "660", "25" }), 0);
    EXPECT_EQ(platform::XkbKeyRepeat().pace(), (platform::KeyRepeatPace { 0.66, 0.04 }));
}

// Also run under openbox by tests/settings/windows_x11.sh.
TEST(RecorderX11Test, TheWindowComingBackAfterAnAlertStartsNoRecordingAndKeepsTheGrab)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "this test needs an X display";
    const RealLayers layers;
    {
        const Name name(QStringLiteral("toggleQuickPanel"), Shortcut(46, control | option));
        int fired = 0;
        ShortcutKit::onKeyUp(name, [&] { ++fired; });

        QWidget window;
        auto* layoutBox = new QVBoxLayout(&window);
        layoutBox->addWidget(new QLineEdit(&window));
        auto* recorder = new ShortcutKit::RecorderCocoa(name, {}, &window);
        recorder->setValidateShortcut(
            [](const Shortcut&) { return ShortcutKit::ValidationResult::disallow(QStringLiteral("Not this one")); });
        layoutBox->addWidget(recorder);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::patienceMs));

        const QPoint center = recorder->mapTo(&window, recorder->rect().center());
        ASSERT_TRUE(xdotool({ "mousemove", "--window", QString::number(window.winId()), QString::number(center.x()),
            QString::number(center.y()), "click", "1" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));
        ASSERT_TRUE(xdotool({ "key", "ctrl+shift+k" }));
        QWidget* alert = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (alert = QApplication::activeWindow()) && alert != &window && alert->isVisible(); },
            testsupport::patienceMs));
        ASSERT_TRUE(xdotool({ "key", "Return" }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs))
            << "the alert's end records again";

        QWidget other;
        other.resize(200, 100);
        for (int round = 0; round < 2; ++round) {
            other.show();
            other.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&other, testsupport::patienceMs));
            EXPECT_FALSE(recorder->isRecording());
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::patienceMs));
            QTest::qWait(300);
            EXPECT_FALSE(recorder->isRecording()) << "round " << round;
            EXPECT_FALSE(ShortcutKit::isRecorderActive());
        }
        ASSERT_TRUE(xdotool({ "key", "ctrl+alt+m" }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, testsupport::patienceMs))
            << "the process's grab is in place";
    }
}

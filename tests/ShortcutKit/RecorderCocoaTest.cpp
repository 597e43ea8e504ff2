#include "ShortcutKit/RecorderCocoa.h"
#include "RecorderTestSupport.h"
#include "ShortcutKit/ActionShortcut.h"
#include "tests/support/Patience.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

using namespace RecorderTestSupport;
using ShortcutKit::ConflictBehavior;
using ShortcutKit::ConflictPolicy;
using ShortcutKit::Name;
using ShortcutKit::RecorderCocoa;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200;
const Shortcut ctrlShiftKShortcut(40, control | shift);
const Shortcut ctrlAltMShortcut(46, control | option);
const QString ctrlShiftKJson = QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":4608})");
} // namespace

// A window holding a field, the recorder and another field, shown and active.
class RecorderCocoaTest : public ShortcutKitTest
{
protected:
    void SetUp() override
    {
        ShortcutKitTest::SetUp();
        QObject::connect(&ShortcutKit::notifier(), &ShortcutKit::Notifier::recorderActiveStatusDidChange,
            [this](bool active) { activity.append(active); });
    }

    void TearDown() override
    {
        window.reset();
        ShortcutKitTest::TearDown();
    }

    RecorderCocoa& show(std::unique_ptr<RecorderCocoa> made)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        before = new QLineEdit(window.get());
        layout->addWidget(before);
        recorder = made.release();
        layout->addWidget(recorder);
        after = new QLineEdit(window.get());
        layout->addWidget(after);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), testsupport::patienceMs));
        return *recorder;
    }

    RecorderCocoa& showForName(const Name& name)
    {
        return show(std::make_unique<RecorderCocoa>(
            name, [this](const std::optional<Shortcut>& shortcut) { changes.append(shortcut); }));
    }

    void startRecording()
    {
        QTest::mouseClick(recorder, Qt::LeftButton);
        ASSERT_TRUE(recorder->isRecording());
        activity.clear();
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* before = nullptr;
    RecorderCocoa* recorder = nullptr;
    QLineEdit* after = nullptr;
    QList<std::optional<Shortcut>> changes;
    QList<bool> activity;
};

TEST_F(RecorderCocoaTest, NameModeStoresTheTypedShortcutShowsItAsTheDesktopWritesItAndEndsRecording)
{
    const Name name(QStringLiteral("record"));
    showForName(name);
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Record Shortcut"));
    EXPECT_FALSE(recorder->isRecording()) << "the window's first focus starts no recording";

    startRecording();
    EXPECT_TRUE(ShortcutKit::isRecorderActive());
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Press Shortcut"));
    typeKey(ctrlShiftK);

    EXPECT_EQ(stored("record"), ctrlShiftKJson);
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Shift+K"));
    EXPECT_EQ(changes, QList<std::optional<Shortcut>> { ctrlShiftKShortcut });
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(recorder->hasFocus());
    EXPECT_FALSE(ShortcutKit::isRecorderActive());
    EXPECT_EQ(activity, QList<bool> { false });
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Record Shortcut"));
    EXPECT_EQ(sound.count("beep"), 0);
}

TEST_F(RecorderCocoaTest, BindingModeKeepsTheShortcutItselfAndReportsEveryChangeIncludingNone)
{
    show(std::make_unique<RecorderCocoa>(std::optional<Shortcut>(ctrlAltMShortcut),
        [this](const std::optional<Shortcut>& shortcut) { changes.append(shortcut); }));
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+M"));

    startRecording();
    typeKey(ctrlShiftK);
    EXPECT_EQ(recorder->shortcut(), ctrlShiftKShortcut);
    startRecording();
    typeKey(backspace);
    EXPECT_EQ(recorder->shortcut(), std::nullopt);
    EXPECT_EQ(recorder->text(), QString());
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>> { ctrlShiftKShortcut, std::nullopt }));
    EXPECT_TRUE(defaults.keys().isEmpty()) << "a binding never touches the user defaults";

    // Setting it from outside shows it without reporting it back.
    recorder->setShortcut(ctrlAltMShortcut);
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+M"));
    EXPECT_EQ(changes.size(), 2);
}

TEST_F(RecorderCocoaTest, TheCurrentShortcutTypedWhileRecordingFiresNothingAndIsRecordedAgain)
{
    const Name name(QStringLiteral("panel"), ctrlAltMShortcut);
    int fired = 0;
    ShortcutKit::onKeyUp(name, [&] { ++fired; });
    ASSERT_TRUE(isGrabbed(ctrlAltMShortcut));
    showForName(name);
    auto* ownItem = new QAction(QStringLiteral("Quick Panel"), window.get());
    window->addAction(ownItem);
    ShortcutKit::setShortcutFor(*ownItem, name);
    ASSERT_EQ(ownItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));

    startRecording();
    EXPECT_FALSE(isGrabbed(ctrlAltMShortcut)) << "the recorder must receive the combination itself";
    typeKey(ctrlAltM);
    EXPECT_EQ(alertOf(*recorder), nullptr) << "the name's own menu item is no conflict";
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(posted, QStringList { name.rawValue() }) << "storing again re-registers and notifies";
    EXPECT_TRUE(isGrabbed(ctrlAltMShortcut)) << "the grab comes back when recording ends";

    hotKeys.press(46, control | option);
    hotKeys.release(46, control | option);
    EXPECT_EQ(fired, 1);
}

TEST_F(RecorderCocoaTest, EscapeKeepsTheShortcutTabMovesOnAndDeleteKeysClear)
{
    const Name withInitial(QStringLiteral("withInitial"), ctrlAltMShortcut);
    showForName(withInitial);

    startRecording();
    typeKey(escape);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(withInitial.shortcut(), ctrlAltMShortcut);

    startRecording();
    typeKey(tab);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(after->hasFocus());
    EXPECT_EQ(withInitial.shortcut(), ctrlAltMShortcut);

    startRecording();
    typeKey(forwardDelete);
    EXPECT_EQ(stored("withInitial"), QStringLiteral("false")) << "a name with an initial shortcut stays cleared";
    EXPECT_TRUE(recorder->isRecording()) << "clearing keeps recording";
    EXPECT_EQ(changes, QList<std::optional<Shortcut>> { std::nullopt });

    const Name plain(QStringLiteral("plain"));
    plain.setShortcut(ctrlShiftKShortcut);
    recorder->setShortcutName(plain);
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Shift+K"));
    typeKey(backspace);
    EXPECT_EQ(stored("plain"), std::nullopt) << "a name without one loses its value";
}

TEST_F(RecorderCocoaTest, KeysWithoutControlAltOrSuperBeepExceptFunctionKeysAndAltAloneIsAccepted)
{
    const Name name(QStringLiteral("keys"));
    showForName(name);
    startRecording();
    typeKey(bareM);
    typeKey(shiftM);
    EXPECT_EQ(sound.count("beep"), 2);
    EXPECT_EQ(name.shortcut(), std::nullopt);
    EXPECT_TRUE(recorder->isRecording());

    typeKey(f5);
    EXPECT_EQ(name.shortcut(), Shortcut(96, 0));
    EXPECT_EQ(recorder->text(), QStringLiteral("F5"));

    // Even a policy that blocks disallowed shortcuts lets Alt-M through: nothing on Linux refuses it.
    recorder->setConflictPolicy({ ConflictBehavior::block, ConflictBehavior::block, ConflictBehavior::block });
    startRecording();
    typeKey(altM);
    EXPECT_EQ(alertOf(*recorder), nullptr);
    EXPECT_EQ(name.shortcut(), Shortcut(46, option));
}

TEST_F(RecorderCocoaTest, MenuConflictsAreBlockedAfterAnAlertOrAllowedByPolicy)
{
    const Name name(QStringLiteral("menu"));
    showForName(name);
    auto* menu = new QMenu(window.get());
    QAction* other = menu->addAction(QStringLiteral("&Keep && Share"));
    other->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+K")));
    int triggered = 0;
    QObject::connect(other, &QAction::triggered, [&] { ++triggered; });
    window->addAction(menu->menuAction());

    startRecording();
    typeKey(ctrlShiftK);
    QMessageBox* alert = alertOf(*recorder);
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->text().contains(QStringLiteral("“Keep & Share”"))) << alert->text().toStdString();
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_EQ(name.shortcut(), std::nullopt);
    EXPECT_EQ(triggered, 0) << "the menu's shortcut does not fire while recording";
    answer(*alert, QStringLiteral("OK"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs))
        << "recording starts again";
    EXPECT_EQ(name.shortcut(), std::nullopt);

    // Another action showing the name's shortcut is a conflict even when re-recording the same shortcut.
    name.setShortcut(ctrlShiftKShortcut);
    recorder->clearFocus();
    startRecording();
    typeKey(ctrlShiftK);
    ASSERT_NE(alertOf(*recorder), nullptr);
    answer(*alertOf(*recorder), QStringLiteral("OK"));

    name.setShortcut(std::nullopt);
    recorder->setConflictPolicy(ConflictPolicy::allowAll);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));
    recorder->clearFocus();
    startRecording();
    typeKey(ctrlShiftK);
    EXPECT_EQ(alertOf(*recorder), nullptr);
    EXPECT_EQ(name.shortcut(), ctrlShiftKShortcut);
}

TEST_F(RecorderCocoaTest, ASystemShortcutWarnsAndOnlyUseAnywayStoresIt)
{
    systemShortcuts.setShortcuts({ { 40, control | shift } });
    const Name name(QStringLiteral("system"));
    showForName(name);

    startRecording();
    typeKey(ctrlShiftK);
    QMessageBox* alert = alertOf(*recorder);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(),
        QStringLiteral(
            "Most desktop-wide keyboard shortcuts can be changed in the keyboard settings of your desktop."));
    answer(*alert, QStringLiteral("OK"));
    EXPECT_EQ(name.shortcut(), std::nullopt);
    EXPECT_TRUE(changes.isEmpty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));
    recorder->clearFocus();
    startRecording();
    typeKey(ctrlShiftK);
    ASSERT_NE(alertOf(*recorder), nullptr);
    answer(*alertOf(*recorder), QStringLiteral("Use Anyway"));
    EXPECT_EQ(name.shortcut(), ctrlShiftKShortcut);
    EXPECT_EQ(changes, QList<std::optional<Shortcut>> { ctrlShiftKShortcut });
    EXPECT_FALSE(recorder->isRecording()) << "an accepted shortcut ends the recording the alert restarted";
}

TEST_F(RecorderCocoaTest, TheCallersRuleRefusesWithItsOwnMessage)
{
    const Name name(QStringLiteral("rule"));
    showForName(name);
    recorder->setValidateShortcut([](const Shortcut& shortcut) {
        return shortcut.carbonModifiers() & shift ? ShortcutKit::ValidationResult::disallow(QStringLiteral("No Shift"))
                                                  : ShortcutKit::ValidationResult::allow();
    });
    startRecording();
    typeKey(ctrlShiftK);
    QMessageBox* alert = alertOf(*recorder);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("No Shift"));
    answer(*alert, QStringLiteral("OK"));
    EXPECT_EQ(name.shortcut(), std::nullopt);

    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs));
    recorder->clearFocus();
    startRecording();
    typeKey(ctrlAltM);
    EXPECT_EQ(name.shortcut(), ctrlAltMShortcut);
}

TEST_F(RecorderCocoaTest, LosingFocusOrTheWindowEndsRecordingAndGivesTheGrabsBack)
{
    const Name name(QStringLiteral("panel"), ctrlAltMShortcut);
    ShortcutKit::onKeyUp(name, [] {});
    showForName(name);

    startRecording();
    EXPECT_FALSE(isGrabbed(ctrlAltMShortcut));
    after->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(isGrabbed(ctrlAltMShortcut));
    EXPECT_EQ(activity, QList<bool> { false });

    recorder->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_EQ(activity, (QList<bool> { false, true }));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, testsupport::patienceMs));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(ShortcutKit::isRecorderActive());
    EXPECT_EQ(activity, (QList<bool> { false, true, false }));
    EXPECT_TRUE(isGrabbed(ctrlAltMShortcut));
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+M")) << "the shortcut stays as it was";

    // Coming back to the window gives the field its focus again, but no recording.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), testsupport::patienceMs));
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(RecorderCocoaTest, AWindowThatGivesTheRecorderItsFirstFocusStartsNoRecording)
{
    RecorderCocoa alone(Name(QStringLiteral("alone")));
    alone.show();
    alone.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&alone, testsupport::patienceMs));
    EXPECT_TRUE(alone.hasFocus());
    EXPECT_FALSE(alone.isRecording());
    EXPECT_TRUE(activity.isEmpty());
    QTest::keyClick(&alone, Qt::Key_Space);
    EXPECT_TRUE(alone.isRecording()) << "Space starts it from the keyboard";
}

TEST_F(RecorderCocoaTest, ClickingOutsideEndsRecordingAndClicksInsideAreSwallowed)
{
    showForName(Name(QStringLiteral("clicks")));
    startRecording();
    QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(recorder->width() / 2, recorder->height() / 2));
    EXPECT_TRUE(recorder->isRecording());
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(2, window->height() - 2));
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(RecorderCocoaTest, ScreenshotsOfTheFourLooks)
{
    // The ink in the field's text area, clear of its frame and its clear button: how many columns carry
    // any, and the darkest grey there.
    struct Ink
    {
        int columns = 0;
        int darkest = 255;
    };
    const auto inkOf = [](const QImage& image) {
        Ink ink;
        const int base = qGray(image.pixel(6, image.height() / 2));
        for (int x = 6; x < image.width() - 24; ++x) {
            bool inked = false;
            for (int y = 4; y < image.height() - 4; ++y) {
                const int grey = qGray(image.pixel(x, y));
                inked = inked || grey < base - 40;
                ink.darkest = std::min(ink.darkest, grey);
            }
            ink.columns += inked ? 1 : 0;
        }
        return ink;
    };
    const auto look = [this](const char* name) {
        const QImage image = recorder->grab().toImage();
        testsupport::saveScreenshot(*recorder, QString::fromLatin1(name));
        return image;
    };

    const Name name(QStringLiteral("looks"));
    showForName(name);
    EXPECT_EQ(recorder->sizeHint().width(), RecorderCocoa::minimumWidth);
    recorder->setFixedSize(recorder->sizeHint());
    ASSERT_EQ(recorder->actions().size(), 1);
    const QAction* clearButton = recorder->actions().first();

    const QImage empty = look("recorder-empty");
    EXPECT_EQ(recorder->placeholderText(), "Record Shortcut");
    EXPECT_FALSE(clearButton->isVisible());
    const Ink placeholder = inkOf(empty);
    EXPECT_GT(placeholder.columns, 50) << "the placeholder is shown";

    startRecording();
    const QImage recording = look("recorder-recording");
    EXPECT_EQ(recorder->placeholderText(), "Press Shortcut");
    EXPECT_FALSE(clearButton->isVisible());
    // A focused field hides its placeholder unless the recorder paints it.
    const Ink pressShortcut = inkOf(recording);
    EXPECT_GT(pressShortcut.columns, 50) << "the placeholder is shown while recording";
    EXPECT_NE(recording, empty);

    typeKey(ctrlAltM);
    const QImage shortcut = look("recorder-shortcut");
    EXPECT_EQ(recorder->text(), "Ctrl+Alt+M");
    EXPECT_TRUE(clearButton->isVisible());
    const Ink text = inkOf(shortcut);
    EXPECT_GT(text.columns, 40);
    EXPECT_LT(text.darkest + 40, std::min(placeholder.darkest, pressShortcut.darkest))
        << "the shortcut is written darker than a placeholder";

    recorder->setEnabled(false);
    const QImage disabled = look("recorder-disabled");
    EXPECT_GT(inkOf(disabled).darkest, text.darkest + 40) << "a disabled field greys its text";
}

TEST_F(RecorderCocoaTest, AfterAnAlertOrAClearTheWindowComingBackToTheFrontStartsNoRecording)
{
    const Name name(QStringLiteral("panel"), ctrlAltMShortcut);
    ShortcutKit::onKeyUp(name, [] {});
    showForName(name);
    recorder->setValidateShortcut(
        [](const Shortcut&) { return ShortcutKit::ValidationResult::disallow(QStringLiteral("Not this one")); });
    QWidget other;
    const auto leaveAndComeBack = [&] {
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other, testsupport::patienceMs));
        EXPECT_FALSE(recorder->isRecording());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), testsupport::patienceMs));
        QTest::qWait(50);
    };

    startRecording();
    typeKey(ctrlShiftK);
    ASSERT_NE(alertOf(*recorder), nullptr);
    answer(*alertOf(*recorder), QStringLiteral("OK"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, testsupport::patienceMs))
        << "the alert's end records again";
    leaveAndComeBack();
    EXPECT_FALSE(recorder->isRecording()) << "after an alert";
    EXPECT_FALSE(ShortcutKit::isRecorderActive());
    EXPECT_TRUE(isGrabbed(ctrlAltMShortcut)) << "the process keeps its grabs";

    startRecording();
    typeKey(backspace);
    ASSERT_TRUE(recorder->isRecording()) << "clearing keeps recording";
    leaveAndComeBack();
    EXPECT_FALSE(recorder->isRecording()) << "after a clear";
    EXPECT_FALSE(ShortcutKit::isRecorderActive());
    leaveAndComeBack();
    EXPECT_FALSE(recorder->isRecording()) << "the second time";
}

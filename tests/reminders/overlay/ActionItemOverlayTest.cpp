#include "OverlayTestSupport.h"

#include "platform/hotkeys/TestHotKeys.h"
#include "platform/time/TestClock.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/reminders/ActionItemOverlayController.h"
#include "tolvar/reminders/ActionItemOverlayView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace tolvar;

class ActionItemOverlayTest : public ::testing::Test
{
protected:
    void show(const QString& title)
    {
        controller.show(title, {}, false, [this, title] { dismissed.append(title); });
        QCoreApplication::processEvents();
    }

    ActionItemOverlayView* view() const { return controller.window()->findChild<ActionItemOverlayView*>(); }

    platform::TestClock clock;
    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry { &hotKeys };
    ActionItemOverlayController controller { clock, registry };
    QStringList dismissed;
};

TEST_F(ActionItemOverlayTest, EscapeClosesAndCallsBackButHideAndReplacingDoNot)
{
    show("Standup");
    EXPECT_TRUE(controller.isOverlayVisible());
    EXPECT_EQ(hotKeys.grabbedCount(), 1) << "Escape only; the arrows stay with the editor";
    show("Review");
    EXPECT_TRUE(dismissed.isEmpty());
    hotKeys.press(53, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(dismissed, QStringList { "Review" });
    EXPECT_FALSE(controller.isOverlayVisible());
    EXPECT_EQ(hotKeys.grabbedCount(), 0);

    show("Retro");
    controller.hide();
    EXPECT_FALSE(controller.isOverlayVisible());
    EXPECT_EQ(dismissed, QStringList { "Review" });
}

TEST_F(ActionItemOverlayTest, ControlReturnIsDoneAndReturnTypesANewLine)
{
    show("Standup");
    QKeyEvent newLine(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(view()->editor(), &newLine);
    EXPECT_EQ(view()->notes(), "\n");
    EXPECT_TRUE(dismissed.isEmpty());
    QKeyEvent done(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier, "\r");
    QCoreApplication::sendEvent(view()->editor(), &done);
    EXPECT_EQ(dismissed, QStringList { "Standup" });
}

TEST_F(ActionItemOverlayTest, CopyTrimsTheNotesAndShowsCopiedForAWhile)
{
    show("Standup");
    ActionItemOverlayView* prompt = view();
    QGuiApplication::clipboard()->setText("before");
    prompt->setNotes(" \n  \t");
    EXPECT_FALSE(prompt->canCopy());
    prompt->copyNotes();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    prompt->setNotes("  - send the deck\n");
    prompt->copyNotes();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "- send the deck");
    EXPECT_TRUE(prompt->didCopy());
    clock.advance(1);
    QGuiApplication::clipboard()->setText("other");
    prompt->copyNotes();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "- send the deck");
    clock.advance(0.6);
    EXPECT_FALSE(prompt->didCopy()) << "the first reset still comes 1.6 s after the first press";
    prompt->copyNotes();
    clock.advance(1.6);
    EXPECT_FALSE(prompt->didCopy());
}

TEST_F(ActionItemOverlayTest, ScreenshotOfThePrompt)
{
    ActionItemOverlayView prompt(
        "Quarterly planning with the design team", [] {}, clock);
    prompt.setReduceMotion(false);
    prompt.resize(1440, 900);
    prompt.show();
    prompt.setNotes("- Send the revised roadmap to Dana\n- Book a follow-up on pricing");
    waitForAnimations(prompt);
    testsupport::saveScreenshot(prompt, "action-item-prompt");
    EXPECT_TRUE(prompt.appeared());
}

TEST_F(ActionItemOverlayTest, TheEditorGrowsWithTheWindowFrom180To280)
{
    ActionItemOverlayView prompt(
        "Standup", [] {}, clock);
    prompt.setReduceMotion(false);
    prompt.resize(1440, 900);
    prompt.show();
    waitForAnimations(prompt);
    ASSERT_TRUE(prompt.appeared());
    EXPECT_EQ(prompt.editor()->height(), 280);

    prompt.resize(1024, 500);
    const int medium = prompt.editor()->height();
    EXPECT_GT(medium, 180);
    EXPECT_LT(medium, 280);
    prompt.resize(1024, 520);
    EXPECT_EQ(prompt.editor()->height(), medium + 20) << "every point the window gains goes to the editor";

    prompt.resize(800, 400);
    EXPECT_EQ(prompt.editor()->height(), 180) << "never below 180, even when the card overflows";
}

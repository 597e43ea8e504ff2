#include "OverlayTestSupport.h"

#include "platform/time/TestClock.h"
#include "tests/support/Patience.h"
#include "tolvar/reminders/ActionItemOverlayView.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderOverlayView.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace tolvar;

namespace {

QStringList childNames(QAccessibleInterface* parent)
{
    QStringList names;
    for (int index = 0; index < parent->childCount(); ++index)
        names.append(parent->child(index)->text(QAccessible::Name));
    return names;
}

QAccessibleInterface* childNamed(QAccessibleInterface* parent, const QString& name)
{
    for (int index = 0; index < parent->childCount(); ++index) {
        if (parent->child(index)->text(QAccessible::Name) == name)
            return parent->child(index);
    }
    ADD_FAILURE() << "no child named " << name.toStdString();
    return nullptr;
}

QStringList selectedNames(QAccessibleInterface* parent)
{
    QStringList names;
    for (int index = 0; index < parent->childCount(); ++index) {
        if (parent->child(index)->state().selected)
            names.append(parent->child(index)->text(QAccessible::Name));
    }
    return names;
}

void press(QAccessibleInterface* element)
{
    element->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

} // namespace

class OverlayAccessibilityTest : public ReminderOverlayViewFixture
{
protected:
    std::unique_ptr<ReminderOverlayView> makeView(const QList<MeetingSnapshot>& meetings)
    {
        auto view = ReminderOverlayViewFixture::makeView(meetings, true);
        view->show();
        return view;
    }
};

TEST_F(OverlayAccessibilityTest, OneMeetingReadsItsTextsAndButtonsButNotTheDecoration)
{
    auto view = makeView({ overlayMeeting("m1", "Weekly sync", clock.now(), 125, "https://zoom.us/j/81") });
    QAccessibleInterface* overlay = QAccessible::queryAccessibleInterface(view.get());
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(childNames(overlay),
        (QStringList { "Tolvar", "Meeting in 125s", "Meeting starts in 125 seconds", "Weekly sync", view->summaryLine(),
            "Snooze 1m", "Snooze 3m", "Snooze 5m", "Dismiss", "Join now" }));
    EXPECT_EQ(overlay->child(1)->role(), QAccessible::StaticText);
    QAccessibleInterface* snooze = childNamed(overlay, "Snooze 3m");
    EXPECT_EQ(snooze->role(), QAccessible::Button);
    EXPECT_EQ(overlay->indexOfChild(snooze), 6);
    EXPECT_EQ(snooze->parent(), overlay);

    const ReminderOverlayView::Button button = view->buttons().at(1);
    const QPoint centre = view->mapToGlobal(view->buttonRect(button).center().toPoint());
    EXPECT_TRUE(snooze->rect().contains(centre));
    EXPECT_EQ(overlay->childAt(centre.x(), centre.y()), snooze);

    clock.advance(5);
    EXPECT_EQ(overlay->child(2)->text(QAccessible::Name), "Meeting starts in 120 seconds");
    EXPECT_EQ(overlay->child(1)->text(QAccessible::Name), "Meeting in 120s");
}

TEST_F(OverlayAccessibilityTest, SeveralMeetingsNameTheRowButtonsAfterTheirMeetings)
{
    MeetingSnapshot standup = overlayMeeting("m1", "Standup", clock.now(), 60, "https://meet.google.com/x");
    MeetingSnapshot planning = overlayMeeting("m2", "Planning", clock.now(), 90, {}, "Room 4");
    MeetingSnapshot lunch = overlayMeeting("m3", "Lunch", clock.now(), 120);
    auto view = makeView({ standup, planning, lunch });
    QAccessibleInterface* overlay = QAccessible::queryAccessibleInterface(view.get());
    EXPECT_EQ(childNames(overlay),
        (QStringList { "Tolvar", "3 meetings starting", "Meeting starts in 60 seconds", "3 overlapping meetings",
            "Standup", view->rowDetailLine(standup), "Join Standup", "Planning", view->rowDetailLine(planning),
            "Copy location for Planning", "Lunch", view->rowDetailLine(lunch), "Snooze 1m", "Snooze 3m", "Snooze 5m",
            "Dismiss All" }));
    EXPECT_EQ(selectedNames(overlay), QStringList { "Join Standup" });
    press(childNamed(overlay, "Join Standup"));
    EXPECT_EQ(log, QStringList { "join m1" });
}

TEST_F(OverlayAccessibilityTest, SelectionFollowsTheFocusAndAChoiceDisablesEveryButton)
{
    auto view = makeView({ overlayMeeting("m1", "Weekly sync", clock.now(), 125, "https://zoom.us/j/81") });
    QAccessibleInterface* overlay = QAccessible::queryAccessibleInterface(view.get());
    EXPECT_EQ(selectedNames(overlay), QStringList { "Join now" });
    focus.setFocusIndex(1);
    EXPECT_EQ(selectedNames(overlay), QStringList { "Snooze 3m" });

    QAccessibleInterface* snooze = childNamed(overlay, "Snooze 5m");
    EXPECT_FALSE(snooze->state().disabled);
    press(snooze);
    press(snooze);
    press(childNamed(overlay, "Dismiss"));
    EXPECT_EQ(log, QStringList { "snooze 300" });
    for (int index = 0; index < overlay->childCount(); ++index) {
        QAccessibleInterface* element = overlay->child(index);
        EXPECT_EQ(element->state().disabled, element->role() == QAccessible::Button)
            << element->text(QAccessible::Name).toStdString();
    }
    EXPECT_TRUE(snooze->actionInterface()->actionNames().isEmpty());
}

TEST_F(OverlayAccessibilityTest, ActionItemButtonsAndTheDoneToolTipNameControlReturn)
{
    int dismissals = 0;
    ActionItemOverlayView view(
        "Standup", [&dismissals] { ++dismissals; }, clock);
    view.setReduceMotion(true);
    view.resize(1200, 800);
    view.show();
    QAccessibleInterface* prompt = QAccessible::queryAccessibleInterface(&view);
    EXPECT_EQ(childNames(prompt).mid(0, 6),
        (QStringList { "Action items", "Meeting ended", "Standup",
            "Capture follow-ups while they’re fresh. Copy when you’re done.", "Copy", "Done" }));
    EXPECT_EQ(prompt->child(6)->role(), QAccessible::EditableText);

    QAccessibleInterface* copy = childNamed(prompt, "Copy");
    EXPECT_TRUE(copy->state().disabled);
    view.setNotes(" follow up ");
    EXPECT_FALSE(copy->state().disabled);
    press(copy);
    EXPECT_EQ(childNames(prompt).at(4), "Copied");

    QAccessibleInterface* done = childNamed(prompt, "Done");
    EXPECT_EQ(done->text(QAccessible::Description), "Done (Ctrl+↩)");
    const QPoint onDone = view.doneButtonRect().center().toPoint();
    QHelpEvent help(QEvent::ToolTip, onDone, view.mapToGlobal(onDone));
    QCoreApplication::sendEvent(&view, &help);
    EXPECT_EQ(QToolTip::text(), "Done (Ctrl+↩)");
    QHelpEvent elsewhere(QEvent::ToolTip, QPoint(5, 5), view.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&view, &elsewhere);
    // Qt lets a tool tip fade out, however slowly the machine runs.
    QElapsedTimer fading;
    fading.start();
    while (QToolTip::isVisible() && fading.elapsed() < testsupport::patienceMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(QToolTip::isVisible());

    press(done);
    EXPECT_EQ(dismissals, 1);
}

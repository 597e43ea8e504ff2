#include "tolvar/availability/AvailabilityShareView.h"
#include "AvailabilityTestSupport.h"
#include "platform/time/TestClock.h"
#include "tests/support/Screenshot.h"
#include "tolvar/availability/AvailabilityDayList.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvar;
using platform::Date;
using Kind = AvailabilitySlot::Kind;

namespace {

// Berlin, Thursday 26 March 2026, 10:40: the week crosses the spring change.
constexpr const char* home = "Europe/Berlin";

Date berlin(int month, int day, int hour, int minute = 0)
{
    return wallTime(home, 2026, month, day, hour, minute);
}

// Once the posted layout work has run.
void saveScreenshot(QWidget& widget, const QString& name)
{
    QCoreApplication::processEvents();
    testsupport::saveScreenshot(widget, name);
}

} // namespace

class AvailabilityShareViewTest : public ::testing::Test
{
protected:
    std::unique_ptr<AvailabilityShareView> makeView(QList<MeetingSnapshot> meetings = {}, const char* locale = "en_GB")
    {
        auto view = std::make_unique<AvailabilityShareView>(
            std::move(meetings), [this] { ++dismissals; }, clock, nullptr, QTimeZone(home), QLocale(locale));
        view->show();
        return view;
    }

    AvailabilitySlot slotAt(const AvailabilityShareView& view, Date start) const
    {
        for (const AvailabilitySlot& slot : view.allSlots()) {
            if (slot.start == start)
                return slot;
        }
        ADD_FAILURE() << "no slot at " << start.secondsSince1970();
        return {};
    }

    void click(AvailabilityShareView& view, const QRectF& rect)
    {
        QTest::mouseClick(&view, Qt::LeftButton, {}, rect.center().toPoint());
    }

    void clickChip(AvailabilityShareView& view, Date start)
    {
        const QRectF chip = view.dayList()->chipRect(slotAt(view, start).id());
        ASSERT_FALSE(chip.isNull());
        QTest::mouseClick(view.dayList(), Qt::LeftButton, {}, chip.center().toPoint());
    }

    platform::TestClock clock { berlin(3, 26, 10, 40) };
    int dismissals = 0;
};

TEST_F(AvailabilityShareViewTest, OpensOnAWeekOfWorkingHoursWithNothingPicked)
{
    const auto view = makeView();
    const QList<AvailabilitySlot> slotList = view->allSlots();
    EXPECT_EQ(slotList.size(), 112);
    EXPECT_EQ(view->slotDuration(), AvailabilitySlotDuration::thirtyMinutes);
    EXPECT_EQ(view->workStartHour(), 9);
    EXPECT_EQ(view->workEndHour(), 17);
    EXPECT_TRUE(view->displayZone().isSystem());
    EXPECT_TRUE(view->selectedIDs().isEmpty());
    EXPECT_EQ(view->message(), QString());
    EXPECT_TRUE(view->messageBox()->toPlainText().isEmpty());
    EXPECT_EQ(view->messageBox()->placeholderText(), "Select free slots to build a message.");
    EXPECT_FALSE(view->myTimeZoneButton()->isVisible());
    // Five chips a row in the 488-wide column.
    EXPECT_EQ(view->dayList()->columnCount(), 5);
    EXPECT_EQ(view->fromPicker()->count(), 17);
    EXPECT_EQ(view->fromPicker()->currentText(), "09:00");
    EXPECT_EQ(view->toPicker()->itemText(0), "10:00");
    EXPECT_EQ(view->toPicker()->currentText(), "17:00");
    EXPECT_EQ(view->zonePicker()->count(), 17);
    EXPECT_EQ(view->zonePicker()->itemText(0), "My timezone (CET)");

    EXPECT_EQ(view->dayTitle(berlin(3, 26, 0)), "Today");
    EXPECT_EQ(view->dayTitle(berlin(3, 27, 0)), "Tomorrow");
    EXPECT_EQ(view->dayTitle(berlin(3, 28, 0)), "Saturday, 28 Mar");
    EXPECT_EQ(AvailabilityShareView::helpText({ {}, {}, Kind::free }), "Free — click to include");
    EXPECT_EQ(AvailabilityShareView::helpText({ {}, {}, Kind::busy }), "Busy — not available");
    EXPECT_EQ(AvailabilityShareView::helpText({ {}, {}, Kind::past }), "Past — not available");
    const AvailabilitySlot first = slotList.first();
    EXPECT_EQ(view->chipLabel(first), "09:00–09:30");
    EXPECT_EQ(view->dayList()->accessibleLabel(first), "09:00–09:30, Past — not available");
}

TEST_F(AvailabilityShareViewTest, PicksOnlyFreeSlotsAndWritesThemUp)
{
    const auto view = makeView({ busyMeeting(berlin(3, 27, 10), berlin(3, 27, 10, 30)) });
    clickChip(*view, berlin(3, 26, 9)); // past
    clickChip(*view, berlin(3, 27, 10)); // busy
    EXPECT_TRUE(view->selectedIDs().isEmpty());

    clickChip(*view, berlin(3, 27, 9, 30));
    clickChip(*view, berlin(3, 27, 10, 30));
    clickChip(*view, berlin(3, 27, 11));
    clickChip(*view, berlin(3, 30, 15));
    EXPECT_EQ(view->selectedIDs().size(), 4);
    EXPECT_EQ(view->selectedSlots().size(), 4);
    const QString expected = "I'm available at these times (CET, GMT+1):\n\n"
                             "Fri, 27 Mar\n  - 09:30–10:00\n  - 10:30–11:30\n\n"
                             "Mon, 30 Mar\n  - 15:00–15:30\n\n"
                             "Reply with a time that works for you.";
    EXPECT_EQ(view->message(), expected);
    EXPECT_EQ(view->messageBox()->toPlainText(), expected);
    saveScreenshot(*view, "availability-week-picked");

    // A second click takes a slot out again.
    clickChip(*view, berlin(3, 30, 15));
    EXPECT_EQ(view->selectedIDs().size(), 3);
    view->toggle(slotAt(*view, berlin(3, 27, 10)), false);
    EXPECT_EQ(view->selectedIDs().size(), 3);
}

TEST_F(AvailabilityShareViewTest, ChangingLengthOrHoursKeepsOnlySlotsStillOffered)
{
    const auto view = makeView();
    for (const Date start : { berlin(3, 27, 9), berlin(3, 27, 9, 30), berlin(3, 27, 14) })
        clickChip(*view, start);
    view->setWorkStartHour(10);
    EXPECT_EQ(view->selectedIDs(), QSet<QString>({ slotAt(*view, berlin(3, 27, 14)).id() }));
    EXPECT_EQ(view->fromPicker()->currentText(), "10:00");
    EXPECT_EQ(view->toPicker()->itemText(0), "11:00");

    view->setSlotDuration(AvailabilitySlotDuration::oneHour);
    EXPECT_TRUE(view->selectedIDs().isEmpty());
    EXPECT_EQ(view->allSlots().size(), 7 * 7);
    saveScreenshot(*view, "availability-one-hour");

    // A slot picked while free drops out of the message once it is past, and out of the
    // selection at the next pruning.
    clickChip(*view, berlin(3, 26, 11));
    EXPECT_EQ(view->selectedSlots().size(), 1);
    clock.setNow(berlin(3, 26, 11, 5));
    EXPECT_TRUE(view->selectedSlots().isEmpty());
    EXPECT_EQ(view->message(), QString());
    EXPECT_EQ(view->selectedIDs().size(), 1);
    view->setWorkEndHour(16);
    EXPECT_TRUE(view->selectedIDs().isEmpty());
}

TEST_F(AvailabilityShareViewTest, AnotherDisplayZoneRewritesTimesButKeepsThePicks)
{
    const auto view = makeView({ busyMeeting(berlin(3, 27, 13), berlin(3, 27, 14, 30)) });
    clickChip(*view, berlin(3, 27, 9));
    clickChip(*view, berlin(3, 27, 16, 30));
    view->zonePicker()->setCurrentIndex(11); // India
    emit view->zonePicker()->activated(11);
    EXPECT_EQ(view->displayZone(), AvailabilityDisplayTimeZone::identifier("Asia/Kolkata"));
    EXPECT_EQ(view->selectedIDs().size(), 2);
    EXPECT_TRUE(view->myTimeZoneButton()->isVisible());
    EXPECT_EQ(view->chipLabel(slotAt(*view, berlin(3, 27, 9))), "13:30–14:00");
    EXPECT_EQ(view->message(),
        "I'm available at these times (IST, GMT+5:30):\n\n"
        "Fri, 27 Mar\n  - 13:30–14:00\n  - 21:00–21:30\n\n"
        "Reply with a time that works for you.");
    saveScreenshot(*view, "availability-other-zone");

    view->myTimeZoneButton()->click();
    EXPECT_TRUE(view->displayZone().isSystem());
    EXPECT_EQ(view->zonePicker()->currentIndex(), 0);
    EXPECT_FALSE(view->myTimeZoneButton()->isVisible());
    EXPECT_EQ(view->selectedIDs().size(), 2);
}

TEST_F(AvailabilityShareViewTest, CopyPutsTheMessageOnTheClipboardAndSaysSoForAMoment)
{
    const auto view = makeView({ busyMeeting(berlin(3, 26, 12), berlin(3, 26, 13)) });
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    click(*view, view->copyButtonRect());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_FALSE(view->didCopy());

    clickChip(*view, berlin(3, 26, 11));
    clickChip(*view, berlin(3, 26, 13));
    clickChip(*view, berlin(3, 26, 13, 30));
    click(*view, view->copyButtonRect());
    EXPECT_EQ(QGuiApplication::clipboard()->text(QClipboard::Clipboard),
        "I'm available at these times (CET, GMT+1):\n\n"
        "Thu, 26 Mar\n  - 11:00–11:30\n  - 13:00–14:00\n\n"
        "Reply with a time that works for you.");
    EXPECT_TRUE(view->didCopy());
    saveScreenshot(*view, "availability-copied");

    // A second copy a second later does not put off the first one's reset.
    clock.advance(1.0);
    view->copyMessage();
    clock.advance(0.59);
    EXPECT_TRUE(view->didCopy());
    clock.advance(0.02);
    EXPECT_FALSE(view->didCopy());
}

TEST_F(AvailabilityShareViewTest, CloseAndDoneDismiss)
{
    const auto view = makeView();
    click(*view, view->closeButtonRect());
    click(*view, view->doneButtonRect());
    EXPECT_EQ(dismissals, 2);
}

TEST_F(AvailabilityShareViewTest, ShowsTheEmptyStateWhenNoHourIsLeft)
{
    const auto view = makeView();
    view->setWorkStartHour(18);
    EXPECT_TRUE(view->allSlots().isEmpty());
    EXPECT_TRUE(view->dayList()->parentWidget()->parentWidget()->isHidden());
    saveScreenshot(*view, "availability-empty");
}

TEST_F(AvailabilityShareViewTest, AWeekOfMixedSlotsInTwelveHourTime)
{
    clock.setNow(berlin(3, 26, 13, 10));
    const auto view = makeView(
        {
            busyMeeting(berlin(3, 26, 14), berlin(3, 26, 15, 30)),
            busyMeeting(berlin(3, 27, 9), berlin(3, 27, 10)),
            busyMeeting(berlin(3, 27, 16, 45), berlin(3, 30, 9, 15)),
        },
        "en_US");
    EXPECT_EQ(view->dayTitle(berlin(3, 30, 0)), "Monday, Mar 30");
    clickChip(*view, berlin(3, 26, 16));
    clickChip(*view, berlin(3, 26, 16, 30));
    saveScreenshot(*view, "availability-week");
}

TEST_F(AvailabilityShareViewTest, AssistiveTechnologyReadsTheButtonsAndChips)
{
    const auto view = makeView({ busyMeeting(berlin(3, 26, 12), berlin(3, 26, 13)) });
    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(view.get());
    ASSERT_NE(card, nullptr);
    QStringList names;
    for (int i = 0; i < 5; ++i)
        names.append(card->child(i)->text(QAccessible::Name));
    EXPECT_EQ(names, QStringList({ "Share free time", "Close", "Message preview", "Copy", "Done" }));
    EXPECT_TRUE(card->child(3)->state().disabled);

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view->dayList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), "Today");
    // Seven titles, then the chips in order: today's 12:00 is the seventh chip.
    QAccessibleInterface* busy = list->child(7 + 6);
    EXPECT_EQ(busy->text(QAccessible::Name), "12:00–12:30, Busy — not available");
    EXPECT_TRUE(busy->state().disabled);
    QAccessibleInterface* free = list->child(7 + 8);
    EXPECT_EQ(free->text(QAccessible::Name), "13:00–13:30, Free — click to include");
    free->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(view->selectedSlots().size(), 1);
    EXPECT_FALSE(card->child(3)->state().disabled);
    card->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(view->didCopy());
}

TEST_F(AvailabilityShareViewTest, DraggingTheBackgroundMovesThePanel)
{
    QWidget window;
    auto* view = new AvailabilityShareView(
        {}, [] {}, clock, &window, QTimeZone(home), QLocale("en_GB"));
    window.setGeometry(100, 100, AvailabilityShareView::cardWidth, AvailabilityShareView::cardHeight);
    window.show();
    const QPoint grip(300, 24);
    const QPoint before = window.pos();
    QTest::mousePress(view, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(40, 30)),
        view->mapToGlobal(QPointF(grip + QPoint(40, 30))), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, grip + QPoint(40, 30));
    EXPECT_EQ(window.pos(), before + QPoint(40, 30));
}

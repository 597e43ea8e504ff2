// The Quick Panel over the panel's own content with a day taller than the screen, offscreen on a set
// clock: what a refresh and a scroll under a pointer at rest do to the list.
#include "PanelTestSupport.h"
#include "platform/calendarapp/TestCalendarApp.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tests/support/Patience.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/PanelWindowBridges.h"
#include "tolvar/menubar/QuickPanelController.h"
#include "tolvar/menubar/QuickPanelHostingView.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

using namespace paneltest;
using tolvar::MeetingSnapshot;

namespace {

class QuickPanelScrollingTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        meetings = longDay(20);
        app().setMeetings(meetings);
        QCursor::setPos(available().topLeft() + QPoint(40, 30));
        controller.toggle(app(), [] {});
        settle();
        ASSERT_TRUE(controller.panel());
        // Pinned, so that the detail card taking the offscreen focus does not dismiss it.
        controller.pinModel()->togglePin();
        auto* hosting = controller.panel()->findChild<tolvar::QuickPanelHostingView*>();
        view = static_cast<tolvar::MenuBarContentView*>(hosting->content());
        area = hosting->findChild<QScrollArea*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_GT(area->verticalScrollBar()->maximum(), 0) << "the day must be taller than the screen";
    }

    void TearDown() override
    {
        controller.closePanel();
        settle();
        PanelTest::TearDown();
    }

    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    // Where the selected row stands in the visible part of the list.
    int selectedRowTop() const
    {
        return itemOf(*view, *view->ui().selectedMeetingID())->mapTo(area->viewport(), QPoint(0, 0)).y();
    }
    void wheel(int notches)
    {
        QWidget* viewport = area->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &event);
        settle();
    }
    // The pointer moved to `global` and resting there.
    void pointTo(QPoint global)
    {
        QCursor::setPos(global);
        QWindow* window = controller.panel()->windowHandle();
        QTest::mouseMove(window, window->mapFromGlobal(global));
        settle();
    }
    // The meeting whose row or card is under `global`, as the user sees it.
    std::optional<QString> meetingAt(QPoint global) const
    {
        for (const MeetingSnapshot& meeting : meetings) {
            const QWidget* item = itemOf(*view, meeting.id);
            if (item && item->rect().contains(item->mapFromGlobal(global)))
                return meeting.id;
        }
        return std::nullopt;
    }
    // The pointer resting on the middle of the `index`th meeting's row, which must be in view.
    QPoint restOn(int index)
    {
        QWidget* row = itemOf(*view, meetings[index].id);
        const QPoint global = row->mapToGlobal(row->rect().center());
        pointTo(global);
        return global;
    }
    // The panel and its card side by side as they stand, the pointer a red ring.
    void saveScreenshot(QPoint pointer, const QString& name) const
    {
        QWidget* panel = controller.panel();
        QWidget* card = view->findChild<tolvar::PanelWindowBridges*>()->sidePanel().sidePanel();
        const QRect frame = card ? panel->geometry().united(card->geometry()) : panel->geometry();
        QPixmap image(frame.size());
        image.fill(Qt::darkGray);
        QPainter painter(&image);
        painter.drawPixmap(panel->geometry().topLeft() - frame.topLeft(), panel->grab());
        if (card)
            painter.drawPixmap(card->geometry().topLeft() - frame.topLeft(), card->grab());
        painter.setPen(QPen(Qt::red, 2));
        painter.drawEllipse(pointer - frame.topLeft(), 6, 6);
        painter.end();
        testsupport::saveScreenshot(image, name);
    }
    // The minute's refresh: the same meetings, seen again a minute later.
    void refresh(QList<MeetingSnapshot> published)
    {
        for (MeetingSnapshot& meeting : published)
            meeting.lastSeenAt = clock.now().addingSeconds(60);
        app().setMeetings(published);
        settle();
        settle();
    }

    tolvar::PanelTransientHotkeys registry;
    platform::MemoryWorkspace workspace;
    platform::TestCalendarApp calendarApp;
    tolvar::QuickPanelController controller { registry,
        [this](tolvar::AppModel& model, std::function<void()>, tolvar::QuickPanelPinModel* pin) {
            return tolvar::makePanelContent(model, registry, workspace, calendarApp, pin);
        } };
    QList<MeetingSnapshot> meetings;
    tolvar::MenuBarContentView* view = nullptr;
    QScrollArea* area = nullptr;
};

} // namespace

TEST_F(QuickPanelScrollingTest, ARefreshLeavesTheSelectedRowWhereItStands)
{
    for (int step = 1; step <= 14; ++step)
        view->onDown();
    settle();
    const int revealed = selectedRowTop();
    ASSERT_GE(revealed, 0);
    ASSERT_LT(revealed, area->viewport()->height());
    refresh(meetings);
    EXPECT_EQ(selectedRowTop(), revealed) << "the same meetings seen again";

    // Scrolled by the wheel, away from the keys' row.
    wheel(2);
    const int wheeled = area->verticalScrollBar()->value();
    const int rowAfterWheel = selectedRowTop();
    refresh(meetings);
    EXPECT_EQ(area->verticalScrollBar()->value(), wheeled);
    EXPECT_EQ(selectedRowTop(), rowAfterWheel);

    // A meeting above it was cancelled: the rows below move up the list, the selected one stays put.
    meetings.removeAt(5);
    refresh(meetings);
    EXPECT_EQ(selectedRowTop(), rowAfterWheel);
}

TEST_F(QuickPanelScrollingTest, AfterAScrollTheRowUnderThePointerAtRestIsTheHoveredOne)
{
    const QPoint pointer = restOn(3);
    ASSERT_EQ(view->ui().hoveredMeetingID(), meetings[3].id);

    // Three notches of the wheel down.
    wheel(-3);
    const std::optional<QString> underWheel = meetingAt(pointer);
    ASSERT_TRUE(underWheel);
    ASSERT_NE(*underWheel, meetings[3].id) << "the wheel moved the list";
    EXPECT_EQ(view->ui().hoveredMeetingID(), underWheel);
    ASSERT_TRUE(view->detailMeeting());
    EXPECT_EQ(view->detailMeeting()->id, *underWheel) << "the card shows the row under the pointer";
    saveScreenshot(pointer, QStringLiteral("quick-panel-card-after-wheel"));
    clock.advance(tolvar::MenuBarInteractionModel::hoverClearDelay + 0.1);
    settle();
    EXPECT_EQ(view->ui().hoveredMeetingID(), underWheel) << "the row left behind clears nothing";

    // Down until the list scrolls another row under the pointer: the keys' selection is a third row,
    // the card shows the one under the pointer.
    while (meetingAt(pointer) == underWheel && view->ui().selectedMeetingID() != meetings.last().id) {
        view->onDown();
        settle();
    }
    const std::optional<QString> underKeys = meetingAt(pointer);
    ASSERT_TRUE(underKeys);
    ASSERT_NE(underKeys, underWheel) << "the keys moved the list";
    EXPECT_NE(view->ui().selectedMeetingID(), underKeys);
    EXPECT_EQ(view->ui().hoveredMeetingID(), underKeys);
    EXPECT_EQ(view->detailMeeting()->id, *underKeys);
    saveScreenshot(pointer, QStringLiteral("quick-panel-card-after-keys"));
}

TEST_F(QuickPanelScrollingTest, TheTooltipOfARowTheKeysScrolledAwayGoes)
{
    const QPoint pointer = restOn(3);
    QToolTip::showText(pointer, QStringLiteral("Mute reminder (Ctrl+M)"), itemOf(*view, meetings[3].id));
    ASSERT_TRUE(QToolTip::isVisible());
    while (meetingAt(pointer) == meetings[3].id && view->ui().selectedMeetingID() != meetings.last().id) {
        view->onDown();
        settle();
    }
    ASSERT_NE(meetingAt(pointer), meetings[3].id) << "the keys moved the list";
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, testsupport::patienceMs));
}

TEST_F(QuickPanelScrollingTest, AfterAScrollThatLeavesThePointerOnAGapNoRowIsHovered)
{
    const QPoint pointer = restOn(3);
    ASSERT_EQ(view->ui().hoveredMeetingID(), meetings[3].id);
    // The bar's handle dragged so that the gap below the sixth row comes under the pointer.
    const QWidget* row = itemOf(*view, meetings[5].id);
    const int gapInList = row->mapTo(view, QPoint(0, row->height())).y() + 2;
    const int pointerInViewport = area->viewport()->mapFromGlobal(pointer).y();
    area->verticalScrollBar()->setSliderPosition(gapInList - pointerInViewport);
    settle();
    ASSERT_FALSE(meetingAt(pointer)) << "the pointer rests between two rows";
    clock.advance(tolvar::MenuBarInteractionModel::hoverClearDelay + 0.1);
    settle();
    EXPECT_FALSE(view->ui().hoveredMeetingID());
    EXPECT_FALSE(view->detailMeeting()) << "no keyboard selection to fall back on";

    // Moved on by the wheel onto a row again: that row.
    wheel(-1);
    EXPECT_EQ(view->ui().hoveredMeetingID(), meetingAt(pointer));
}

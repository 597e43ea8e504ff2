// The Quick Panel over the panel's own content with a day taller than the screen, offscreen on a set
// clock: what a refresh does to the scrolled list.
#include "PanelTestSupport.h"
#include "platform/calendarapp/TestCalendarApp.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/QuickPanelController.h"
#include "tolvar/menubar/QuickPanelHostingView.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

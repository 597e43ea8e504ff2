// The tray panel's window over the panel's own content, offscreen on a set clock: a day taller than
// the screen scrolls inside the panel, and the detail card follows the row the keys select.
#include "platform/calendarapp/TestCalendarApp.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tests/menubar/PanelTestSupport.h"
#include "tolvar/app/MenuBarExtraWindow.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/PanelFooter.h"
#include "tolvar/menubar/PanelWindowBridges.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

using namespace paneltest;

namespace {

// The offscreen platform activates every window it shows, the detail card's too, which a window
// manager does not: the panel must not take that for a click elsewhere.
class IgnoreDeactivation : public QObject
{
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowDeactivate; }
};

class TrayPanelTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        app().setMeetings(longDay(20));
        view = tolvar::makePanelContent(app(), registry, workspace, calendarApp, nullptr);
        window = std::make_unique<tolvar::MenuBarExtraWindow>(view);
        window->installEventFilter(&ignoreDeactivation);
    }

    void TearDown() override
    {
        window.reset();
        settle();
        PanelTest::TearDown();
    }

    // Opened as a tray that gives no icon rectangle opens it: at the pointer, here the screen's corner.
    void open()
    {
        QCursor::setPos(available().topLeft());
        window->openBeside(QRect());
        settle();
        settle();
    }

    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    QScrollArea* scrollArea() const { return window->findChild<QScrollArea*>(QString(), Qt::FindDirectChildrenOnly); }
    static QRect onScreen(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }
    QRect selectedRow() const { return onScreen(itemOf(*view, *view->ui().selectedMeetingID())); }
    QWidget* card() const
    {
        QWidget* panel = view->findChild<tolvar::PanelWindowBridges*>()->sidePanel().sidePanel();
        return panel && panel->isVisible() ? panel : nullptr;
    }
    // The wheel turned by `notches` over the list (positive: towards the top).
    void wheel(int notches)
    {
        QWidget* viewport = scrollArea()->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &event);
        settle();
    }

    IgnoreDeactivation ignoreDeactivation;
    tolvar::PanelTransientHotkeys registry;
    platform::MemoryWorkspace workspace;
    platform::TestCalendarApp calendarApp;
    tolvar::MenuBarContentView* view = nullptr;
    std::unique_ptr<tolvar::MenuBarExtraWindow> window;
};

} // namespace

TEST_F(TrayPanelTest, ADayTallerThanTheScreenScrollsInsideThePanelDownToItsFooter)
{
    open();
    EXPECT_EQ(window->geometry(), QRect(available().topLeft(), QSize(360, available().height())))
        << "as high as the screen allows, and no higher";
    ASSERT_TRUE(scrollArea());
    QScrollBar* bar = scrollArea()->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), view->height() - scrollArea()->viewport()->height());
    testsupport::saveScreenshot(*window, "tray-panel-long-day-top");
    bar->setValue(bar->maximum());
    settle();
    EXPECT_TRUE(window->geometry().contains(onScreen(view->footer()))) << "Settings and Quit within reach";
    testsupport::saveScreenshot(*window, "tray-panel-long-day-end");

    // A shorter day fits the panel to it; the long one comes back within the screen.
    view->onRight();
    settle();
    EXPECT_EQ(window->height(), view->height());
    EXPECT_EQ(bar->maximum(), 0);
    view->onLeft();
    settle();
    EXPECT_EQ(window->geometry(), QRect(available().topLeft(), QSize(360, available().height())));
}

TEST_F(TrayPanelTest, TheCardFollowsEveryRowTheKeysSelect)
{
    open();
    for (int step = 1; step <= 20; ++step) {
        view->onDown();
        settle();
        const QRect row = selectedRow();
        EXPECT_TRUE(window->geometry().contains(row)) << "row " << step << " at " << row.y() << " is out of sight";
        const QWidget* shown = card();
        ASSERT_TRUE(shown) << "row " << step;
        EXPECT_LE(shown->geometry().top(), row.center().y()) << "row " << step;
        EXPECT_GE(shown->geometry().bottom(), row.center().y())
            << "the card of row " << step << " is not level with it";
    }
}

TEST_F(TrayPanelTest, ReopenedWithTheKeysSelectionItsRowComesBackIntoSight)
{
    open();
    for (int step = 1; step <= 16; ++step)
        view->onDown();
    settle();
    ASSERT_TRUE(scrollArea());
    wheel(40);
    ASSERT_EQ(scrollArea()->verticalScrollBar()->value(), 0) << "the wheel took the list back to the top";
    ASSERT_FALSE(window->geometry().contains(selectedRow()));
    window->hide();
    settle();

    open();
    const QRect row = selectedRow();
    EXPECT_TRUE(window->geometry().contains(row)) << "the selected row at " << row.y() << " is out of sight";
    const QWidget* shown = card();
    ASSERT_TRUE(shown) << "the card comes back with the panel";
    EXPECT_LE(shown->geometry().top(), row.center().y());
    EXPECT_GE(shown->geometry().bottom(), row.center().y());
}

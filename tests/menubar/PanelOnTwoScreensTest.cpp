// The panel's window shown again on another monitor, and again with a meeting still selected: the
// detail card follows it. Two offscreen screens side by side, as two-screens.json lays them out.
#include "PanelTestSupport.h"
#include "platform/calendarapp/TestCalendarApp.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/PanelWindowBridges.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

using namespace paneltest;

namespace {

class PanelOnTwoScreensTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with two-screens.json";
        left = QGuiApplication::screens().at(0);
        right = QGuiApplication::screens().at(1);
        app().setMeetings({ panelMeeting("Planning", berlin(2026, 3, 5, 11)),
            panelMeeting("Design review", berlin(2026, 3, 5, 12)), panelMeeting("Retro", berlin(2026, 3, 5, 15)) });
        settle();
        view = tolvar::makePanelContent(app(), registry, workspace, calendarApp, nullptr);
        window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }

    void TearDown() override
    {
        delete view;
        settle();
        PanelTest::TearDown();
    }

    // Shows the window at `topLeft`, as the tray panel opens beside its icon.
    void showAt(QPoint topLeft)
    {
        window.move(topLeft);
        window.show();
        settle();
        settle();
    }

    QWidget* card() const
    {
        QWidget* panel = view->findChild<tolvar::PanelWindowBridges*>()->sidePanel().sidePanel();
        return panel && panel->isVisible() ? panel : nullptr;
    }

    QScreen* left = nullptr;
    QScreen* right = nullptr;
    tolvar::PanelTransientHotkeys registry;
    platform::MemoryWorkspace workspace;
    platform::TestCalendarApp calendarApp;
    QWidget window;
    tolvar::MenuBarContentView* view = nullptr;
};

} // namespace

TEST_F(PanelOnTwoScreensTest, TheCardStandsBesideThePanelOnTheMonitorItMovedTo)
{
    showAt(QPoint(1280 - 360 - 4, 30));
    window.hide();
    settle();
    // Shown again near the right monitor's left edge, while the reused window still names the left
    // monitor as its screen.
    showAt(QPoint(1284, 30));
    window.windowHandle()->setScreen(left);
    window.move(1284, 30);
    settle();
    ASSERT_EQ(window.screen(), left);
    ASSERT_TRUE(right->geometry().contains(window.geometry()));
    view->onDown();
    settle();
    settle();
    QWidget* shown = card();
    ASSERT_TRUE(shown);
    EXPECT_EQ(view->ui().detailPopupSide(), tolvar::DetailPopupSide::trailing) << "the room is on the right";
    EXPECT_EQ(shown->x(), window.geometry().right() + 1 + 8);
    EXPECT_TRUE(right->availableGeometry().contains(shown->geometry()));
}

TEST_F(PanelOnTwoScreensTest, ReopeningWithAMeetingSelectedShowsItsCardAgain)
{
    showAt(QPoint(100, 30));
    view->onDown();
    settle();
    settle();
    ASSERT_TRUE(card());
    window.hide();
    settle();
    EXPECT_FALSE(card());

    showAt(QPoint(100, 30));
    ASSERT_TRUE(view->detailMeeting()) << "the selection and its keyboard detail were kept";
    QWidget* shown = card();
    ASSERT_TRUE(shown) << "the card comes back with its panel";
    EXPECT_EQ(shown->x(), window.geometry().right() + 1 + 8);
}

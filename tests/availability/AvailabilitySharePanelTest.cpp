#include "AvailabilityTestSupport.h"
#include "platform/hotkeys/TestHotKeys.h"
#include "platform/time/TestClock.h"
#include "tests/support/Patience.h"
#include "tolvar/availability/AvailabilityPanelPlacement.h"
#include "tolvar/availability/AvailabilitySharePanelController.h"
#include "tolvar/availability/AvailabilityShareView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvar;

namespace {
constexpr qint64 escapeKey = 53;
const QSize panelSize(520, 640);
} // namespace

TEST(AvailabilityPanelPlacementTest, OpensBesideTheAnchorInsideTheVisibleArea)
{
    const QRect screen(0, 25, 1440, 875);
    // Room on the right: 10 to the right, tops aligned.
    EXPECT_EQ(availabilityPanelOrigin(QRect(500, 60, 360, 500), screen, panelSize), QPoint(870, 60));
    // At the right edge: to the left, 10 apart.
    EXPECT_EQ(availabilityPanelOrigin(QRect(1070, 60, 360, 500), screen, panelSize), QPoint(1070 - 10 - 520, 60));
    // Tops aligned, but never closer than 12 to the top of the visible area.
    EXPECT_EQ(availabilityPanelOrigin(QRect(500, 30, 360, 500), screen, panelSize), QPoint(870, 37));
    // Too wide for either side: centred, then kept 8 inside.
    EXPECT_EQ(availabilityPanelOrigin(QRect(100, 100, 1300, 400), screen, panelSize), QPoint(720 - 260, 100));
    // Near the bottom: raised to stay 12 above it.
    EXPECT_EQ(availabilityPanelOrigin(QRect(100, 700, 300, 100), screen, panelSize), QPoint(410, 900 - 12 - 640));
    // A visible area lower than the panel: the top stays 12 below its top, the bottom runs past.
    EXPECT_EQ(availabilityPanelOrigin(QRect(100, 300, 300, 100), QRect(0, 0, 1280, 600), panelSize), QPoint(410, 12));
    // A narrow area: the right edge stays 8 inside, the left runs past.
    EXPECT_EQ(availabilityPanelOrigin(QRect(0, 0, 100, 100), QRect(1280, 0, 400, 768), panelSize),
        QPoint(1280 + 400 - 8 - 520, 12));
    EXPECT_EQ(centredPanelOrigin(QRect(1280, 0, 1024, 768), panelSize), QPoint(1280 + 512 - 260, 384 - 320));
}

class AvailabilitySharePanelControllerTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        controller.close();
        QCoreApplication::processEvents();
    }

    // Lets deleteLater run.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    platform::TestClock clock;
    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry { &hotKeys };
    AvailabilitySharePanelController controller { clock, registry };
};

TEST_F(AvailabilitySharePanelControllerTest, ShowOpensANewPanelBesideTheAnchorAndTakesEscape)
{
    EXPECT_FALSE(controller.isOpen());
    controller.close();

    QWidget anchor;
    anchor.setGeometry(20, 20, 200, 300);
    anchor.show();
    controller.show(&anchor, { busyMeeting(clock.now().addingSeconds(3600), clock.now().addingSeconds(7200)) }, true);
    ASSERT_TRUE(controller.isOpen());
    QWidget* first = controller.panel();
    EXPECT_EQ(first->size(), panelSize);
    EXPECT_EQ(first->windowTitle(), "Share free time");
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect visible = anchor.screen()->availableGeometry();
    EXPECT_EQ(first->pos(), availabilityPanelOrigin(anchor.frameGeometry(), visible, panelSize));
    EXPECT_TRUE(QTest::qWaitForWindowActive(first, testsupport::patienceMs));
    EXPECT_TRUE(hotKeys.isGrabbed(escapeKey, 0));
    EXPECT_EQ(hotKeys.grabbedCount(), 1);

    // Every show starts afresh: a new panel and a new view with nothing picked.
    controller.view()->setSlotDuration(AvailabilitySlotDuration::oneHour);
    const QPointer<QWidget> old = first;
    controller.show(nullptr, {}, false);
    settle();
    EXPECT_TRUE(old.isNull());
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.view()->slotDuration(), AvailabilitySlotDuration::thirtyMinutes);
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(controller.panel()->pos(), centredPanelOrigin(screen->availableGeometry(), panelSize));
    EXPECT_EQ(hotKeys.grabbedCount(), 1);
}

TEST_F(AvailabilitySharePanelControllerTest, EveryWayOutClosesThePanelAndGivesEscapeBack)
{
    const auto expectClosed = [this](const char* how) {
        settle();
        EXPECT_FALSE(controller.isOpen()) << how;
        EXPECT_EQ(controller.panel(), nullptr) << how;
        EXPECT_FALSE(hotKeys.isGrabbed(escapeKey, 0)) << how;
    };

    controller.show(nullptr, {}, false);
    EXPECT_TRUE(hotKeys.press(escapeKey, 0));
    QCoreApplication::processEvents();
    expectClosed("the Escape hot key");

    controller.show(nullptr, {}, false);
    QTest::keyClick(controller.panel(), Qt::Key_Escape);
    expectClosed("Escape in the panel");

    controller.show(nullptr, {}, false);
    AvailabilityShareView* view = controller.view();
    QTest::mouseClick(view, Qt::LeftButton, {}, view->doneButtonRect().center().toPoint());
    expectClosed("Done");

    controller.show(nullptr, {}, false);
    view = controller.view();
    QTest::mouseClick(view, Qt::LeftButton, {}, view->closeButtonRect().center().toPoint());
    expectClosed("the close button");

    // The window manager closing the window must not leave Escape grabbed.
    controller.show(nullptr, {}, false);
    controller.panel()->close();
    expectClosed("the window manager");
}

TEST_F(AvailabilitySharePanelControllerTest, EscapeGoesBackToTheOtherOwnersAfterClose)
{
    QList<PanelTransientHotkeys::Action> menuBar;
    registry.registerOwner(PanelTransientHotkeys::Owner::menuBar, PanelTransientHotkeys::KeySet::panelNavigation,
        [&menuBar](PanelTransientHotkeys::Action action) { menuBar.append(action); });
    controller.show(nullptr, {}, false);
    hotKeys.press(escapeKey, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(controller.isOpen());
    EXPECT_TRUE(menuBar.isEmpty());
    hotKeys.press(escapeKey, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(menuBar, QList { PanelTransientHotkeys::Action::escape });
}

TEST_F(AvailabilitySharePanelControllerTest, ThePanelIsAToolWindowLikeTheQuickPanelSoTheTaskbarListsNoEntryForIt)
{
    controller.show(nullptr, {}, false);
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.panel()->windowType(), Qt::Tool);
}

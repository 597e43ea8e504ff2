// A pinned Quick Panel dragged from one monitor to the other, on two offscreen screens of different
// heights side by side (two-screens.json): 1280x800 and 1024x768.
#include "tolvar/menubar/QuickPanelController.h"

#include "tests/core/appmodel/AppModelHarness.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

using tolvar::QuickPanelController;
using namespace appmodeltest;

namespace {

const QRect leftMonitor(0, 0, 1280, 800);
const QRect rightMonitor(1280, 0, 1024, 768);

// Content that wants more height than either monitor has.
class TallContent : public QWidget
{
public:
    QSize sizeHint() const override { return QSize(QuickPanelController::width, 2000); }
};

class QuickPanelDropTest : public AppModelTest
{
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with two-screens.json";
        started();
    }
    void TearDown() override
    {
        controller.reset();
        settle();
        AppModelTest::TearDown();
    }

    // Opened at the pointer and pinned, as the user does before dragging it.
    tolvar::QuickPanelWindow* openPinnedAt(QPoint pointer)
    {
        QCursor::setPos(pointer);
        controller->toggle(*model, [] {});
        settle();
        controller->pinModel()->togglePin();
        settle();
        return controller->panel();
    }
    // Dragged by a point 6 px into its top left corner and let go with its corner at `topLeft`.
    static void dropAt(tolvar::QuickPanelWindow* panel, QPoint topLeft)
    {
        QCursor::setPos(topLeft + QPoint(6, 6));
        panel->move(topLeft);
        settle();
    }

    tolvar::PanelTransientHotkeys registry { &hotKeys };
    std::unique_ptr<QuickPanelController> controller = std::make_unique<QuickPanelController>(registry,
        [](tolvar::AppModel&, std::function<void()>, tolvar::QuickPanelPinModel*) { return new TallContent; });
};

} // namespace

TEST(QuickPanelDrop, TheMonitorIsTheOneUnderThePointerElseTheOneHoldingMostOfThePanel)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with two-screens.json";
    QScreen* left = QGuiApplication::screens().at(0);
    QScreen* right = QGuiApplication::screens().at(1);
    // Dropped low: the centre is below both monitors, the pointer on the one it was dropped on.
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1581, 572, 360, 776), QPoint(1587, 578)), right);
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(381, 472, 360, 744), QPoint(387, 478)), left);
    // The pointer in the strip below the shorter monitor: the one holding most of the panel.
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1200, 700, 360, 200), QPoint(1290, 790)), right);
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1000, 700, 360, 200), QPoint(1290, 790)), left);
    // A pointer away from the panel says nothing about where it was dropped.
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1000, 100, 360, 400), QPoint(2000, 100)), left);
    // Wholly in the strip below the shorter monitor, or off the desktop: the monitor nearest the pointer.
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1500, 780, 360, 744), QPoint(1506, 786)), right);
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(1275, 790, 360, 744), QPoint(1281, 796)), left);
    EXPECT_EQ(QuickPanelController::screenForDrop(QRect(3000, 900, 360, 400), QPoint(3006, 906)), right);
}

TEST(QuickPanelDrop, ThePanelRestsInsideTheMonitorAsHighAsItAllows)
{
    EXPECT_EQ(QuickPanelController::restingFrame(QRect(1581, 572, 360, 776), rightMonitor, 2000),
        QRect(1581, 768 - 744, 360, 744));
    EXPECT_EQ(QuickPanelController::restingFrame(QRect(381, 472, 360, 744), leftMonitor, 2000),
        QRect(381, 800 - 776, 360, 776));
    EXPECT_EQ(QuickPanelController::restingFrame(QRect(2200, 300, 360, 776), rightMonitor, 250),
        QRect(2304 - 360, 300, 360, 250));
    EXPECT_EQ(QuickPanelController::restingFrame(QRect(-50, -20, 360, 300), leftMonitor, 300), QRect(0, 0, 360, 300));
}

TEST_F(QuickPanelDropTest, APinnedPanelDroppedLowOnTheOtherMonitorStaysThereAndFitsIt)
{
    tolvar::QuickPanelWindow* panel = openPinnedAt(QPoint(300, 200));
    ASSERT_TRUE(panel);
    ASSERT_EQ(panel->height(), 800 - 24);

    dropAt(panel, QPoint(1581, 572));
    EXPECT_EQ(panel->geometry(), QRect(1581, 768 - 744, 360, 744)) << "on the 768 px monitor, 744 high";

    dropAt(panel, QPoint(381, 472));
    EXPECT_EQ(panel->geometry(), QRect(381, 800 - 776, 360, 776)) << "back on the 800 px monitor, 776 high";

    // A drop that keeps the centre on one monitor was right before: it stays right.
    dropAt(panel, QPoint(1500, 0));
    EXPECT_EQ(panel->geometry(), QRect(1500, 0, 360, 744));
    dropAt(panel, QPoint(200, 10));
    EXPECT_EQ(panel->geometry(), QRect(200, 10, 360, 776));
    // Let go of in the strip below the shorter monitor that neither monitor shows: never out of reach.
    dropAt(panel, QPoint(1500, 780));
    EXPECT_EQ(panel->geometry(), QRect(1500, 768 - 744, 360, 744));
}

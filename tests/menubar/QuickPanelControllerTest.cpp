// The Quick Panel's window, placement, pinning and ways out, on the offscreen platform with the
// hot-key layer's test double.
#include "tolvar/menubar/QuickPanelController.h"

#include "tests/core/appmodel/AppModelHarness.h"
#include "tolvar/menubar/PanelHotkeyWindowAccessor.h"
#include "tolvar/menubar/PanelScrollArea.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/menubar/QuickPanelHostingView.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using tolvar::QuickPanelController;
using Owner = tolvar::PanelTransientHotkeys::Owner;
using namespace appmodeltest;

namespace {

constexpr qint64 escapeKey = 53, downKey = 125;

// Content as the panel's own places it: a fixed height, and the hot-key bridge whose Escape sends
// the window its cancel operation.
class StandInContent : public QWidget
{
public:
    StandInContent(tolvar::PanelTransientHotkeys& registry, int height, QStringList& actions)
    {
        setFixedWidth(QuickPanelController::width);
        m_height = height;
        auto* layout = new QVBoxLayout(this);
        auto* accessor = new tolvar::PanelHotkeyWindowAccessor(registry, this);
        layout->addWidget(accessor);
        tolvar::PanelHotkeyWindowAccessor::Handlers handlers;
        handlers.onEscape = [&actions](QWidget* window) {
            actions << "escape";
            window->close();
        };
        handlers.onDown = [&actions] { actions << "down"; };
        accessor->setHandlers(handlers);
    }
    QSize sizeHint() const override { return QSize(QuickPanelController::width, m_height); }
    // Another day: the content takes its new height, as the panel's own does.
    void setContentHeight(int height)
    {
        m_height = height;
        resize(sizeHint());
    }

private:
    int m_height;
};

class QuickPanelTest : public AppModelTest
{
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        started();
        other.setGeometry(0, 0, 100, 100);
    }
    void TearDown() override
    {
        controller.reset();
        settle();
        AppModelTest::TearDown();
    }

    tolvar::QuickPanelWindow* toggle()
    {
        controller->toggle(*model, [] {});
        settle();
        return controller->panel();
    }
    // Lets a window that was let go of be deleted.
    static void deleteDropped(QObject* window) { QCoreApplication::sendPostedEvents(window, QEvent::DeferredDelete); }
    bool press(qint64 key)
    {
        const bool taken = hotKeys.press(key, 0);
        hotKeys.release(key, 0);
        settle();
        return taken;
    }
    bool escapeGrabbed() const { return hotKeys.isGrabbed(escapeKey, 0); }

    tolvar::PanelTransientHotkeys registry { &hotKeys };
    int contentHeight = 420;
    QStringList actions;
    std::unique_ptr<QuickPanelController> controller = std::make_unique<QuickPanelController>(
        registry, [this](tolvar::AppModel&, std::function<void()>, tolvar::QuickPanelPinModel*) {
            return new StandInContent(registry, contentHeight, actions);
        });
    QWidget other;
};

} // namespace

TEST(QuickPanelFrame, HangsBelowThePointerInsideTheUsableArea)
{
    const QRect visible(0, 30, 1280, 770); // a panel of 30 at the top
    EXPECT_EQ(QuickPanelController::panelFrame({ 100, 200 }, visible, 420), QRect(100, 200, 360, 420));
    // Right edge: the panel's right edge stays inside.
    EXPECT_EQ(QuickPanelController::panelFrame({ 1200, 200 }, visible, 420), QRect(920, 200, 360, 420));
    // Left of the area (another monitor's pointer never counts here, but a stale one might).
    EXPECT_EQ(QuickPanelController::panelFrame({ -50, 200 }, visible, 420).x(), 0);
    // At the bottom: it stands above the pointer.
    EXPECT_EQ(QuickPanelController::panelFrame({ 100, 790 }, visible, 420), QRect(100, 370, 360, 420));
    // Too tall to stand above the pointer either: its top meets the top of the area.
    EXPECT_EQ(QuickPanelController::panelFrame({ 100, 500 }, visible, 700), QRect(100, 30, 360, 700));
}

TEST(QuickPanelFrame, HeightIsClampedToTheScreenOrTheFallbackLimits)
{
    const QRect visible(1280, 0, 1024, 768);
    // Tall content is cut to the visible height less 24; short content still gets 200.
    EXPECT_EQ(QuickPanelController::panelFrame({ 1300, 10 }, visible, 2000), QRect(1300, 10, 360, 744));
    EXPECT_EQ(QuickPanelController::panelFrame({ 1300, 10 }, visible, 50).height(), 200);
    // Without any screen: at the pointer, 200 to 776 high, no clamping of the place.
    EXPECT_EQ(QuickPanelController::panelFrame({ 5000, -10 }, std::nullopt, 2000), QRect(5000, -10, 360, 776));
    EXPECT_EQ(QuickPanelController::panelFrame({ 5, 5 }, std::nullopt, 10), QRect(5, 5, 360, 200));
}

TEST_F(QuickPanelTest, TogglingOpensClosesAndOpensAFreshUnpinnedPanel)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCursor::setPos(screen.topLeft() + QPoint(40, 50));
    tolvar::QuickPanelWindow* first = toggle();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isActiveWindow());
    // Below the pointer, as wide as the panel and as high as its content.
    EXPECT_EQ(first->geometry(), QRect(screen.topLeft() + QPoint(40, 50), QSize(360, 420)));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_NE(registry.registrationOf(Owner::quickPanel), 0u);
    EXPECT_NE(registry.registrationOf(Owner::menuBar), 0u) << "the content's bridge takes the keys while key";
    controller->pinModel()->togglePin();

    QPointer<tolvar::QuickPanelWindow> closed = first;
    EXPECT_EQ(toggle(), nullptr);
    deleteDropped(closed);
    EXPECT_TRUE(closed.isNull()) << "a closed panel is forgotten and goes";
    EXPECT_EQ(registry.registrationOf(Owner::quickPanel), 0u);
    EXPECT_EQ(registry.registrationOf(Owner::menuBar), 0u);
    EXPECT_FALSE(registry.suppressPanelHotkeys());

    QCursor::setPos(screen.topLeft() + QPoint(200, 90));
    tolvar::QuickPanelWindow* third = toggle();
    ASSERT_TRUE(third);
    EXPECT_TRUE(third->isVisible());
    EXPECT_FALSE(third->isPinned());
    EXPECT_FALSE(controller->pinModel()->isPinned());
    auto* hostingView = third->findChild<tolvar::QuickPanelHostingView*>();
    ASSERT_TRUE(hostingView);
    EXPECT_FALSE(hostingView->allowsWindowMove()) << "only a pinned panel moves";
    EXPECT_FALSE(registry.suppressPanelHotkeys());
    EXPECT_EQ(third->geometry(), QRect(screen.topLeft() + QPoint(200, 90), QSize(360, 420)))
        << "opened afresh at the pointer";
}

TEST_F(QuickPanelTest, PinningSuppressesThePanelKeysAndUnpinningRestoresThem)
{
    tolvar::QuickPanelWindow* panel = toggle();
    ASSERT_TRUE(panel);
    auto* hostingView = panel->findChild<tolvar::QuickPanelHostingView*>();
    ASSERT_TRUE(hostingView);
    EXPECT_TRUE(escapeGrabbed());

    controller->pinModel()->togglePin();
    EXPECT_TRUE(panel->isPinned());
    EXPECT_TRUE(hostingView->allowsWindowMove());
    EXPECT_TRUE(registry.suppressPanelHotkeys());
    EXPECT_FALSE(escapeGrabbed()) << "a pinned panel leaves the keys to other programs";

    // A pinned panel stays when another window takes the focus.
    other.show();
    other.activateWindow();
    settle();
    EXPECT_TRUE(panel->isVisible());

    controller->pinModel()->togglePin();
    EXPECT_FALSE(hostingView->allowsWindowMove());
    EXPECT_FALSE(registry.suppressPanelHotkeys());
    // The reminder overlay, say, still holds the keys while the panel is inactive.
    registry.registerOwner(Owner::reminderOverlay, tolvar::PanelTransientHotkeys::KeySet::panelNavigation, {});
    EXPECT_TRUE(escapeGrabbed());
}

TEST_F(QuickPanelTest, EscapeReachesTheContentWhileKeyAndThePanelWhilePinned)
{
    ASSERT_TRUE(toggle());
    EXPECT_TRUE(press(downKey));
    EXPECT_TRUE(press(escapeKey));
    EXPECT_EQ(actions, (QStringList { "down", "escape" })) << "menuBar is the newest owner and serves";
    EXPECT_EQ(controller->panel(), nullptr);

    // Pinned, the keys are no grabs: Escape comes to the panel as an ordinary key.
    tolvar::QuickPanelWindow* pinned = toggle();
    controller->pinModel()->togglePin();
    EXPECT_FALSE(press(escapeKey));
    EXPECT_TRUE(pinned->isVisible());
    QTest::keyClick(pinned, Qt::Key_Escape);
    settle();
    EXPECT_EQ(controller->panel(), nullptr);
    EXPECT_FALSE(registry.suppressPanelHotkeys()) << "closing a pinned panel gives the keys back";
}

TEST_F(QuickPanelTest, TheQuickPanelOwnerDismissesWhenTheContentHasNoKeys)
{
    tolvar::QuickPanelWindow* panel = toggle();
    int closes = 0;
    const std::function<void()> onClose = panel->onClose();
    panel->setOnClose([&closes, onClose] {
        ++closes;
        onClose();
    });
    registry.unregisterOwner(Owner::menuBar);
    hotKeys.press(escapeKey, 0);
    QCoreApplication::processEvents(); // the dispatch, not yet the panel's deletion
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(controller->panel(), nullptr);
    panel->dismiss();
    EXPECT_EQ(closes, 1) << "a second dismissal does nothing";
}

TEST_F(QuickPanelTest, LosingTheFocusOrAWindowManagerCloseDismisses)
{
    ASSERT_TRUE(toggle());
    other.show();
    other.activateWindow();
    settle();
    EXPECT_EQ(controller->panel(), nullptr);
    EXPECT_EQ(registry.registrationOf(Owner::menuBar), 0u);

    tolvar::QuickPanelWindow* panel = toggle();
    ASSERT_TRUE(panel);
    controller->pinModel()->togglePin();
    panel->close(); // as the window manager's close button would
    settle();
    EXPECT_EQ(controller->panel(), nullptr);
    EXPECT_FALSE(registry.suppressPanelHotkeys());
}

TEST_F(QuickPanelTest, AToggleOverAHiddenPanelClosesItFirstAndOpensAnew)
{
    tolvar::QuickPanelWindow* hidden = toggle();
    controller->pinModel()->togglePin();
    hidden->hide(); // unmapped behind the panel's back
    settle();
    ASSERT_EQ(controller->panel(), hidden);
    QPointer<tolvar::QuickPanelWindow> old = hidden;

    tolvar::QuickPanelWindow* fresh = toggle();
    deleteDropped(old);
    EXPECT_TRUE(old.isNull());
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->isVisible());
    EXPECT_FALSE(registry.suppressPanelHotkeys());
    EXPECT_TRUE(escapeGrabbed());
}

TEST_F(QuickPanelTest, SwitchingTheShortcutOffClosesThePanel)
{
    ASSERT_TRUE(toggle());
    controller->closePanel();
    settle();
    EXPECT_FALSE(controller->hasPanel());
    EXPECT_FALSE(escapeGrabbed());
}

TEST(QuickPanelFrame, RefitKeepsTheTopWhileItFitsAndRisesOnlyAsFarAsNeeded)
{
    const QRect visible(1280, 0, 1024, 768);
    const QRect open(1500, 200, 360, 300);
    EXPECT_EQ(QuickPanelController::refitFrame(open, 200, visible, 500), QRect(1500, 200, 360, 500));
    EXPECT_EQ(QuickPanelController::refitFrame(open, 200, visible, 650), QRect(1500, 768 - 650, 360, 650));
    EXPECT_EQ(QuickPanelController::refitFrame(open, 200, visible, 2000), QRect(1500, 24, 360, 744));
    EXPECT_EQ(QuickPanelController::refitFrame(open, 200, visible, 50), QRect(1500, 200, 360, 200));
    EXPECT_EQ(QuickPanelController::refitFrame(open, 200, std::nullopt, 2000), QRect(1500, 200, 360, 776));
}

TEST_F(QuickPanelTest, ALongerDayRefitsThePanelAndScrollsTheRestAShorterOneShrinksIt)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCursor::setPos(screen.topLeft() + QPoint(40, 50));
    tolvar::QuickPanelWindow* panel = toggle();
    ASSERT_TRUE(panel);
    const QRect opened = panel->geometry();
    auto* hosting = panel->findChild<tolvar::QuickPanelHostingView*>();
    ASSERT_TRUE(hosting);
    auto* content = dynamic_cast<StandInContent*>(hosting->content());
    ASSERT_TRUE(content);

    content->setContentHeight(screen.height() + 300);
    settle();
    EXPECT_EQ(panel->height(), screen.height() - 24) << "as high as the screen allows";
    EXPECT_GE(panel->y(), screen.y());
    EXPECT_LE(panel->geometry().bottom(), screen.bottom());
    const QScrollBar* scroll = hosting->scrollArea()->verticalScrollBar();
    EXPECT_EQ(scroll->maximum(), content->height() - hosting->scrollArea()->viewport()->height())
        << "the rest of the day scrolls into view";
    EXPECT_GT(scroll->maximum(), 0);

    content->setContentHeight(250);
    settle();
    EXPECT_EQ(panel->geometry(), QRect(opened.topLeft(), QSize(QuickPanelController::width, 250)))
        << "no empty strip, and back at the pointer";
    EXPECT_EQ(hosting->scrollArea()->verticalScrollBar()->maximum(), 0);
}

TEST_F(QuickPanelTest, APinnedPanelDraggedOverTheEdgeComesToRestInsideTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCursor::setPos(screen.topLeft() + QPoint(40, 50));
    tolvar::QuickPanelWindow* panel = toggle();
    ASSERT_TRUE(panel);
    controller->pinModel()->togglePin();
    settle();

    // Dragged 16 px past the bottom edge, then past the right one.
    panel->move(200, screen.bottom() + 1 - panel->height() + 16);
    settle();
    EXPECT_EQ(panel->geometry(), QRect(200, screen.bottom() + 1 - panel->height(), 360, contentHeight));
    panel->move(screen.right() + 1 - 300, 60);
    settle();
    EXPECT_EQ(panel->geometry(), QRect(screen.right() + 1 - 360, 60, 360, contentHeight));
    // A drag within the screen is left where it ends.
    panel->move(100, 80);
    settle();
    EXPECT_EQ(panel->pos(), QPoint(100, 80));
}

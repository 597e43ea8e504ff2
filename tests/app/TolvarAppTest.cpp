// The entry's bootstrap, its once-per-launch onboarding check and the windows it opens.
#include "tolvar/app/TolvarApp.h"
#include "platform/activation/MemoryActivationPolicy.h"
#include "tests/core/appmodel/AppModelHarness.h"
#include "tests/support/Patience.h"
#include "tolvar/app/MenuBarExtraWindow.h"
#include "tolvar/settings/SettingsView.h"

#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace appmodeltest;

namespace {

// The panel's content: a fixed size.
QWidget* standInContent()
{
    auto* content = new QWidget;
    content->setFixedSize(360, 500);
    return content;
}

class TolvarAppTest : public AppModelTest
{
protected:
    platform::MemoryActivationPolicy activationPolicy;
};

TEST_F(TolvarAppTest, firstBootstrapStartsTheModelAndInstallsTheSettingsAction)
{
    // Made but not yet given a turn of the event loop, so the model's own start has not run.
    model = machine.makeModel();
    tolvar::TolvarApp app(*model, activationPolicy, standInContent);
    EXPECT_FALSE(model->hasStarted());

    app.bootstrap();
    EXPECT_TRUE(app.didBootstrap());
    EXPECT_TRUE(model->hasStarted());
    ASSERT_TRUE(model->showSettingsHandler());
    model->showSettingsHandler()();
    ASSERT_TRUE(app.settingsWindowController().window());
    EXPECT_TRUE(app.settingsWindowController().window()->isVisible());
    settle();
    EXPECT_TRUE(isGrabbed()) << "the Quick Panel shortcut is registered after the bootstrap";
}

TEST_F(TolvarAppTest, laterBootstrapsSkipTheOneTimeSteps)
{
    tolvar::TolvarApp app(started(), activationPolicy, standInContent);
    app.bootstrap();
    int replacedHandlerRuns = 0;
    model->setShowSettingsHandler([&] { ++replacedHandlerRuns; });

    // Every opening of the panel bootstraps again.
    app.bootstrap();
    app.bootstrap();
    model->showSettingsHandler()();
    EXPECT_EQ(replacedHandlerRuns, 1);
    EXPECT_FALSE(app.settingsWindowController().window());
}

TEST_F(TolvarAppTest, onboardingOpensOnceAThirdOfASecondAfterTheFirstBootstrap)
{
    tolvar::TolvarApp app(started(), activationPolicy, standInContent);
    app.bootstrap();
    EXPECT_TRUE(app.didCheckOnboarding());
    clock.advance(0.349);
    EXPECT_FALSE(app.onboardingWindowController().window());
    clock.advance(0.002);
    QWidget* window = app.onboardingWindowController().window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(activationPolicy.policy(), platform::ActivationPolicy::Policy::regular);

    // Closed without Finish: the entry does not open it again in this launch.
    window->close();
    settle();
    EXPECT_FALSE(app.onboardingWindowController().window());
    app.bootstrap();
    app.checkOnboarding();
    clock.advance(5);
    EXPECT_FALSE(app.onboardingWindowController().window());
    EXPECT_FALSE(defaults.boolForKey(tolvar::SettingsKey::onboardingCompleted));
}

TEST_F(TolvarAppTest, completedOnboardingOpensNothing)
{
    defaults.setBool(tolvar::SettingsKey::onboardingCompleted, true);
    tolvar::TolvarApp app(started(), activationPolicy, standInContent);
    app.bootstrap();
    clock.advance(5);
    EXPECT_TRUE(app.didCheckOnboarding());
    EXPECT_FALSE(app.onboardingWindowController().window());

    // Clearing the flag later in the launch does not bring the check back.
    defaults.setBool(tolvar::SettingsKey::onboardingCompleted, false);
    app.bootstrap();
    clock.advance(5);
    EXPECT_FALSE(app.onboardingWindowController().window());
    EXPECT_TRUE(activationPolicy.changes().isEmpty());
}

TEST_F(TolvarAppTest, settingsOpenTheOnboardingBesideThemselves)
{
    defaults.setBool(tolvar::SettingsKey::onboardingCompleted, true);
    tolvar::TolvarApp app(started(), activationPolicy, standInContent);
    app.bootstrap();
    app.showSettings();
    auto* settings = app.settingsWindowController().view();
    ASSERT_TRUE(settings);

    settings->openOnboarding();
    ASSERT_TRUE(app.onboardingWindowController().window());
    EXPECT_TRUE(app.onboardingWindowController().window()->isVisible());
    EXPECT_TRUE(settings->isVisible()) << "the settings window stays open";
    EXPECT_EQ(app.settingsWindowController().window(), settings);
}

TEST(MenuBarExtraFrame, BesideTheIconInsideTheUsableArea)
{
    using tolvar::MenuBarExtraWindow;
    const QRect left(0, 0, 1280, 800), right(1280, 0, 1024, 768);
    const QSize size(360, 500);
    const int gap = MenuBarExtraWindow::iconGap;
    // A tray at the top: the panel hangs below the icon, centred on it.
    EXPECT_EQ(MenuBarExtraWindow::frameFor(QRect(600, 0, 24, 24), {}, left, size), QRect(432, 24 + gap, 360, 500));
    // At the right edge of the right monitor it stays on that monitor.
    EXPECT_EQ(MenuBarExtraWindow::frameFor(QRect(2280, 0, 24, 24), {}, right, size).right(), right.right());
    // A tray at the bottom: above the icon.
    EXPECT_EQ(
        MenuBarExtraWindow::frameFor(QRect(20, 776, 24, 24), {}, left, size), QRect(0, 776 - gap - 500, 360, 500));
    // No icon geometry: at the pointer, pulled back on screen.
    EXPECT_EQ(MenuBarExtraWindow::frameFor(QRect(), { 100, 120 }, left, size), QRect(100, 120, 360, 500));
    EXPECT_EQ(MenuBarExtraWindow::frameFor(QRect(), { 1270, 790 }, left, size), QRect(920, 300, 360, 500));
}

TEST(MenuBarExtraFrame, ATallPanelTakesTheRoomBesideTheIconAndNoMore)
{
    using tolvar::MenuBarExtraWindow;
    const QRect right(1280, 0, 1024, 768);
    const int gap = MenuBarExtraWindow::iconGap;
    // A tray at the top that reserves no strip: below the icon down to the bottom edge.
    EXPECT_EQ(MenuBarExtraWindow::roomBeside(QRect(2280, 0, 24, 24), right), 768 - 24 - gap);
    EXPECT_EQ(MenuBarExtraWindow::frameFor(QRect(2280, 0, 24, 24), {}, right, QSize(360, 768 - 24 - gap)),
        QRect(1944, 24 + gap, 360, 768 - 24 - gap));
    // A tray at the bottom: above the icon up to the top edge.
    EXPECT_EQ(MenuBarExtraWindow::roomBeside(QRect(1300, 744, 24, 24), right), 744 - gap);
    // One that reserves a strip wider than the icon and the gap leaves the whole usable area.
    EXPECT_EQ(MenuBarExtraWindow::roomBeside(QRect(2280, 0, 24, 24), QRect(1280, 30, 1024, 738)), 738);
    EXPECT_EQ(MenuBarExtraWindow::roomBeside(QRect(), right), 768) << "at the pointer";
}

TEST_F(TolvarAppTest, aClickOpensThePanelAndBootstrapsEveryTimeAndALostFocusClosesIt)
{
    model = machine.makeModel();
    tolvar::TolvarApp app(*model, activationPolicy, standInContent);
    app.togglePanel();
    tolvar::MenuBarExtraWindow* panel = app.panelWindow();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(app.didBootstrap()) << "opening the panel bootstraps";
    EXPECT_TRUE(panel->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    EXPECT_EQ(panel->size(), QSize(360, 500));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(panel->geometry()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel, testsupport::patienceMs));

    // Another window taking the focus closes it like a menu; the click on the icon that did so
    // does not open it again at once, a later one does.
    QWidget other;
    other.setGeometry(700, 500, 50, 50);
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }, testsupport::patienceMs));
    app.togglePanel();
    EXPECT_FALSE(panel->isVisible());
    clock.advance(tolvar::TolvarApp::reopenGuard + 0.01);
    app.togglePanel();
    EXPECT_TRUE(panel->isVisible());

    // A click on the icon closes the open panel, the next opens the same one again.
    app.togglePanel();
    EXPECT_FALSE(panel->isVisible());
    clock.advance(1);
    app.togglePanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(app.panelWindow(), panel) << "one panel, shown again";
    panel->close();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace

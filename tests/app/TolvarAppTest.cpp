// The entry's bootstrap and its once-per-launch onboarding check.
#include "tolvar/app/TolvarApp.h"
#include "tests/core/appmodel/AppModelHarness.h"
#include "tolvar/app/MenuBarExtraWindow.h"

#include <QScreen>
#include <QTest>

using namespace appmodeltest;

namespace {

// The settings and onboarding windows have no controllers yet: count what the entry asks for.
// The panel's content: a fixed size.
QWidget* standInContent()
{
    auto* content = new QWidget;
    content->setFixedSize(360, 500);
    return content;
}

class CountingApp final : public tolvar::TolvarApp
{
public:
    explicit CountingApp(tolvar::AppModel& model)
        : TolvarApp(model, standInContent)
    { }

    void showSettings() override { ++settingsShown; }
    void showOnboarding() override { ++onboardingShown; }

    int settingsShown = 0;
    int onboardingShown = 0;
};

using TolvarAppTest = AppModelTest;

TEST_F(TolvarAppTest, firstBootstrapStartsTheModelAndInstallsTheSettingsAction)
{
    // Made but not yet given a turn of the event loop, so the model's own start has not run.
    model = machine.makeModel();
    CountingApp app(*model);
    EXPECT_FALSE(model->hasStarted());

    app.bootstrap();
    EXPECT_TRUE(app.didBootstrap());
    EXPECT_TRUE(model->hasStarted());
    ASSERT_TRUE(model->showSettingsHandler());
    model->showSettingsHandler()();
    EXPECT_EQ(app.settingsShown, 1);
    settle();
    EXPECT_TRUE(isGrabbed()) << "the Quick Panel shortcut is registered after the bootstrap";
}

TEST_F(TolvarAppTest, laterBootstrapsSkipTheOneTimeSteps)
{
    CountingApp app(started());
    app.bootstrap();
    int replacedHandlerRuns = 0;
    model->setShowSettingsHandler([&] { ++replacedHandlerRuns; });

    // Every opening of the panel bootstraps again.
    app.bootstrap();
    app.bootstrap();
    model->showSettingsHandler()();
    EXPECT_EQ(replacedHandlerRuns, 1);
    EXPECT_EQ(app.settingsShown, 0);
}

TEST_F(TolvarAppTest, onboardingOpensOnceAThirdOfASecondAfterTheFirstBootstrap)
{
    CountingApp app(started());
    app.bootstrap();
    EXPECT_TRUE(app.didCheckOnboarding());
    clock.advance(0.349);
    EXPECT_EQ(app.onboardingShown, 0);
    clock.advance(0.002);
    EXPECT_EQ(app.onboardingShown, 1);

    app.bootstrap();
    app.checkOnboarding();
    clock.advance(5);
    EXPECT_EQ(app.onboardingShown, 1);
}

TEST_F(TolvarAppTest, completedOnboardingOpensNothing)
{
    defaults.setBool(tolvar::SettingsKey::onboardingCompleted, true);
    CountingApp app(started());
    app.bootstrap();
    clock.advance(5);
    EXPECT_TRUE(app.didCheckOnboarding());
    EXPECT_EQ(app.onboardingShown, 0);

    // Completing it later in the launch does not bring the check back, nor does clearing it.
    defaults.setBool(tolvar::SettingsKey::onboardingCompleted, false);
    app.bootstrap();
    clock.advance(5);
    EXPECT_EQ(app.onboardingShown, 0);
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

TEST_F(TolvarAppTest, aClickOpensThePanelAndBootstrapsEveryTimeAndALostFocusClosesIt)
{
    model = machine.makeModel();
    CountingApp app(*model);
    app.togglePanel();
    tolvar::MenuBarExtraWindow* panel = app.panelWindow();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(app.didBootstrap()) << "opening the panel bootstraps";
    EXPECT_TRUE(panel->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    EXPECT_EQ(panel->size(), QSize(360, 500));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(panel->geometry()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));

    // Another window taking the focus closes it like a menu; the click on the icon that did so
    // does not open it again at once, a later one does.
    QWidget other;
    other.setGeometry(700, 500, 50, 50);
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }, 2000));
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

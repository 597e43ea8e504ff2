// The entry's bootstrap, its once-per-launch onboarding check and the windows it opens.
#include "tolvar/app/TolvarApp.h"
#include "platform/activation/MemoryActivationPolicy.h"
#include "tests/core/appmodel/AppModelHarness.h"
#include "tolvar/settings/SettingsView.h"

#include <QMenu>
#include <QWidget>

using namespace appmodeltest;

namespace {

class TolvarAppTest : public AppModelTest
{
protected:
    platform::MemoryActivationPolicy activationPolicy;
};

TEST_F(TolvarAppTest, firstBootstrapStartsTheModelAndInstallsTheSettingsAction)
{
    // Made but not yet given a turn of the event loop, so the model's own start has not run.
    model = machine.makeModel();
    tolvar::TolvarApp app(*model, activationPolicy);
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

TEST_F(TolvarAppTest, theTrayMenuOpensTheSettingsThroughTheModel)
{
    tolvar::TolvarApp app(started(), activationPolicy);
    QAction* settings = app.trayIcon().contextMenu()->actions().value(1);
    ASSERT_TRUE(settings);
    settings->trigger();
    EXPECT_FALSE(app.settingsWindowController().window()) << "nothing to open before the bootstrap installs it";
    app.bootstrap();
    settings->trigger();
    ASSERT_TRUE(app.settingsWindowController().window());
    EXPECT_EQ(app.trayIcon().contextMenu()->actions().value(0)->text(), "Quit") << "Quit stays first";
}

TEST_F(TolvarAppTest, laterBootstrapsSkipTheOneTimeSteps)
{
    tolvar::TolvarApp app(started(), activationPolicy);
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
    tolvar::TolvarApp app(started(), activationPolicy);
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
    tolvar::TolvarApp app(started(), activationPolicy);
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
    tolvar::TolvarApp app(started(), activationPolicy);
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

} // namespace

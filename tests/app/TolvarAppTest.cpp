// The entry's bootstrap and its once-per-launch onboarding check.
#include "tolvar/app/TolvarApp.h"
#include "tests/core/appmodel/AppModelHarness.h"

using namespace appmodeltest;

namespace {

// The settings and onboarding windows have no controllers yet: count what the entry asks for.
class CountingApp final : public tolvar::TolvarApp
{
public:
    using TolvarApp::TolvarApp;

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

} // namespace

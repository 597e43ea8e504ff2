// The onboarding window: its steps, Finish and the flag, and the activation policy it switches.
#include "platform/activation/MemoryActivationPolicy.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/OnboardingWindowController.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SourceToggleList.h"

#include <QCheckBox>
#include <QPushButton>

using namespace settingstest;
using platform::ActivationPolicy;
using tolvar::AppModel;
using tolvar::OnboardingView;
using tolvar::PermissionState;

namespace {

class OnboardingTest : public SettingsTest
{
protected:
    // A first launch: nothing granted or chosen yet.
    AppModel& firstLaunch()
    {
        AppModel& app = started();
        appmodeltest::settle();
        return app;
    }

    bool completed() const { return defaults.boolForKey(tolvar::SettingsKey::onboardingCompleted); }
};

TEST_F(OnboardingTest, finishNeedsAccessAndWritesTheFlag)
{
    // As the real store does, nothing is listed before access is given.
    machine.eventStore.setCalendars(platform::EntityType::event, {});
    AppModel& app = firstLaunch();
    platform::MemoryActivationPolicy policy;
    tolvar::OnboardingWindowController controller(policy);
    controller.show(app);
    appmodeltest::settle();
    OnboardingView* view = controller.view();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->emptyCalendarsText(), "Tolvar needs Calendar access before it can list calendars.");
    EXPECT_FALSE(view->isCalendarListShown());
    EXPECT_EQ(view->windowTitle(), "Set Up Tolvar");
    EXPECT_EQ(view->size(), QSize(680, 760));
    EXPECT_FALSE(view->finishButton()->isEnabled());
    EXPECT_EQ(view->stepOneCard()->status(), "None selected");
    testsupport::saveScreenshot(*view, "onboarding-step-one");

    grantAccess();
    machine.eventStore.setCalendars(platform::EntityType::event, { work, home });
    view->requestAccessButton()->click();
    appmodeltest::settle();
    EXPECT_EQ(app.permissionState(), PermissionState::granted);
    EXPECT_TRUE(view->finishButton()->isEnabled()) << "no calendar needs choosing for Finish";
    EXPECT_FALSE(view->isStepOneComplete());
    ASSERT_TRUE(view->isCalendarListShown());
    ASSERT_TRUE(view->calendarList()->toggle("work"));
    view->calendarList()->toggle("work")->click();
    EXPECT_EQ(app.selectedCalendarIDs(), QSet<QString>({ "work" }));
    EXPECT_TRUE(view->isStepOneComplete());
    EXPECT_EQ(view->stepOneCard()->status(), "1 selected");

    EXPECT_FALSE(view->fullscreenTestButton()->isEnabled());
    view->createTestButton()->click();
    EXPECT_EQ(app.testMeetings().size(), 1);
    EXPECT_TRUE(view->isStepTwoComplete());
    EXPECT_TRUE(view->isSuccessNoteShown());
    EXPECT_EQ(view->stepTwoCard()->status(), "Test created");
    EXPECT_TRUE(view->fullscreenTestButton()->isEnabled());
    appmodeltest::settle();
    testsupport::saveScreenshot(*view, "onboarding-step-two");

    view->finishButton()->click();
    EXPECT_TRUE(completed());
    EXPECT_FALSE(controller.window());
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    EXPECT_EQ(policy.changes(), QList({ ActivationPolicy::Policy::regular, ActivationPolicy::Policy::accessory }));
}

TEST_F(OnboardingTest, closingWithoutFinishLeavesTheFlagUnset)
{
    AppModel& app = firstLaunch();
    platform::MemoryActivationPolicy policy;
    tolvar::OnboardingWindowController controller(policy);
    controller.show(app);
    EXPECT_TRUE(controller.didPromoteActivationPolicy());
    controller.window()->close();
    EXPECT_FALSE(completed());
    EXPECT_FALSE(controller.didPromoteActivationPolicy());
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
}

TEST_F(OnboardingTest, anAlreadyRegularApplicationStaysRegular)
{
    AppModel& app = firstLaunch();
    platform::MemoryActivationPolicy policy(ActivationPolicy::Policy::regular);
    tolvar::OnboardingWindowController controller(policy);
    controller.show(app);
    EXPECT_FALSE(controller.didPromoteActivationPolicy());
    controller.window()->close();
    EXPECT_TRUE(policy.changes().isEmpty());
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);
}

TEST_F(OnboardingTest, showingAgainKeepsTheWindowAndItsState)
{
    AppModel& app = firstLaunch();
    platform::MemoryActivationPolicy policy;
    tolvar::OnboardingWindowController controller(policy);
    controller.show(app);
    QWidget* window = controller.window();
    controller.view()->createTestButton()->click();

    // Something else switched back to the tray meanwhile: showing promotes again.
    policy.setPolicy(ActivationPolicy::Policy::accessory);
    controller.show(app);
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(controller.view()->testCreated());
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);

    window->close();
    appmodeltest::settle();
    controller.show(app);
    EXPECT_NE(controller.view(), nullptr);
    EXPECT_FALSE(controller.view()->testCreated()) << "a new window starts afresh";
}

TEST_F(OnboardingTest, emptyCalendarTextsFollowThePermission)
{
    AppModel& app = firstLaunch();
    OnboardingView view(app, {});
    app.setPermissionState(PermissionState::unknown);
    app.setCalendars({});
    EXPECT_EQ(view.emptyCalendarsText(), "Tolvar needs Calendar access before it can list calendars.");
    app.setPermissionState(PermissionState::granted);
    app.setCalendars({});
    EXPECT_EQ(view.emptyCalendarsText(), "No calendars found on this computer.");
    EXPECT_FALSE(view.isCalendarListShown());
    app.setPermissionState(PermissionState::denied);
    EXPECT_EQ(view.emptyCalendarsText(),
        "Calendar access is denied. Request access again to let Tolvar read your calendars.");
    EXPECT_FALSE(view.finishButton()->isEnabled());

    // The count includes ids whose calendar is no longer listed.
    app.setSelectedCalendarIDs({ "gone", "work" });
    EXPECT_EQ(view.stepOneCard()->status(), "2 selected");
    EXPECT_EQ(view.stepOneCard()->statusColor(), tolvar::settingsStyle::green());
    app.setSelectedCalendarIDs({});
    EXPECT_EQ(view.stepOneCard()->status(), "None selected");
    EXPECT_EQ(view.stepOneCard()->statusColor(), tolvar::settingsStyle::orange());
}

} // namespace

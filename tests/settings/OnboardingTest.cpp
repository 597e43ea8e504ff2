// The onboarding window: its steps, Finish and the flag, and the activation policy it switches.
#include "platform/activation/MemoryActivationPolicy.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/OnboardingWindowController.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SourceToggleList.h"

#include <QApplication>
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
    EXPECT_EQ(view.emptyCalendarsText(),
        "No calendars found in ~/data/calendars. Put iCalendar files there, or let vdirsyncer fill it from your "
        "calendar server.");
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

namespace {

// The mean lightness of the symbol's painted pixels, 0 for black to 1 for white.
double symbolLightness(const QPushButton& button)
{
    const QImage image = button.icon().pixmap(QSize(14, 14)).toImage();
    double sum = 0;
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            sum += pixel.lightnessF();
            ++painted;
        }
    }
    return painted ? sum / painted : -1;
}

TEST_F(OnboardingTest, onADarkPaletteTheButtonSymbolsAreLight)
{
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(0x3a, 0x3a, 0x3c), QColor(0x1e, 0x1e, 0x20));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::ButtonText, QPalette::Text })
        dark.setColor(role, QColor(0xf2, 0xf2, 0xf2));
    dark.setColor(QPalette::Base, QColor(0x2c, 0x2c, 0x2e));
    QApplication::setPalette(dark);
    {
        AppModel& app = firstLaunch();
        OnboardingView view(app, [] {});
        view.resize(680, 760);
        view.show();
        appmodeltest::settle();
        for (const QPushButton* button : { view.requestAccessButton(), view.createTestButton() }) {
            ASSERT_FALSE(button->icon().isNull());
            EXPECT_GT(symbolLightness(*button), 0.8) << button->text().toStdString();
        }
        testsupport::saveScreenshot(view, "onboarding-dark");
    }
    QApplication::setPalette(light);
}

} // namespace

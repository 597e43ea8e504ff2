// The settings window: one window reused while open, the shell, the sections on screen, and the test
// reminders' confirmation line.
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/AlertsSection.h"
#include "tolvar/settings/CalendarsSection.h"
#include "tolvar/settings/GeneralSection.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/RemindersSection.h"
#include "tolvar/settings/RuleEditor.h"
#include "tolvar/settings/SegmentedPicker.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SettingsWindowController.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace settingstest;
using tolvar::SettingsView;

namespace {

using SettingsWindowTest = SettingsTest;

TEST_F(SettingsWindowTest, showReusesTheOpenWindowAndCloseForgetsIt)
{
    tolvar::AppModel& app = grantedModel();
    tolvar::SettingsWindowController controller;
    int onboardingOpened = 0;
    controller.show(app, [&] { ++onboardingOpened; });
    SettingsView* first = controller.view();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Tolvar Settings");
    EXPECT_EQ(first->size(), QSize(860, 720));
    EXPECT_EQ(first->minimumSize(), QSize(760, 640));

    first->setSelectedSection(SettingsView::Section::alerts);
    controller.show(app, [] {});
    EXPECT_EQ(controller.view(), first) << "a second show brings the same window forward";
    EXPECT_EQ(first->selectedSection(), SettingsView::Section::alerts);
    first->openOnboarding();
    EXPECT_EQ(onboardingOpened, 1) << "the first show's onboarding action stays in force";

    first->close();
    EXPECT_FALSE(controller.window());
    appmodeltest::settle();
    controller.show(app, [] {});
    ASSERT_TRUE(controller.view());
    EXPECT_EQ(controller.view()->selectedSection(), SettingsView::Section::general);
    EXPECT_FALSE(controller.view()->testMeetingMessage());
}

TEST_F(SettingsWindowTest, thePickerOffersTheFourSectionsInOrder)
{
    SettingsView view(grantedModel(), {});
    EXPECT_EQ(view.sectionPicker()->texts(), QStringList({ "General", "Calendars", "Reminders", "Alerts" }));
    EXPECT_EQ(view.sectionPicker()->value(), int(SettingsView::Section::general));
    EXPECT_TRUE(qobject_cast<tolvar::GeneralSection*>(view.sectionView()));

    view.sectionPicker()->choose(int(SettingsView::Section::reminders));
    EXPECT_EQ(view.selectedSection(), SettingsView::Section::reminders);
    EXPECT_TRUE(qobject_cast<tolvar::RemindersSection*>(view.sectionView()));

    EXPECT_EQ(SettingsView::sectionFromRawValue("Alerts"), SettingsView::Section::alerts);
    EXPECT_FALSE(SettingsView::sectionFromRawValue("alerts"));
    EXPECT_FALSE(SettingsView::sectionFromRawValue("General "));
}

TEST_F(SettingsWindowTest, supportOpensTheSupportLink)
{
    SettingsView view(grantedModel(), {});
    view.openSupport();
    ASSERT_EQ(machine.workspace.openedUrls().size(), 1);
    EXPECT_EQ(machine.workspace.openedUrls()[0].scheme(), "https");
}

TEST_F(SettingsWindowTest, aCardShowsItsPillOnlyWithAStatus)
{
    using tolvar::MacSettingsCardTitled;
    const auto shownTexts = [](const MacSettingsCardTitled& card) {
        QStringList texts;
        for (const QLabel* label : card.findChildren<QLabel*>()) {
            if (label->isVisibleTo(&card))
                texts << label->text();
        }
        return texts;
    };
    const auto pillOf = [](const MacSettingsCardTitled& card, const QString& status) -> QLabel* {
        for (QLabel* label : card.findChildren<QLabel*>()) {
            if (label->isVisibleTo(&card) && label->text() == status)
                return label;
        }
        return nullptr;
    };
    // Pixels of the card as painted, inside `area`, that are tinted green: the pill's capsule and word.
    const auto greenPixels = [](QWidget& card, const QRect& area) {
        const QImage image = card.grab().toImage();
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.green() > c.red() + 20 && c.green() > c.blue() + 20 ? 1 : 0;
            }
        }
        return count;
    };
    const auto showCard = [](MacSettingsCardTitled& card) {
        card.resize(400, 60);
        card.show();
        appmodeltest::settle();
    };

    MacSettingsCardTitled plain("Startup", QString(), std::nullopt, Qt::green);
    showCard(plain);
    EXPECT_EQ(shownTexts(plain), QStringList({ "Startup" })) << "no pill without a status";
    EXPECT_EQ(greenPixels(plain, plain.rect()), 0) << "and no tint, whatever the colour";

    MacSettingsCardTitled withStatus("Startup", QString(), QStringLiteral("None selected"), Qt::green);
    showCard(withStatus);
    testsupport::saveScreenshot(withStatus, "settings-card-pill");
    QLabel* pill = pillOf(withStatus, "None selected");
    ASSERT_TRUE(pill);
    EXPECT_EQ(pill->palette().color(QPalette::WindowText), QColor(Qt::green));
    const QRect pillArea(pill->mapTo(&withStatus, QPoint(0, 0)), pill->size());
    EXPECT_GT(pillArea.left(), withStatus.width() / 2) << "at the end of the title line";
    EXPECT_GT(greenPixels(withStatus, pillArea), pillArea.width() * pillArea.height() / 2)
        << "a capsule tinted with the status colour";

    withStatus.setStatus(std::nullopt, Qt::green);
    appmodeltest::settle();
    EXPECT_EQ(shownTexts(withStatus), QStringList({ "Startup" }));
    EXPECT_EQ(greenPixels(withStatus, withStatus.rect()), 0);

    MacSettingsCardTitled orange("Startup", QString(), QStringLiteral("Denied"));
    showCard(orange);
    pill = pillOf(orange, "Denied");
    ASSERT_TRUE(pill);
    EXPECT_EQ(pill->palette().color(QPalette::WindowText), tolvar::settingsStyle::orange()) << "orange by default";
}

TEST_F(SettingsWindowTest, aTestMessageClearsFourSecondsAfterTheNewestOne)
{
    tolvar::AppModel& app = grantedModel();
    SettingsView view(app, {});
    view.setSelectedSection(SettingsView::Section::alerts);
    auto* alerts = qobject_cast<tolvar::AlertsSection*>(view.sectionView());
    ASSERT_TRUE(alerts);
    EXPECT_FALSE(alerts->fullscreenTestButton()->isEnabled()) << "no meeting starts after now";

    alerts->testMeetingButton(tolvar::TestMeetingKind::online)->click();
    EXPECT_EQ(alerts->shownTestMessage(), "Test meeting created — reminder in 30s.");
    EXPECT_EQ(app.testMeetings().size(), 1);
    EXPECT_TRUE(alerts->fullscreenTestButton()->isEnabled());

    clock.advance(2);
    alerts->conflictTestButton()->click();
    EXPECT_EQ(alerts->shownTestMessage(), "Conflict test meetings created — reminder in 30s.");
    EXPECT_EQ(app.testMeetings().size(), 3);

    // The first message's timer wakes now and finds a newer message.
    clock.advance(2.5);
    EXPECT_EQ(alerts->shownTestMessage(), "Conflict test meetings created — reminder in 30s.");
    clock.advance(1.4);
    EXPECT_FALSE(alerts->shownTestMessage().isEmpty());
    clock.advance(0.2);
    EXPECT_TRUE(alerts->shownTestMessage().isEmpty());
    EXPECT_FALSE(view.testMeetingMessage());

    alerts->fullscreenTestButton()->click();
    EXPECT_EQ(machine.overlay.showCount, 1);
}

TEST_F(SettingsWindowTest, eachSectionOnScreen)
{
    tolvar::AppModel& app = grantedModel();
    app.setCalendar("work", true);
    app.setCalendar("home", true);
    app.setReminderList("tasks", true);
    app.setRuleFlag(tolvar::AppModel::RuleFlag::playSound, false, source(home));
    appmodeltest::settle();

    SettingsView view(app, {});
    view.resize(860, 720);
    view.show();
    appmodeltest::settle();
    testsupport::saveScreenshot(view, "settings-window-general");
    saveFullScreenshot(*view.sectionView(), "settings-general", 812);

    view.setSelectedSection(SettingsView::Section::calendars);
    auto* calendars = qobject_cast<tolvar::CalendarsSection*>(view.sectionView());
    ASSERT_TRUE(calendars);
    EXPECT_EQ(calendars->ruleEditor()->rows().size(), 2);
    saveFullScreenshot(*calendars, "settings-calendars", 812);

    view.setSelectedSection(SettingsView::Section::reminders);
    saveFullScreenshot(*view.sectionView(), "settings-reminders", 812);

    view.setSelectedSection(SettingsView::Section::alerts);
    view.createTestMeeting(tolvar::TestMeetingKind::hybrid);
    QTest::qWait(300); // the line fades in
    saveFullScreenshot(*view.sectionView(), "settings-alerts", 812);
}

} // namespace

// The buttons of the steps a user must take stand out from the others, in a light and a dark palette:
// filled with the highlight and titled in the highlighted text's colour, their symbols in their titles'
// colour whether they can be pressed or not.
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/ButtonInk.h"
#include "tests/support/DarkPalette.h"
#include "tolvar/settings/AlertsSection.h"
#include "tolvar/settings/CalendarsSection.h"
#include "tolvar/settings/GeneralSection.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/RemindersSection.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SoftwareUpdateSettingsCard.h"

#include <QApplication>
#include <QPushButton>

using namespace settingstest;
using testsupport::buttonInk;
using testsupport::colorDistance;
using tolvar::SettingsView;

namespace {

constexpr int symbolWidth = 14;

class ProminentButtonsTest : public SettingsTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        m_original = QApplication::palette();
        if (QString(GetParam()) == "dark")
            QApplication::setPalette(testsupport::darkPalette());
    }
    void TearDown() override
    {
        SettingsTest::TearDown();
        QApplication::setPalette(m_original);
    }

    // Whether the button is drawn as a step to take, enabled.
    static void expectProminent(QPushButton& button, bool prominent, int symbol = 0)
    {
        button.setEnabled(true);
        const testsupport::ButtonInk ink = buttonInk(button, symbol);
        const QPalette palette = QApplication::palette();
        const std::string what = button.text().toStdString() + " in the " + GetParam() + " palette, filled "
            + ink.fill.name().toStdString() + ", titled " + ink.title.name().toStdString();
        const bool filledWithHighlight = ink.fill.hslSaturationF() > 0.4
            && std::abs(ink.fill.hslHueF() - palette.color(QPalette::Highlight).hslHueF()) < 0.04;
        EXPECT_EQ(filledWithHighlight, prominent) << what;
        const QPalette::ColorRole text = prominent ? QPalette::HighlightedText : QPalette::ButtonText;
        EXPECT_LT(colorDistance(ink.title, palette.color(text)), 40) << what;
    }

private:
    QPalette m_original;
};

TEST_P(ProminentButtonsTest, theStepsToTakeAreFilledWithTheHighlight)
{
    tolvar::AppModel& app = grantedModel();
    tolvar::OnboardingView onboarding(app, [] {});
    onboarding.resize(680, 760);
    onboarding.show();
    appmodeltest::settle();
    expectProminent(*onboarding.requestAccessButton(), true, symbolWidth);
    expectProminent(*onboarding.createTestButton(), false, symbolWidth);
    expectProminent(*onboarding.fullscreenTestButton(), true, symbolWidth);
    expectProminent(*onboarding.finishButton(), true);
    testsupport::saveScreenshot(onboarding, QStringLiteral("onboarding-prominent-%1").arg(GetParam()));

    SettingsView settings(app, {});
    settings.resize(860, 720);
    settings.show();
    auto* general = qobject_cast<tolvar::GeneralSection*>(settings.sectionView());
    ASSERT_TRUE(general);
    expectProminent(*general->softwareUpdateCard()->checkButton(), true);
    settings.setSelectedSection(SettingsView::Section::calendars);
    auto* calendars = qobject_cast<tolvar::CalendarsSection*>(settings.sectionView());
    ASSERT_TRUE(calendars);
    expectProminent(*calendars->requestAccessButton(), true);
    testsupport::saveScreenshot(settings, QStringLiteral("settings-calendars-prominent-%1").arg(GetParam()));
    settings.setSelectedSection(SettingsView::Section::reminders);
    auto* reminders = qobject_cast<tolvar::RemindersSection*>(settings.sectionView());
    ASSERT_TRUE(reminders);
    expectProminent(*reminders->requestAccessButton(), true);
    settings.setSelectedSection(SettingsView::Section::alerts);
    auto* alerts = qobject_cast<tolvar::AlertsSection*>(settings.sectionView());
    ASSERT_TRUE(alerts);
    expectProminent(*alerts->fullscreenTestButton(), true);
    expectProminent(*alerts->conflictTestButton(), false);
}

TEST_P(ProminentButtonsTest, symbolsTakeTheTitlesColourWhetherEnabledOrNot)
{
    tolvar::AppModel& app = grantedModel();
    tolvar::OnboardingView onboarding(app, [] {});
    onboarding.resize(680, 760);
    onboarding.show();
    appmodeltest::settle();
    for (QPushButton* button :
        { onboarding.requestAccessButton(), onboarding.createTestButton(), onboarding.fullscreenTestButton() }) {
        for (const bool enabled : { true, false }) {
            button->setEnabled(enabled);
            const testsupport::ButtonInk ink = buttonInk(*button, symbolWidth);
            ASSERT_TRUE(ink.symbol.isValid() && ink.title.isValid()) << button->text().toStdString();
            EXPECT_LT(colorDistance(ink.symbol, ink.title), 40)
                << button->text().toStdString() << (enabled ? ", enabled" : ", disabled") << " in the " << GetParam()
                << " palette: symbol " << ink.symbol.name().toStdString() << ", title "
                << ink.title.name().toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Palettes, ProminentButtonsTest, ::testing::Values("light", "dark"),
    [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace

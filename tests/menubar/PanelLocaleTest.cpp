// The panel's dates in the user's locale, and a German panel saved for a person to look at.
#include "PanelTestSupport.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/PanelLabels.h"

using namespace paneltest;
namespace PanelLabels = tolvar::PanelLabels;

namespace {
class PanelLocaleTest : public PanelViewTest
{
protected:
    void TearDown() override
    {
        PanelViewTest::TearDown();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
};
} // namespace

TEST_F(PanelLocaleTest, DayTitlesPutMonthAndDayInTheLocalesOrder)
{
    const QDate today(2026, 3, 5);
    const platform::Date saturday = berlin(2026, 3, 7, 9);
    EXPECT_EQ(PanelLabels::dayLabel(saturday, today), QString::fromUtf8("Sat · Mar 7"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(PanelLabels::dayLabel(saturday, today), QString::fromUtf8("Sa. · 7. März"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(PanelLabels::dayLabel(saturday, today), QString::fromUtf8("Sat · 7 Mar"));
}

TEST_F(PanelLocaleTest, AGermanPanelOnAnotherDay)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    app().setSyncStatus(QStringLiteral("Synced 10:14"), tolvar::AppModel::SyncState::synced);
    tolvar::MeetingSnapshot review = panelMeeting(
        "Designprüfung", berlin(2026, 3, 7, 9, 30), 45, QStringLiteral("https://meet.google.com/abc-defg-hij"));
    review.calendarTitle = QStringLiteral("Arbeit");
    open(
        { review, panelMeeting("Mittagessen", berlin(2026, 3, 7, 12), 60, std::nullopt, QStringLiteral("Café Nord")) });
    view->onRight();
    view->onRight();
    settle();
    EXPECT_EQ(view->dayListSection()->ids().size(), 2);
    testsupport::saveScreenshot(*view, QStringLiteral("panel-de-DE"));
}

// The health check's next reminder written in the user's locale.
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/HealthReport.h"

using namespace settingstest;

namespace {
class HealthReportDateTest : public SettingsTest
{
protected:
    void TearDown() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SettingsTest::TearDown();
    }

    QString nextReminder()
    {
        model = machine.makeModel();
        const platform::Date start = appmodeltest::berlin(2026, 3, 5, 11);
        model->setMeetings({ appmodeltest::meeting("Standup", start, start.addingSeconds(900)) });
        for (const tolvar::HealthReport::Row& row : tolvar::HealthReport::of(*model).rows) {
            if (QLatin1String(row.title) == QLatin1String("Next reminder"))
                return row.value;
        }
        return {};
    }
};
} // namespace

TEST_F(HealthReportDateTest, NextReminderTakesTheLocalesAbbreviatedDate)
{
    EXPECT_EQ(nextReminder(), "Mar 5, 2026, 10:59 AM");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(nextReminder(), QString::fromUtf8("5. März 2026, 10:59"));
}

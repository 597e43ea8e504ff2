// The health check's tiles, rows and hint for each permission state and sync state.
#include "tolvar/settings/HealthCheck.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/GeneralSection.h"
#include "tolvar/settings/HealthReport.h"

using namespace settingstest;
using tolvar::AppModel;
using tolvar::HealthReport;
using tolvar::PermissionState;

namespace {

class HealthCheckTest : public SettingsTest
{
protected:
    // A model whose published state the test sets by hand, with no refresh to overwrite it.
    AppModel& freshModel()
    {
        model = machine.makeModel();
        return *model;
    }

    static const HealthReport::Row& row(const HealthReport& report, const char* title)
    {
        for (const HealthReport::Row& row : report.rows) {
            if (QLatin1String(row.title) == QLatin1String(title))
                return row;
        }
        throw std::runtime_error(title);
    }
};

TEST_F(HealthCheckTest, aFreshInstallationWarnsAboutBothPermissions)
{
    const HealthReport report = HealthReport::of(freshModel());
    ASSERT_EQ(report.tiles.size(), 4);
    EXPECT_EQ(report.tiles[0].value, "Not requested");
    EXPECT_EQ(report.tiles[0].systemImage, "exclamationmark.triangle.fill");
    EXPECT_TRUE(report.tiles[0].isWarning);
    EXPECT_EQ(report.tiles[1].value, "Not requested");
    EXPECT_EQ(report.tiles[1].systemImage, "checklist");
    EXPECT_TRUE(report.tiles[1].isWarning);
    EXPECT_EQ(report.tiles[2].value, "0 calendars");
    EXPECT_EQ(report.tiles[2].systemImage, "calendar.badge.exclamationmark");
    EXPECT_TRUE(report.tiles[2].isWarning);
    EXPECT_EQ(report.tiles[3].value, "Fullscreen only");
    EXPECT_FALSE(report.tiles[3].isWarning);

    ASSERT_EQ(report.rows.size(), 8);
    EXPECT_EQ(row(report, "Calendar access").value, "Calendar permission has not been requested.");
    EXPECT_TRUE(row(report, "Calendar access").isWarning);
    EXPECT_TRUE(row(report, "Reminders access").isWarning);
    EXPECT_EQ(row(report, "Monitored calendars").value,
        "No calendars selected. Choose at least one calendar in the Calendars tab.");
    EXPECT_EQ(row(report, "Monitored reminder lists").value, "Reminders access not granted.");
    EXPECT_FALSE(row(report, "Monitored reminder lists").isWarning);
    EXPECT_EQ(row(report, "Last refresh").value, "Not refreshed yet");
    EXPECT_TRUE(row(report, "Last refresh").isWarning);
    EXPECT_EQ(row(report, "Next reminder").value, "No reminder scheduled");
    EXPECT_FALSE(row(report, "Next reminder").isWarning) << "no meetings at all";
    EXPECT_EQ(row(report, "Sync").value, "Cloud folder sync disabled");
    EXPECT_TRUE(row(report, "Sync").isWarning);
    EXPECT_TRUE(report.showsSyncHint);
}

TEST_F(HealthCheckTest, deniedAndGrantedAccessReadDifferently)
{
    AppModel& app = freshModel();
    app.setPermissionState(PermissionState::denied);
    app.setRemindersPermissionState(PermissionState::denied);
    HealthReport report = HealthReport::of(app);
    EXPECT_EQ(report.tiles[0].value, "Denied");
    EXPECT_EQ(report.tiles[1].systemImage, "exclamationmark.triangle.fill");
    EXPECT_EQ(row(report, "Reminders access").value,
        "Reminders access is denied. Request access again to let Tolvar read your task lists.");
    EXPECT_TRUE(row(report, "Reminders access").isWarning);

    app.setPermissionState(PermissionState::granted);
    app.setRemindersPermissionState(PermissionState::granted);
    app.setSelectedCalendarIDs({ "work" });
    report = HealthReport::of(app);
    EXPECT_EQ(report.tiles[0].value, "Enabled");
    EXPECT_EQ(report.tiles[0].systemImage, "checkmark.circle.fill");
    EXPECT_FALSE(report.tiles[0].isWarning);
    EXPECT_EQ(report.tiles[1].systemImage, "checkmark.circle.fill");
    EXPECT_EQ(report.tiles[2].value, "1 calendar");
    EXPECT_EQ(report.tiles[2].systemImage, "calendar.badge.clock");
    EXPECT_FALSE(report.tiles[2].isWarning);
    EXPECT_EQ(row(report, "Calendar access").value, "Calendar access is enabled.");
    EXPECT_FALSE(row(report, "Calendar access").isWarning);
    EXPECT_EQ(row(report, "Monitored calendars").value, "1 calendar selected.");
    EXPECT_EQ(row(report, "Monitored reminder lists").value,
        "No reminder lists selected. Choose lists in the Reminders tab.");
    EXPECT_TRUE(row(report, "Monitored reminder lists").isWarning);

    app.setSelectedCalendarIDs({ "work", "home" });
    app.setSelectedReminderListIDs({ "tasks" });
    report = HealthReport::of(app);
    EXPECT_EQ(report.tiles[2].value, "2 calendars");
    EXPECT_EQ(row(report, "Monitored calendars").value, "2 calendars selected.");
    EXPECT_EQ(row(report, "Monitored reminder lists").value, "1 list selected.");
    EXPECT_FALSE(row(report, "Monitored reminder lists").isWarning);
}

TEST_F(HealthCheckTest, refreshAndNextReminderRows)
{
    AppModel& app = freshModel();
    app.setLastRefreshAt(appmodeltest::berlin(2026, 3, 5, 9, 41));
    const platform::Date start = appmodeltest::berlin(2026, 3, 5, 11);
    app.setMeetings({ appmodeltest::meeting("Standup", start, start.addingSeconds(900)) });
    HealthReport report = HealthReport::of(app);
    EXPECT_EQ(row(report, "Last refresh").value, "9:41 AM");
    EXPECT_FALSE(row(report, "Last refresh").isWarning);
    EXPECT_EQ(row(report, "Next reminder").value, "Mar 5, 2026, 10:59 AM");
    EXPECT_FALSE(row(report, "Next reminder").isWarning);

    // Meetings, but none with a reminder ahead.
    clock.setNow(appmodeltest::berlin(2026, 3, 5, 11, 5));
    report = HealthReport::of(app);
    EXPECT_EQ(row(report, "Next reminder").value, "No reminder scheduled");
    EXPECT_TRUE(row(report, "Next reminder").isWarning);
}

TEST_F(HealthCheckTest, theSyncRowFollowsThePublishedStateNotItsWords)
{
    AppModel& app = freshModel();
    app.setSyncStatus("iCloud sync disabled - local reminders only", AppModel::SyncState::disabled);
    HealthReport report = HealthReport::of(app);
    EXPECT_TRUE(row(report, "Sync").isWarning);
    EXPECT_TRUE(report.showsSyncHint);

    // An error text that holds the word does not bring the local-only hint.
    app.setSyncStatus("iCloud sync failed: folder disabled by the administrator", AppModel::SyncState::failed);
    report = HealthReport::of(app);
    EXPECT_TRUE(row(report, "Sync").isWarning);
    EXPECT_FALSE(report.showsSyncHint);

    // A success in words that mention neither, or both: only the state counts.
    app.setSyncStatus("Synced 10:00 AM (nothing failed)", AppModel::SyncState::synced);
    report = HealthReport::of(app);
    EXPECT_EQ(row(report, "Sync").value, "Synced 10:00 AM (nothing failed)");
    EXPECT_FALSE(row(report, "Sync").isWarning);
    EXPECT_FALSE(report.showsSyncHint);

    // Another language's disabled text still warns.
    app.setSyncStatus("Synchronisierung aus", AppModel::SyncState::disabled);
    EXPECT_TRUE(HealthReport::of(app).showsSyncHint);
}

TEST_F(HealthCheckTest, theCardRedrawsFromTheModelAndRefreshes)
{
    AppModel& app = freshModel();
    // The health check as the settings show it, redrawn by the section's own wiring.
    tolvar::GeneralSection general(app);
    tolvar::HealthTiles& tiles = *general.healthTiles();
    tolvar::HealthCheckCard& card = *general.healthCheck();
    EXPECT_TRUE(card.isSyncHintShown());
    EXPECT_EQ(card.rows()[0]->title(), "Calendar access");
    EXPECT_EQ(tiles.tiles()[0]->title(), "Calendar Access");
    EXPECT_TRUE(card.rows()[0]->isWarning());

    const int width = 812;
    general.resize(width, general.hasHeightForWidth() ? general.heightForWidth(width) : general.sizeHint().height());
    // Shown before the model's first turn of work, which would refresh it out of its fresh state.
    general.show();
    const QRect health = QRect(tiles.geometry().topLeft(), card.geometry().bottomRight());
    testsupport::saveScreenshot(general.grab(health.adjusted(-24, -12, 24, 12)), "settings-health-warnings");

    // A change the model publishes shows without a refresh.
    app.setSyncStatus("Synced 10:00 AM", AppModel::SyncState::synced);
    EXPECT_FALSE(card.isSyncHintShown());
    EXPECT_FALSE(card.rows()[7]->isWarning());
    app.setSelectedCalendarIDs({ "work" });
    EXPECT_EQ(tiles.tiles()[2]->value(), "1 calendar");
    EXPECT_EQ(card.rows()[3]->value(), "1 calendar selected.");

    grantAccess();
    card.refreshHealth();
    appmodeltest::settle();
    EXPECT_EQ(card.rows()[0]->value(), "Calendar access is enabled.");
    EXPECT_FALSE(card.rows()[0]->isWarning());
    EXPECT_EQ(tiles.tiles()[0]->value(), "Enabled");
    EXPECT_FALSE(card.rows()[5]->isWarning()) << "the refresh stamped its time";
}

} // namespace

// The software-update card over the update service, with and without an update feed.
#include "platform/updater/MemoryUpdater.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/SoftwareUpdateSettingsCard.h"
#include "tolvar/settings/UpdateService.h"

#include <QCheckBox>
#include <QPushButton>
#include <gtest/gtest.h>

using settingstest::saveFullScreenshot;

namespace {

TEST(SoftwareUpdateCard, checksAndSwitchesThroughTheService)
{
    platform::MemoryUpdater updater;
    tolvar::UpdateService service(updater);
    tolvar::SoftwareUpdateSettingsCard card(service);
    EXPECT_EQ(card.title(), "Software Update");
    EXPECT_EQ(card.checkButton()->text(), "Check for Updates...");
    EXPECT_TRUE(card.checkButton()->isEnabled());
    EXPECT_TRUE(card.automaticToggle()->isChecked());
    EXPECT_EQ(card.footnote(), "When enabled, Tolvar checks for updates once per day.");

    card.checkButton()->click();
    EXPECT_EQ(updater.checkCount(), 1);
    // A check that runs keeps the button disabled until the updater says otherwise.
    updater.setCanCheckForUpdates(false);
    EXPECT_FALSE(card.checkButton()->isEnabled());
    updater.setCanCheckForUpdates(true);
    EXPECT_TRUE(card.checkButton()->isEnabled());

    card.automaticToggle()->click();
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    EXPECT_FALSE(card.automaticToggle()->isChecked());
    card.automaticToggle()->click();
    EXPECT_TRUE(updater.automaticallyChecksForUpdates());
    EXPECT_EQ(updater.intervalWrites(), QList<double>({ 86400, 86400, 86400 }));

    // Opening the card reads the flags changed elsewhere since.
    updater.setAutomaticallyChecksForUpdates(false);
    card.show();
    EXPECT_FALSE(card.automaticToggle()->isChecked());
    saveFullScreenshot(card, "settings-update-card", 812);
}

TEST(SoftwareUpdateCard, aBuildWithoutFeedSaysItDoesNotCheck)
{
    platform::MemoryUpdater updater;
    updater.setConfigured(false);
    tolvar::UpdateService service(updater);
    tolvar::SoftwareUpdateSettingsCard card(service);
    EXPECT_FALSE(card.checkButton()->isEnabled());
    EXPECT_FALSE(card.automaticToggle()->isEnabled());
    EXPECT_FALSE(card.automaticToggle()->isChecked());
    EXPECT_EQ(card.footnote(), "This build does not check for updates: it was made without an update feed address.");
    updater.setCanCheckForUpdates(true);
    EXPECT_FALSE(card.checkButton()->isEnabled());
    saveFullScreenshot(card, "settings-update-card-unconfigured", 812);
}

} // namespace

#include "tolvar/settings/UpdateService.h"

#include "platform/updater/MemoryUpdater.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using tolvar::UpdateService;

using platform::MemoryUpdater;

TEST(UpdateService, StartsTheUpdaterWithADailyIntervalAndCopiesItsFlags)
{
    MemoryUpdater updater;
    updater.setCanCheckForUpdates(false);
    updater.setAutomaticallyChecksForUpdates(false);

    UpdateService service(updater);
    EXPECT_EQ(updater.startCount(), 1);
    EXPECT_EQ(updater.intervalWrites(), QList<double> { 86400 });
    EXPECT_FALSE(service.canCheckForUpdates());
    EXPECT_FALSE(service.automaticallyChecksForUpdates());
}

TEST(UpdateService, RefreshReadsBothFlagsAndAnnouncesThemEvenWhenUnchanged)
{
    MemoryUpdater updater;
    UpdateService service(updater);
    QSignalSpy canCheck(&service, &UpdateService::canCheckForUpdatesChanged);
    QSignalSpy automatic(&service, &UpdateService::automaticallyChecksForUpdatesChanged);

    service.refresh();
    EXPECT_EQ(canCheck.count(), 1);
    EXPECT_EQ(automatic.count(), 1);

    // Changed elsewhere since the last read: the copy shows it only after a refresh.
    updater.setAutomaticallyChecksForUpdates(false);
    EXPECT_TRUE(service.automaticallyChecksForUpdates());
    service.refresh();
    EXPECT_FALSE(service.automaticallyChecksForUpdates());
}

TEST(UpdateService, SwitchWritesTheFlagAndTheIntervalEachTime)
{
    MemoryUpdater updater;
    UpdateService service(updater);
    QSignalSpy automatic(&service, &UpdateService::automaticallyChecksForUpdatesChanged);

    service.setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater.automaticallyChecksForUpdates());
    EXPECT_FALSE(service.automaticallyChecksForUpdates());
    service.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(updater.automaticallyChecksForUpdates());
    EXPECT_TRUE(service.automaticallyChecksForUpdates());

    EXPECT_EQ(updater.intervalWrites(), (QList<double> { 86400, 86400, 86400 }));
    EXPECT_EQ(automatic.count(), 2);
}

TEST(UpdateService, ManualCheckStartsACheckAndFollowsTheUpdaterUntilItEnds)
{
    MemoryUpdater updater;
    UpdateService service(updater);

    service.checkForUpdates();
    EXPECT_EQ(updater.checkCount(), 1);

    // The check runs and ends on the updater's time; the button's state follows without another refresh.
    updater.setCanCheckForUpdates(false);
    EXPECT_FALSE(service.canCheckForUpdates());
    updater.setCanCheckForUpdates(true);
    EXPECT_TRUE(service.canCheckForUpdates());
}

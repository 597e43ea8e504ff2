#include "tolvar/app/UpdateNotice.h"
#include "platform/updater/MemoryUpdater.h"

#include <QSystemTrayIcon>
#include <gtest/gtest.h>

TEST(UpdateNotice, OnlyAClickOnAnOfferOpensTheDownloadPage)
{
    platform::MemoryUpdater updater;
    QSystemTrayIcon trayIcon;
    tolvar::UpdateNotice notice(updater, trayIcon);

    Q_EMIT trayIcon.messageClicked();
    EXPECT_EQ(updater.downloadPageOpenCount(), 0);

    Q_EMIT updater.updateFound({ "2.0", QUrl("https://example.org/tolvar/2.0") });
    Q_EMIT trayIcon.messageClicked();
    EXPECT_EQ(updater.downloadPageOpenCount(), 1);

    Q_EMIT updater.userCheckFinished("Tolvar is up to date.");
    Q_EMIT trayIcon.messageClicked();
    EXPECT_EQ(updater.downloadPageOpenCount(), 1);
}

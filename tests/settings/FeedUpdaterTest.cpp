#include "LoopbackFeedServer.h"
#include "tests/support/Patience.h"
#include "tolvar/settings/UpdateService.h"

#include "platform/defaults/MemoryUserDefaults.h"
#include "platform/time/TestClock.h"
#include "platform/updater/FeedUpdater.h"
#include "platform/workspace/MemoryWorkspace.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

using tolvar::UpdateService;

using platform::Date;
using platform::FeedUpdater;
using platform::UpdateOffer;

namespace {

constexpr double day = 86400;

QByteArray feed(const QByteArray& version, const QByteArray& url)
{
    return R"({"version": ")" + version + R"(", "url": ")" + url + R"("})";
}

class FeedUpdaterTest : public ::testing::Test
{
protected:
    std::unique_ptr<FeedUpdater> makeUpdater(const QUrl& feedUrl, const QString& currentVersion = "1.4.2")
    {
        return std::make_unique<FeedUpdater>(feedUrl, currentVersion, clock, defaults, workspace);
    }

    // Runs a check the user asked for and returns what it told the user, or the found version.
    QString manualCheck(FeedUpdater& updater)
    {
        QSignalSpy found(&updater, &FeedUpdater::updateFound);
        QSignalSpy finished(&updater, &FeedUpdater::userCheckFinished);
        updater.checkForUpdates();
        if (!QTest::qWaitFor([&] { return found.count() + finished.count() > 0; }, testsupport::patienceMs))
            return "no answer";
        EXPECT_TRUE(updater.canCheckForUpdates());
        return found.isEmpty() ? finished[0][0].toString() : "found " + found[0][0].value<UpdateOffer>().version;
    }

    bool waitForRequests(FeedUpdater& updater, int count)
    {
        return QTest::qWaitFor(
            [&] { return server.requestCount() == count && updater.canCheckForUpdates(); }, testsupport::patienceMs);
    }

    platform::TestClock clock;
    platform::MemoryUserDefaults defaults;
    platform::MemoryWorkspace workspace;
    LoopbackFeedServer server;
};

} // namespace

TEST_F(FeedUpdaterTest, NewerVersionIsOfferedAndOnlyItsPageIsOpened)
{
    server.setResponse(200, feed("1.10.0", "https://example.org/tolvar/1.10.0"));
    auto updater = makeUpdater(server.url());
    updater->start();
    EXPECT_FALSE(updater->openDownloadPage());

    // 1.10 is newer than 1.4.2 as numbers, though not as text.
    EXPECT_EQ(manualCheck(*updater), "found 1.10.0");
    EXPECT_EQ(defaults.doubleForKey(FeedUpdater::lastCheckDateKey), clock.now().secondsSinceReferenceDate());
    EXPECT_TRUE(workspace.openedUrls().isEmpty());
    EXPECT_TRUE(updater->openDownloadPage());
    EXPECT_EQ(workspace.openedUrls(), QList<QUrl> { QUrl("https://example.org/tolvar/1.10.0") });
}

TEST_F(FeedUpdaterTest, SameOrOlderVersionIsUpToDate)
{
    auto updater = makeUpdater(server.url());
    updater->start();
    for (const QByteArray& version : { QByteArray("1.4.2"), QByteArray("1.4"), QByteArray("0.9.9") }) {
        server.setResponse(200, feed(version, "https://example.org/tolvar"));
        EXPECT_EQ(manualCheck(*updater), "Tolvar is up to date.") << version.constData();
    }
    EXPECT_FALSE(updater->openDownloadPage());
}

TEST_F(FeedUpdaterTest, MalformedFeedsAndUnsafeLinksAreNeverOffered)
{
    auto updater = makeUpdater(server.url());
    updater->start();
    const QList<QByteArray> bodies {
        "not json",
        "[]",
        R"({"version": 2, "url": "https://example.org/tolvar"})",
        R"({"version": "2.0.0"})",
        feed("2.0 beta", "https://example.org/tolvar"),
        feed("", "https://example.org/tolvar"),
        feed("2.0.0", "ftp://example.org/tolvar.tar"),
        feed("2.0.0", "javascript:alert(1)"),
        feed("2.0.0", "file:///etc/passwd"),
        feed("2.0.0", "https://"),
        feed("2.0.0", "/relative/download"),
        // A well-formed feed padded far beyond any real one.
        QByteArray(200 * 1024, ' ') + feed("2.0.0", "https://example.org/tolvar"),
    };
    for (const QByteArray& body : bodies) {
        server.setResponse(200, body);
        EXPECT_EQ(manualCheck(*updater), "The update feed could not be read.") << body.left(80).constData();
    }
    EXPECT_FALSE(updater->openDownloadPage());
    EXPECT_TRUE(workspace.openedUrls().isEmpty());
}

TEST_F(FeedUpdaterTest, UnreachableOrFailingServerIsReportedAndRecordedAsACheck)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    QUrl unreachable = server.url();
    unreachable.setPort(closed.serverPort());
    closed.close();

    auto updater = makeUpdater(unreachable);
    updater->start();
    EXPECT_TRUE(manualCheck(*updater).startsWith("The update check failed: "));
    EXPECT_TRUE(defaults.contains(FeedUpdater::lastCheckDateKey));

    server.setResponse(404, "no such feed");
    auto missing = makeUpdater(server.url());
    missing->start();
    EXPECT_TRUE(manualCheck(*missing).startsWith("The update check failed: "));
}

TEST_F(FeedUpdaterTest, ChecksDailyOnTheClockWhileAutomaticChecksAreOn)
{
    server.setResponse(200, feed("1.4.2", "https://example.org/tolvar"));
    auto updater = makeUpdater(server.url());
    QSignalSpy found(updater.get(), &FeedUpdater::updateFound);
    QSignalSpy finished(updater.get(), &FeedUpdater::userCheckFinished);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());

    // Never checked before: the first check is due at once.
    updater->start();
    clock.advance(0);
    ASSERT_TRUE(waitForRequests(*updater, 1));
    clock.advance(day - 1);
    QTest::qWait(50);
    EXPECT_EQ(server.requestCount(), 1);
    clock.advance(1);
    ASSERT_TRUE(waitForRequests(*updater, 2));
    // Scheduled checks say nothing unless they find an update.
    EXPECT_EQ(finished.count(), 0);

    server.setResponse(200, feed("1.5.0", "https://example.org/tolvar/1.5.0"));
    clock.advance(day);
    ASSERT_TRUE(waitForRequests(*updater, 3));
    ASSERT_EQ(found.count(), 1);
    EXPECT_EQ(found[0][0].value<UpdateOffer>().version, "1.5.0");

    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(defaults.boolForKey(FeedUpdater::automaticChecksKey));
    clock.advance(3 * day);
    QTest::qWait(50);
    EXPECT_EQ(server.requestCount(), 3);

    // Switched on again long after the last check: overdue, so at once.
    updater->setAutomaticallyChecksForUpdates(true);
    clock.advance(0);
    ASSERT_TRUE(waitForRequests(*updater, 4));
}

TEST_F(FeedUpdaterTest, ScheduleAndSwitchOutliveTheProcess)
{
    server.setResponse(200, feed("1.4.2", "https://example.org/tolvar"));
    defaults.setDouble(FeedUpdater::lastCheckDateKey, clock.now().addingSeconds(-3600).secondsSinceReferenceDate());
    auto updater = makeUpdater(server.url());
    updater->start();
    clock.advance(day - 3600 - 1);
    QTest::qWait(50);
    EXPECT_EQ(server.requestCount(), 0);
    clock.advance(1);
    ASSERT_TRUE(waitForRequests(*updater, 1));

    updater->setAutomaticallyChecksForUpdates(false);
    updater.reset();
    auto restarted = makeUpdater(server.url());
    restarted->start();
    EXPECT_FALSE(restarted->automaticallyChecksForUpdates());
    EXPECT_EQ(clock.activeTimerCount(), 0);
}

TEST_F(FeedUpdaterTest, BadStoredCheckDatesDoNotStopOrFloodTheSchedule)
{
    server.setResponse(200, feed("1.4.2", "https://example.org/tolvar"));
    // Set in the future by a clock that was wrong: wait at most one interval.
    defaults.setDouble(FeedUpdater::lastCheckDateKey, clock.now().addingSeconds(30 * day).secondsSinceReferenceDate());
    auto updater = makeUpdater(server.url());
    updater->start();
    clock.advance(day);
    ASSERT_TRUE(waitForRequests(*updater, 1));

    defaults.setString(FeedUpdater::lastCheckDateKey, "yesterday");
    auto other = makeUpdater(server.url());
    other->start();
    clock.advance(0);
    ASSERT_TRUE(waitForRequests(*other, 2));
}

TEST_F(FeedUpdaterTest, WithoutAFeedAddressNothingReachesTheNetwork)
{
    for (const QUrl& unconfigured : { QUrl(), QUrl("ftp://127.0.0.1/feed.json") }) {
        auto updater = makeUpdater(unconfigured);
        QSignalSpy finished(updater.get(), &FeedUpdater::userCheckFinished);
        updater->start();
        EXPECT_TRUE(updater->canCheckForUpdates());
        clock.advance(3 * day);

        updater->checkForUpdates();
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished[0][0].toString(), "Updates are not configured.");
        EXPECT_TRUE(updater->canCheckForUpdates());
    }
    QTest::qWait(50);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_FALSE(defaults.contains(FeedUpdater::lastCheckDateKey));
}

TEST_F(FeedUpdaterTest, ServiceFollowsARealCheckFromStartToEnd)
{
    server.setResponse(200, feed("2.0.0", "https://example.org/tolvar/2.0.0"));
    defaults.setDouble(FeedUpdater::lastCheckDateKey, clock.now().secondsSinceReferenceDate());
    auto updater = makeUpdater(server.url());
    UpdateService service(*updater);
    EXPECT_EQ(updater->updateCheckInterval(), 86400);
    EXPECT_TRUE(service.canCheckForUpdates());
    EXPECT_TRUE(service.automaticallyChecksForUpdates());

    QSignalSpy found(updater.get(), &FeedUpdater::updateFound);
    service.checkForUpdates();
    EXPECT_FALSE(service.canCheckForUpdates());
    // A second press while the check runs starts nothing.
    service.checkForUpdates();
    ASSERT_TRUE(found.wait(testsupport::patienceMs));
    EXPECT_TRUE(service.canCheckForUpdates());
    EXPECT_EQ(server.requestCount(), 1);

    service.setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(service.automaticallyChecksForUpdates());
    EXPECT_EQ(updater->updateCheckInterval(), 86400);
}

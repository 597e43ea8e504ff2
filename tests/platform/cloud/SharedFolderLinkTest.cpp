// Links that anyone who syncs the shared folder can put there: never written through, never followed out of it.
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/time/TestClock.h"
#include "tests/support/WarningLog.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// Its answer once its first read has landed.
std::optional<QByteArray> firstToken(const platform::FolderCloudAccount& account)
{
    account.known().waitForFinished();
    return account.ubiquityIdentityToken();
}

class SharedFolderLinkTest : public ::testing::Test
{
protected:
    SharedFolderLinkTest()
    {
        QDir().mkpath(m_folder);
        QDir().mkpath(m_outside);
    }

    QString ownPath() const { return m_folder + QStringLiteral("/mine.json"); }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    // The links set aside in the folder, as "name -> target".
    QStringList linksAside() const
    {
        QStringList links;
        for (const QFileInfo& info :
            QDir(m_folder).entryInfoList({ QStringLiteral("mine.json.broken-*") }, QDir::AllEntries | QDir::System)) {
            links.append(info.isSymLink() ? info.symLinkTarget() : QStringLiteral("(no link)"));
        }
        return links;
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("cloud"));
    QString m_outside = m_dir.filePath(QStringLiteral("config"));
    TestClock m_clock { Date(1000) };
    WarningLog m_log;
};

} // namespace

TEST_F(SharedFolderLinkTest, ALinkAtOurFileIsSetAsideAndItsTargetStaysAsItWas)
{
    const std::map<QString, QByteArray> targets {
        { QStringLiteral("another program's settings"), R"({"width": 80, "height": 24, "theme": "dark"})" },
        { QStringLiteral("our own settings"), "{\n    \"onboardingCompleted\": true\n}\n" },
        { QStringLiteral("a file not made yet"), QByteArray() },
    };
    for (const auto& [what, bytes] : targets) {
        SCOPED_TRACE(qPrintable(what));
        const QString target = m_outside + u'/' + what;
        if (!bytes.isEmpty())
            writeFile(target, bytes);
        ASSERT_TRUE(QFile::link(target, ownPath()));
        m_log.clear();

        FolderKeyValueStore(m_folder, "mine", m_clock).setData("ours", QStringLiteral("k"));

        EXPECT_EQ(bytesOf(target), bytes.isEmpty() ? "(none)" : bytes);
        EXPECT_EQ(linksAside(), QStringList { target });
        EXPECT_FALSE(QFileInfo(ownPath()).isSymLink());
        FolderKeyValueStore restarted(m_folder, "mine", m_clock);
        restarted.readOwnValuesNow();
        EXPECT_EQ(restarted.data(QStringLiteral("k")), QByteArray("ours"));
        ASSERT_EQ(m_log.lines().size(), 1) << qPrintable(m_log.lines().join(u'\n'));
        EXPECT_TRUE(m_log.lines().first().contains(ownPath()) && m_log.lines().first().contains(target))
            << qPrintable(m_log.lines().first());
        for (const QString& name :
            QDir(m_folder).entryList({ QStringLiteral("mine.json*") }, QDir::AllEntries | QDir::System))
            QFile::remove(m_folder + u'/' + name);
    }
}

TEST_F(SharedFolderLinkTest, ALinkPutAtOurFileAfterItWasReadIsReplacedNotWrittenThrough)
{
    FolderKeyValueStore store(m_folder, "mine", m_clock);
    store.setData("first", QStringLiteral("k"));
    store.flush();
    const QString target = m_outside + QStringLiteral("/settings.json");
    writeFile(target, "theirs");
    ASSERT_TRUE(QFile::remove(ownPath()));
    ASSERT_TRUE(QFile::link(target, ownPath()));

    store.setData("second", QStringLiteral("k"));
    store.flush();

    EXPECT_EQ(bytesOf(target), "theirs");
    EXPECT_FALSE(QFileInfo(ownPath()).isSymLink());
    FolderKeyValueStore other(m_folder, "other", m_clock);
    QCoro::waitFor(other.synchronizeAndWait());
    EXPECT_EQ(other.data(QStringLiteral("k")), QByteArray("second"));
}

TEST_F(SharedFolderLinkTest, ALinkAtTheIdentityIsNoToken)
{
    writeFile(m_outside + QStringLiteral("/token"), "a-token");
    ASSERT_TRUE(QFile::link(m_outside + QStringLiteral("/token"), m_folder + QStringLiteral("/identity")));
    EXPECT_EQ(firstToken(FolderCloudAccount(m_folder, m_clock)), std::nullopt);
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/identity")));
    ASSERT_TRUE(QFile::copy(m_outside + QStringLiteral("/token"), m_folder + QStringLiteral("/identity")));
    EXPECT_EQ(firstToken(FolderCloudAccount(m_folder, m_clock)), QByteArray("a-token"));
}
TEST_F(SharedFolderLinkTest, LinksAmongThePeerFilesAreNotFollowedOutOfTheFolder)
{
    const QString device = m_outside + QStringLiteral("/device.json");
    writeFile(device, R"({"k": {"value": "dg==", "time": 900, "device": "outside"}})");
    const QString large = m_outside + QStringLiteral("/large");
    writeFile(large, "{");
    ASSERT_TRUE(QFile::resize(large, qint64(10) << 30));
    const std::map<QString, QString> links {
        { QStringLiteral("outside.json"), device },
        { QStringLiteral("zero.json"), QStringLiteral("/dev/zero") },
        { QStringLiteral("large.json"), large },
    };
    for (const auto& [name, target] : links)
        ASSERT_TRUE(QFile::link(target, m_folder + u'/' + name));

    FolderKeyValueStore store(m_folder, "mine", m_clock);
    QCoro::waitFor(store.synchronizeAndWait());
    EXPECT_EQ(store.data(QStringLiteral("k")), std::nullopt);
    // Where the same file is no link, it is read.
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/outside.json")));
    ASSERT_TRUE(QFile::copy(device, m_folder + QStringLiteral("/outside.json")));
    QCoro::waitFor(store.synchronizeAndWait());
    EXPECT_EQ(store.data(QStringLiteral("k")), QByteArray("v")) << qPrintable(m_log.lines().join(u'\n'));
}

// Our own device file when it cannot be written as usual: what it held stays until a whole new version can
// take its place, since the other machines and our next start read nothing else.
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/time/TestClock.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/WarningLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace platform;

namespace {

class OwnFileWritesTest : public ::testing::Test
{
protected:
    OwnFileWritesTest() { QDir().mkpath(m_folder); }

    QString ownPath() const { return m_folder + QStringLiteral("/mine.json"); }

    QByteArray ownBytes() const
    {
        QFile file(ownPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // What our file holds for `key`, as another machine reads it.
    QByteArray storedValue(const char* key) const
    {
        const QByteArray bytes = ownBytes();
        const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
        if (!json.is_object() || !json.contains(key))
            return {};
        return QByteArray::fromBase64(QByteArray::fromStdString(json[key].value("value", "")));
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("cloud"));
    TestClock m_clock { Date(1000) };
    WarningLog m_log;
};

} // namespace

TEST_F(OwnFileWritesTest, AFullDiskKeepsOurFileAsItWasUntilAWholeNewOneFits)
{
    FolderKeyValueStore store(m_folder, QStringLiteral("mine"), m_clock);
    store.setData("dismissed", QStringLiteral("reminderStates"));
    ASSERT_TRUE(store.flush());
    const QByteArray before = ownBytes();
    ASSERT_EQ(storedValue("reminderStates"), "dismissed");
    {
        FileSizeLimit full(rlim_t(before.size()));
        store.setData("snoozed", QStringLiteral("reminderStates"));
        store.setData("rule", QStringLiteral("calendarRules"));
        EXPECT_FALSE(store.flush());
        EXPECT_FALSE(store.synchronize());
        EXPECT_FALSE(store.flush());
        EXPECT_FALSE(store.synchronize());
    }
    EXPECT_EQ(ownBytes(), before);
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("mine.json") });
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines().first().contains(ownPath())) << qPrintable(m_log.lines().first());
    EXPECT_EQ(store.data(QStringLiteral("reminderStates")), QByteArray("snoozed"));

    // With room again, the next synchronisation writes what was held meanwhile, without another word.
    store.synchronize();
    EXPECT_TRUE(store.flush());
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(storedValue("reminderStates"), "snoozed");
    EXPECT_EQ(storedValue("calendarRules"), "rule");
    EXPECT_EQ(m_log.lines().size(), 1);
}

TEST_F(OwnFileWritesTest, AFolderWhereOurFileBelongsIsSetAsideWholeAndOurWritesLand)
{
    ASSERT_TRUE(QDir().mkpath(ownPath() + QStringLiteral("/inside")));
    {
        FolderKeyValueStore store(m_folder, QStringLiteral("mine"), m_clock);
        store.setData("dismissed", QStringLiteral("reminderStates"));
        EXPECT_TRUE(store.flush());
        EXPECT_TRUE(store.synchronize());
    }
    EXPECT_EQ(storedValue("reminderStates"), "dismissed");
    const QStringList aside = QDir(m_folder).entryList({ QStringLiteral("mine.json.broken-*") }, QDir::Dirs);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QFileInfo(m_folder + u'/' + aside.first() + QStringLiteral("/inside")).isDir());
    FolderKeyValueStore restarted(m_folder, QStringLiteral("mine"), m_clock);
    restarted.readOwnValuesNow();
    EXPECT_EQ(restarted.data(QStringLiteral("reminderStates")), QByteArray("dismissed"));
}

TEST_F(OwnFileWritesTest, AFullDiskNeverLeavesANewSharedFolderWithoutItsToken)
{
    const QString folder = m_dir.filePath(QStringLiteral("fresh"));
    {
        FileSizeLimit full(0);
        EXPECT_FALSE(FolderCloudAccount::createFolderIfMissing(folder));
    }
    // An empty token would read as signed out for good.
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_TRUE(FolderCloudAccount::createFolderIfMissing(folder));
    const FolderCloudAccount account(folder, m_clock);
    account.known().waitForFinished();
    EXPECT_TRUE(account.ubiquityIdentityToken().has_value());
}

#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::FolderCloudAccount;

namespace {

class FolderCloudAccountTest : public ::testing::Test
{
protected:
    void writeIdentity(const QByteArray& content) const
    {
        QDir().mkpath(m_folder);
        QFile file(m_folder + QStringLiteral("/identity"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("tolvar/cloud"));
};

} // namespace

TEST_F(FolderCloudAccountTest, MissingFolderIsMadeWithAFreshTokenOnce)
{
    FolderCloudAccount account(m_folder);
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);

    ASSERT_TRUE(FolderCloudAccount::createFolderIfMissing(m_folder));
    const std::optional<QByteArray> token = account.ubiquityIdentityToken();
    ASSERT_TRUE(token);
    EXPECT_GE(token->size(), 32);
    EXPECT_EQ(QDir(m_dir.filePath(QStringLiteral("tolvar")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("cloud") });

    EXPECT_FALSE(FolderCloudAccount::createFolderIfMissing(m_folder));
    EXPECT_EQ(account.ubiquityIdentityToken(), token);

    QTemporaryDir other;
    const QString otherFolder = other.filePath(QStringLiteral("cloud"));
    ASSERT_TRUE(FolderCloudAccount::createFolderIfMissing(otherFolder));
    EXPECT_NE(FolderCloudAccount(otherFolder).ubiquityIdentityToken(), token);
}

TEST_F(FolderCloudAccountTest, ReceivedFolderWithoutTokenStaysSignedOut)
{
    QDir().mkpath(m_folder);
    EXPECT_FALSE(FolderCloudAccount::createFolderIfMissing(m_folder));
    EXPECT_FALSE(QFileInfo::exists(m_folder + QStringLiteral("/identity")));
    EXPECT_EQ(FolderCloudAccount(m_folder).ubiquityIdentityToken(), std::nullopt);
}

TEST_F(FolderCloudAccountTest, TokenIsTheIdentityFileWhileItHoldsSomething)
{
    FolderCloudAccount account(m_folder);
    writeIdentity("token-from-another-machine\n");
    EXPECT_EQ(account.ubiquityIdentityToken(), QByteArray("token-from-another-machine"));
    writeIdentity("");
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);
    writeIdentity(" \n");
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);
    writeIdentity("back");
    EXPECT_EQ(account.ubiquityIdentityToken(), QByteArray("back"));
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/identity")));
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);
}

TEST_F(FolderCloudAccountTest, StandardAccountUsesTheStandardFolder)
{
    const QString folder = platform::FolderKeyValueStore::standardFolder();
    QDir(folder).removeRecursively();
    const auto account = FolderCloudAccount::createStandard();
    ASSERT_TRUE(account->ubiquityIdentityToken());
    QFile file(folder + QStringLiteral("/identity"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), *account->ubiquityIdentityToken());
    QDir(folder).removeRecursively();
}

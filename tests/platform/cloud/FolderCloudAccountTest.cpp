#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/time/TestClock.h"
#include "tests/support/Patience.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using platform::FolderCloudAccount;

namespace {

// Its answer once its first read has landed.
std::optional<QByteArray> firstToken(const platform::FolderCloudAccount& account)
{
    account.known().waitForFinished();
    return account.ubiquityIdentityToken();
}

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

    // A second on, which lets the next call ask for another read; true once a call answers `token`.
    bool readsAgain(const FolderCloudAccount& account, const std::optional<QByteArray>& token)
    {
        m_clock.advance(1);
        return QTest::qWaitFor([&] { return account.ubiquityIdentityToken() == token; }, testsupport::patienceMs);
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("tolvar/cloud"));
    platform::TestClock m_clock;
};

} // namespace

TEST_F(FolderCloudAccountTest, MissingFolderIsMadeWithAFreshTokenOnce)
{
    FolderCloudAccount account(m_folder, m_clock);
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);

    ASSERT_TRUE(FolderCloudAccount::createFolderIfMissing(m_folder));
    m_clock.advance(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return account.ubiquityIdentityToken().has_value(); }, testsupport::patienceMs));
    const std::optional<QByteArray> token = account.ubiquityIdentityToken();
    EXPECT_GE(token->size(), 32);
    EXPECT_EQ(QDir(m_dir.filePath(QStringLiteral("tolvar")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("cloud") });

    EXPECT_FALSE(FolderCloudAccount::createFolderIfMissing(m_folder));
    EXPECT_TRUE(readsAgain(account, token));

    QTemporaryDir other;
    const QString otherFolder = other.filePath(QStringLiteral("cloud"));
    ASSERT_TRUE(FolderCloudAccount::createFolderIfMissing(otherFolder));
    EXPECT_NE(firstToken(FolderCloudAccount(otherFolder, m_clock)), token);
}

TEST_F(FolderCloudAccountTest, ReceivedFolderWithoutTokenStaysSignedOut)
{
    QDir().mkpath(m_folder);
    EXPECT_FALSE(FolderCloudAccount::createFolderIfMissing(m_folder));
    EXPECT_FALSE(QFileInfo::exists(m_folder + QStringLiteral("/identity")));
    EXPECT_EQ(firstToken(FolderCloudAccount(m_folder, m_clock)), std::nullopt);
}

TEST_F(FolderCloudAccountTest, TokenIsTheIdentityFileWhileItHoldsSomething)
{
    FolderCloudAccount account(m_folder, m_clock);
    writeIdentity("token-from-another-machine\n");
    EXPECT_TRUE(readsAgain(account, QByteArray("token-from-another-machine")));
    writeIdentity("");
    EXPECT_TRUE(readsAgain(account, std::nullopt));
    writeIdentity(" \n");
    EXPECT_TRUE(readsAgain(account, std::nullopt));
    writeIdentity("back");
    EXPECT_TRUE(readsAgain(account, QByteArray("back")));
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/identity")));
    EXPECT_TRUE(readsAgain(account, std::nullopt));
}

// The caller is answered with the last read, not by reading the file again: on a slow folder every call would wait.
TEST_F(FolderCloudAccountTest, CallsAnswerWithTheLastReadUntilItIsASecondOld)
{
    writeIdentity("first");
    FolderCloudAccount account(m_folder, m_clock);
    EXPECT_EQ(firstToken(account), QByteArray("first"));
    writeIdentity("second");
    m_clock.advance(0.9);
    EXPECT_EQ(account.ubiquityIdentityToken(), QByteArray("first"));
    EXPECT_TRUE(readsAgain(account, QByteArray("second")));
    // A clock set back asks again too.
    writeIdentity("third");
    m_clock.setNow(m_clock.now().addingSeconds(-3600));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return account.ubiquityIdentityToken() == QByteArray("third"); }, testsupport::patienceMs));
}

TEST_F(FolderCloudAccountTest, StandardAccountUsesTheStandardFolder)
{
    const QString folder = platform::FolderKeyValueStore::standardFolder();
    QDir(folder).removeRecursively();
    const auto account = FolderCloudAccount::createStandard(m_clock);
    ASSERT_TRUE(firstToken(*account));
    QFile file(folder + QStringLiteral("/identity"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), *account->ubiquityIdentityToken());
    QDir(folder).removeRecursively();
}

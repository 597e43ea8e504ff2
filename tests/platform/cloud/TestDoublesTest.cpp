#include "platform/cloud/MemoryKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using platform::MemoryKeyValueStore;

TEST(MemoryKeyValueStore, PlaysAnotherMachineWithoutCountingItsWrites)
{
    MemoryKeyValueStore store;
    QSignalSpy spy(&store, &MemoryKeyValueStore::externalChange);
    store.setData("mine", QStringLiteral("a"));
    store.setRemoteData("theirs", QStringLiteral("b"));
    EXPECT_TRUE(spy.isEmpty());
    store.postExternalChange({ QStringLiteral("b") });
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(spy.at(0).at(0).toStringList(), QStringList { QStringLiteral("b") });
    EXPECT_EQ(store.data(QStringLiteral("a")), QByteArray("mine"));
    EXPECT_EQ(store.data(QStringLiteral("b")), QByteArray("theirs"));
    EXPECT_EQ(store.data(QStringLiteral("c")), std::nullopt);
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(store.writeCount(), 1);
    EXPECT_EQ(store.synchronizeCount(), 1);
}

TEST(TestCloudAccount, SignsInAndOut)
{
    platform::TestCloudAccount account;
    EXPECT_TRUE(account.ubiquityIdentityToken());
    account.setToken(std::nullopt);
    EXPECT_EQ(account.ubiquityIdentityToken(), std::nullopt);
    account.setToken(QByteArray("other"));
    EXPECT_EQ(account.ubiquityIdentityToken(), QByteArray("other"));
}

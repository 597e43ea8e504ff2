// What another program can leave in the shared folder besides files: nothing there may hold the caller,
// which is the main thread.
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/time/TestClock.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace platform;

namespace {

// Runs `work` on a thread of its own; a call still blocked after two minutes, far above any need, is blocked for
// good and ends the test.
template <typename Work> auto finishing(Work work)
{
    auto result = std::async(std::launch::async, work);
    if (result.wait_for(std::chrono::minutes(2)) != std::future_status::ready) {
        std::fprintf(stderr, "A read in the shared folder blocked\n");
        std::_Exit(1);
    }
    return result.get();
}

class HostileFilesTest : public ::testing::Test
{
protected:
    HostileFilesTest() { QDir().mkpath(m_folder); }

    void makeFifo(const QString& name) const
    {
        ASSERT_EQ(mkfifo(QFile::encodeName(m_folder + u'/' + name).constData(), 0600), 0) << qPrintable(name);
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("cloud"));
    TestClock m_clock { Date(1000) };
};

} // namespace

TEST_F(HostileFilesTest, AFifoNamedIdentityReadsAsSignedOut)
{
    makeFifo(QStringLiteral("identity"));
    const FolderCloudAccount account(m_folder, m_clock);
    EXPECT_EQ(finishing([&] {
        account.known().waitForFinished();
        return account.ubiquityIdentityToken();
    }),
        std::nullopt);
}

TEST_F(HostileFilesTest, FifosAmongTheDeviceFilesAreSkippedAlone)
{
    QSaveFile peer(m_folder + QStringLiteral("/peer.json"));
    ASSERT_TRUE(peer.open(QIODevice::WriteOnly));
    peer.write(R"({"k": {"value": "dg==", "time": 900, "device": "peer"}})");
    ASSERT_TRUE(peer.commit());
    makeFifo(QStringLiteral("pipe"));
    // A link to a FIFO looks like a device file until it is opened; so does our own file made a FIFO.
    ASSERT_TRUE(QFile::link(m_folder + QStringLiteral("/pipe"), m_folder + QStringLiteral("/linked.json")));
    makeFifo(QStringLiteral("mine.json"));

    finishing([&] { return FolderKeyValueStore(m_folder, "mine", m_clock).deviceName(); });
    // Made on this thread, where its reads of the other files end.
    auto store = std::make_unique<FolderKeyValueStore>(m_folder, "mine", m_clock);
    const auto readEnds = [](FolderKeyValueStore& store) {
        if (!QTest::qWaitFor([&] { return !store.isReadingPeerFiles(); }, 2 * 60'000)) {
            std::fprintf(stderr, "A read in the shared folder blocked\n");
            std::_Exit(1);
        }
    };
    readEnds(*store);
    EXPECT_EQ(store->data(QStringLiteral("k")), QByteArray("v"));
    EXPECT_TRUE(finishing([&] { return store->synchronize(); }));
    readEnds(*store);
    // Our write replaced the FIFO with our own file.
    store->setData("w", QStringLiteral("own"));
    EXPECT_TRUE(store->flush());
    FolderKeyValueStore other(m_folder, "other", m_clock);
    readEnds(other);
    EXPECT_EQ(other.data(QStringLiteral("own")), QByteArray("w"));
}

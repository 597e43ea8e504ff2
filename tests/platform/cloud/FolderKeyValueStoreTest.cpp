#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/cloud/StoppableBytes.h"
#include "platform/files/MemoryGate.h"
#include "platform/time/TestClock.h"
#include "tests/platform/cloud/ReadHold.h"
#include "tests/support/WarningLog.h"
#include "tests/support/WithoutPrivileges.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string_view>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

using platform::Date;
using platform::FolderKeyValueStore;

namespace {

// Bounds far above any need, so that only a change or a read that never comes fails.
constexpr int changeTimeoutMs = 5 * 60'000;
constexpr int readTimeoutMs = 5 * 60'000;

class FolderKeyValueStoreTest : public ::testing::Test
{
protected:
    FolderKeyValueStoreTest() { QDir().mkpath(m_folder); }

    // Once it has read the other devices' files.
    std::unique_ptr<FolderKeyValueStore> store(const QString& device)
    {
        flushAll();
        auto made = std::make_unique<FolderKeyValueStore>(m_folder, device, m_clock);
        m_made.append(made.get());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !made->isReadingPeerFiles(); }, readTimeoutMs));
        return made;
    }

    // Written the way a synchronisation tool delivers a file: complete, renamed into place.
    void writeDeviceFile(const QString& name, const QByteArray& bytes) const
    {
        QSaveFile file(m_folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    }

    static QByteArray entry(const char* value, double time, const char* device)
    {
        return QByteArray::fromStdString(nlohmann::json(
            { { "value", QByteArray(value).toBase64().toStdString() }, { "time", time },
                { "device", device } }).dump());
    }

    // The value our own file holds for `key`, as another machine reads it.
    QByteArray ownValue(const char* device, const char* key) const
    {
        QFile file(m_folder + u'/' + QLatin1String(device) + QStringLiteral(".json"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
        if (!json.is_object() || !json.contains(key))
            return {};
        return QByteArray::fromBase64(QByteArray::fromStdString(json[key].value("value", "")));
    }

    // Synchronises, then waits (bounded) for the read of the other devices' files to end.
    // Each store writes its file on a thread of its own: what one wrote is on disk for the others once flushed.
    void flushAll()
    {
        for (const QPointer<FolderKeyValueStore>& made : std::as_const(m_made)) {
            if (made)
                made->flush();
        }
    }

    bool synchronized(FolderKeyValueStore& store)
    {
        flushAll();
        // The first retries a write that failed, which lands before the second tells how it went.
        store.synchronize();
        store.flush();
        const bool result = store.synchronize();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !store.isReadingPeerFiles(); }, readTimeoutMs));
        return result;
    }

    // Every key posted so far, waiting (bounded) for the first post.
    static QStringList postedKeys(QSignalSpy& spy)
    {
        if (spy.isEmpty())
            spy.wait(changeTimeoutMs);
        QStringList keys;
        for (const QList<QVariant>& arguments : spy)
            keys += arguments.at(0).toStringList();
        return keys;
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath(QStringLiteral("cloud"));
    platform::TestClock m_clock { Date(1000) };
    QList<QPointer<FolderKeyValueStore>> m_made;
};

} // namespace

TEST_F(FolderKeyValueStoreTest, WritesOnlyItsOwnFileAndReadsItBackAfterARestart)
{
    store(QStringLiteral("alice"))->setData(QByteArray("\0v", 2), QStringLiteral("k"));
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files), QStringList { QStringLiteral("alice.json") });

    QFile file(m_folder + QStringLiteral("/alice.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    const nlohmann::json expected = { { "k", { { "value", "AHY=" }, { "time", 1000.0 }, { "device", "alice" } } } };
    EXPECT_EQ(json, expected);
    EXPECT_EQ(store(QStringLiteral("alice"))->data(QStringLiteral("k")), QByteArray("\0v", 2));
    EXPECT_EQ(store(QStringLiteral("alice"))->data(QStringLiteral("other")), std::nullopt);
}

// A write that changes one entry lays the whole file out as a write of every entry always has.
TEST_F(FolderKeyValueStoreTest, AWriteOfOneEntryLaysOutTheFileAsBefore)
{
    const auto alice = store(QStringLiteral("alice"));
    alice->setData("large", QStringLiteral("a"));
    alice->setData("first", QStringLiteral("b"));
    ASSERT_TRUE(alice->flush());
    alice->setData("second", QStringLiteral("b"));
    ASSERT_TRUE(alice->flush());

    QFile file(m_folder + QStringLiteral("/alice.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    EXPECT_EQ(bytes.toStdString(), json.dump(1, '\t') + '\n');
    EXPECT_EQ(json["a"]["value"], "bGFyZ2U=");
    EXPECT_EQ(json["b"]["value"], "c2Vjb25k");
}

TEST_F(FolderKeyValueStoreTest, TwoDevicesSeeEachOthersWritesAsExternalChanges)
{
    auto alice = store(QStringLiteral("alice"));
    auto bob = store(QStringLiteral("bob"));
    QSignalSpy aliceSpy(alice.get(), &FolderKeyValueStore::externalChange);
    QSignalSpy bobSpy(bob.get(), &FolderKeyValueStore::externalChange);

    alice->setData("from alice", QStringLiteral("a"));
    EXPECT_EQ(postedKeys(bobSpy), QStringList { QStringLiteral("a") });
    EXPECT_EQ(bob->data(QStringLiteral("a")), QByteArray("from alice"));

    // Each replacement of bob's file must be noticed, not only the first.
    for (const char* value : { "first", "second", "third" }) {
        m_clock.advance(1);
        aliceSpy.clear();
        bob->setData(value, QStringLiteral("b"));
        EXPECT_EQ(postedKeys(aliceSpy), QStringList { QStringLiteral("b") }) << value;
        EXPECT_EQ(alice->data(QStringLiteral("b")), QByteArray(value));
    }

    // Neither device hears of its own writes, once every read they started has been posted.
    ASSERT_TRUE(synchronized(*alice));
    ASSERT_TRUE(synchronized(*bob));
    QCoreApplication::processEvents();
    for (const QList<QVariant>& arguments : aliceSpy)
        EXPECT_FALSE(arguments.at(0).toStringList().contains(QStringLiteral("a")));
    EXPECT_FALSE(postedKeys(bobSpy).contains(QStringLiteral("b")));
}

TEST_F(FolderKeyValueStoreTest, ChangedFilesInPlaceAndRemovedFilesAreNoticed)
{
    auto alice = store(QStringLiteral("alice"));
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);

    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("one", 5, "carol") + "}");
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("k") });
    spy.clear();
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("replaced", 6, "carol") + "}");
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("k") });

    // Written in place after a replacement: only a watch on the new file sees this.
    spy.clear();
    QFile inPlace(m_folder + QStringLiteral("/carol.json"));
    ASSERT_TRUE(inPlace.open(QIODevice::WriteOnly | QIODevice::Truncate));
    inPlace.write("{\"k\":" + entry("two", 7, "carol") + "}");
    inPlace.close();
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("k") });
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("two"));

    spy.clear();
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/carol.json")));
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("k") });
    EXPECT_EQ(alice->data(QStringLiteral("k")), std::nullopt);
}

TEST_F(FolderKeyValueStoreTest, LatestWriteWinsAndEveryWriteReadsBackAsTheNewest)
{
    auto alice = store(QStringLiteral("alice"));
    auto bob = store(QStringLiteral("bob"));

    m_clock.setNow(Date(100));
    bob->setData("bob at 100", QStringLiteral("k"));
    m_clock.setNow(Date(200));
    alice->setData("alice at 200", QStringLiteral("k"));
    ASSERT_TRUE(synchronized(*bob));
    EXPECT_EQ(bob->data(QStringLiteral("k")), QByteArray("alice at 200"));

    // Bob's clock is slow, but he has seen alice's write: his answer to it must not be lost.
    m_clock.setNow(Date(150));
    bob->setData("bob at 150", QStringLiteral("k"));
    EXPECT_EQ(bob->data(QStringLiteral("k")), QByteArray("bob at 150"));
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("bob at 150"));

    // A peer five minutes ahead: a dismissal written here still reads back at once, here and there.
    m_clock.setNow(Date(1000));
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("carol ahead", 1300, "carol") + "}");
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("carol ahead"));
    alice->setData("dismissed", QStringLiteral("k"));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("dismissed"));
    ASSERT_TRUE(synchronized(*bob));
    EXPECT_EQ(bob->data(QStringLiteral("k")), QByteArray("dismissed"));
    m_clock.advance(600);
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("dismissed"));
}

TEST_F(FolderKeyValueStoreTest, TimesFarAheadNeverWinForEver)
{
    m_clock.setNow(Date(1000));
    writeDeviceFile(QStringLiteral("carol.json"),
        "{\"far\":" + entry("carol far", 1e300, "carol")
            + ",\"day\":" + entry("carol tomorrow", 1000 + 86400 - 60, "carol") + "}");
    auto alice = store(QStringLiteral("alice"));
    // Alone it is still the value.
    EXPECT_EQ(alice->data(QStringLiteral("far")), QByteArray("carol far"));

    for (const char* key : { "far", "day" })
        alice->setData("alice", QString::fromLatin1(key));
    EXPECT_EQ(alice->data(QStringLiteral("far")), QByteArray("alice"));
    // Nearly a day ahead is a clock one can still trust: the write goes after it.
    EXPECT_EQ(alice->data(QStringLiteral("day")), QByteArray("alice"));
    m_clock.advance(3 * 86400);
    auto bob = store(QStringLiteral("bob"));
    for (const char* key : { "far", "day" }) {
        EXPECT_EQ(alice->data(QString::fromLatin1(key)), QByteArray("alice")) << key;
        EXPECT_EQ(bob->data(QString::fromLatin1(key)), QByteArray("alice")) << key;
    }

    // The far time is not copied into our own stamps.
    QFile file(m_folder + QStringLiteral("/alice.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    EXPECT_EQ(json["far"]["time"], 1000.0);
    EXPECT_GT(json["day"]["time"].get<double>(), 1000.0 + 86400 - 60);
}

TEST_F(FolderKeyValueStoreTest, WritesAtOneTimeThatMissedEachOtherGoToTheGreaterDeviceName)
{
    auto alice = store(QStringLiteral("alice"));
    auto bob = store(QStringLiteral("bob"));
    m_clock.setNow(Date(300));
    alice->setData("alice at 300", QStringLiteral("t"));
    bob->setData("bob at 300", QStringLiteral("t"));
    ASSERT_TRUE(synchronized(*alice));
    ASSERT_TRUE(synchronized(*bob));
    EXPECT_EQ(alice->data(QStringLiteral("t")), QByteArray("bob at 300"));
    EXPECT_EQ(bob->data(QStringLiteral("t")), QByteArray("bob at 300"));

    // Having seen bob's, alice's next write goes after it although the clock stands still.
    alice->setData("alice again", QStringLiteral("t"));
    ASSERT_TRUE(synchronized(*bob));
    EXPECT_EQ(alice->data(QStringLiteral("t")), QByteArray("alice again"));
    EXPECT_EQ(bob->data(QStringLiteral("t")), QByteArray("alice again"));
}

TEST_F(FolderKeyValueStoreTest, PeerFilesWrittenAgainWithTheirSizeAndTimeAreReadAgain)
{
    const QString path = m_folder + QStringLiteral("/carol.json");
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("one", 5, "carol") + "}");
    const QDateTime modified(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    auto alice = store(QStringLiteral("alice"));
    ASSERT_EQ(alice->data(QStringLiteral("k")), QByteArray("one"));

    // Same size, same time, same file, as cp -p leaves it: only its change time tells. The file system's clock
    // moves in steps of some milliseconds.
    QTest::qWait(30);
    QFile inPlace(path);
    ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite));
    inPlace.write("{\"k\":" + entry("two", 5, "carol") + "}");
    ASSERT_TRUE(inPlace.flush());
    ASSERT_TRUE(inPlace.setFileTime(modified, QFileDevice::FileModificationTime));
    inPlace.close();
    ASSERT_EQ(QFileInfo(path).lastModified(), modified);
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("two"));
}

TEST_F(FolderKeyValueStoreTest, OversizedPeerFileIsSkippedWithOneLogLine)
{
    const QByteArray good = "{\"k\":" + entry("small", 5, "carol") + "}";
    writeDeviceFile(QStringLiteral("carol.json"),
        good + QByteArray(FolderKeyValueStore::maximumPeerFileSize - good.size() + 1, ' '));
    writeDeviceFile(QStringLiteral("dave.json"), "{\"d\":" + entry("dave", 5, "dave") + "}");
    WarningLog log;
    auto alice = store(QStringLiteral("alice"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), std::nullopt);
    EXPECT_EQ(alice->data(QStringLiteral("d")), QByteArray("dave"));
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("carol.json")));

    // At the limit it is read.
    writeDeviceFile(
        QStringLiteral("carol.json"), good + QByteArray(FolderKeyValueStore::maximumPeerFileSize - good.size(), ' '));
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("small"));
    EXPECT_EQ(log.lines().size(), 1);
}

TEST_F(FolderKeyValueStoreTest, OwnFileOfAnySizeIsReadBackAndItsSizeIsLogged)
{
    // Base64 makes 40 MB of these in the file, over what peers read.
    const QByteArray records(30'000'000, 'r');
    WarningLog log;
    {
        auto alice = store(QStringLiteral("alice"));
        alice->setData(records, QStringLiteral("records"));
        alice->setData("dismissed", QStringLiteral("states"));
    }
    const QString path = m_folder + QStringLiteral("/alice.json");
    ASSERT_GT(QFileInfo(path).size(), 40'000'000);
    // Said once, when the file passed the size.
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(log.lines().first().contains(path)) << log.lines().first().toStdString();

    {
        auto restarted = store(QStringLiteral("alice"));
        EXPECT_EQ(restarted->data(QStringLiteral("records")), records);
        EXPECT_EQ(restarted->data(QStringLiteral("states")), QByteArray("dismissed"));
        m_clock.advance(1);
        restarted->setData("snoozed", QStringLiteral("states"));
    }
    auto again = store(QStringLiteral("alice"));
    EXPECT_EQ(again->data(QStringLiteral("records")), records);
    EXPECT_EQ(again->data(QStringLiteral("states")), QByteArray("snoozed"));
    EXPECT_TRUE(QDir(m_folder).entryList({ QStringLiteral("alice.json.broken-*") }).isEmpty());
}

// A device file's read holds what it takes in the memory gate the calendars' parses take theirs through: it waits
// while they hold the memory; a peer's file that cannot fit even alone keeps what it held until the memory is there,
// and ours, which must be read, is read alone.
TEST_F(FolderKeyValueStoreTest, DeviceFilesAreReadThroughTheMemoryGateOfTheCalendars)
{
    writeDeviceFile(QStringLiteral("alice.json"), "{\"k\":" + entry("mine", 5, "alice") + "}");
    writeDeviceFile(QStringLiteral("carol.json"), "{\"c\":" + entry("first", 5, "carol") + "}");
    const Qt::HANDLE caller = QThread::currentThreadId();
    std::atomic<qint64> available = qint64(1) << 30;
    std::atomic<int> measuredByReads = 0;
    const auto memory = std::make_shared<platform::MemoryGate>([&] {
        measuredByReads += QThread::currentThreadId() != caller;
        return std::optional<qint64>(available);
    });
    platform::MemoryGate& gate = *memory;
    // As a calendar's parse holds all but a little; the next reservation measures afresh.
    const auto hold = [&] {
        EXPECT_EQ(gate.reserve(available - 64), platform::MemoryGate::Answer::reserved);
        gate.measureAgain();
        measuredByReads = 0;
    };
    const auto awaitRead = [&] { EXPECT_TRUE(QTest::qWaitFor([&] { return measuredByReads > 0; }, readTimeoutMs)); };

    hold();
    FolderKeyValueStore alice(m_folder, QStringLiteral("alice"), m_clock);
    alice.setMemoryGate(memory);
    awaitRead();
    EXPECT_FALSE(alice.hasReadOwnValues());
    gate.release(available - 64);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice.isReadingPeerFiles(); }, readTimeoutMs));
    EXPECT_EQ(alice.data(QStringLiteral("k")), QByteArray("mine"));
    EXPECT_EQ(alice.data(QStringLiteral("c")), QByteArray("first"));

    hold();
    writeDeviceFile(QStringLiteral("carol.json"), "{\"c\":" + entry("second", 6, "carol") + "}");
    alice.synchronize();
    awaitRead();
    EXPECT_EQ(alice.data(QStringLiteral("c")), QByteArray("first"));
    gate.release(available - 64);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice.data(QStringLiteral("c")) == "second"; }, readTimeoutMs));

    // Too little for either file even alone.
    available = 64;
    gate.measureAgain();
    writeDeviceFile(QStringLiteral("carol.json"), "{\"c\":" + entry("third", 7, "carol") + "}");
    WarningLog log;
    ASSERT_TRUE(synchronized(alice));
    EXPECT_EQ(alice.data(QStringLiteral("c")), QByteArray("second"));
    EXPECT_FALSE(log.linesWith(QStringLiteral("carol.json")).isEmpty());
    FolderKeyValueStore restarted(m_folder, QStringLiteral("alice"), m_clock);
    restarted.setMemoryGate(memory);
    EXPECT_TRUE(QCoro::waitFor(restarted.waitForOwnValues()));
    EXPECT_EQ(restarted.data(QStringLiteral("k")), QByteArray("mine"));

    available = qint64(1) << 30;
    gate.measureAgain();
    ASSERT_TRUE(synchronized(alice));
    EXPECT_EQ(alice.data(QStringLiteral("c")), QByteArray("third"));
}

TEST_F(FolderKeyValueStoreTest, OnlyKeysWhoseWinningValueChangedArePosted)
{
    auto alice = store(QStringLiteral("alice"));
    m_clock.setNow(Date(500));
    alice->setData("alice", QStringLiteral("k"));
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);

    writeDeviceFile(QStringLiteral("carol.json"),
        "{\"k\":" + entry("older", 400, "carol") + ",\"n\":" + entry("new", 1, "carol") + "}");
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("n") });
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("alice"));
}

TEST_F(FolderKeyValueStoreTest, MalformedDeviceFilesAndEntriesAreSkippedAlone)
{
    writeDeviceFile(QStringLiteral("broken.json"), "{\"k\": {\"value\": ");
    writeDeviceFile(QStringLiteral("array.json"), "[1, 2]");
    writeDeviceFile(QStringLiteral("deep.json"), QByteArray(100'000, '[') + QByteArray(100'000, ']'));
    writeDeviceFile(QStringLiteral(".hidden.json"), "{\"hidden\":" + entry("partial download", 9, "x") + "}");
    writeDeviceFile(QStringLiteral("carol.json.tmp"), "{\"tmp\":" + entry("temporary", 9, "x") + "}");
    writeDeviceFile(QStringLiteral("carol.json"), "{\"good\":" + entry("kept", 5, "carol") + R"(,
          "badBase64": {"value": "@@@", "time": 5, "device": "carol"},
          "noTime": {"value": "eA==", "device": "carol"},
          "textTime": {"value": "eA==", "time": "5", "device": "carol"},
          "noDevice": {"value": "eA==", "time": 5},
          "notAnObject": 12})");
    // Long values, read apart from the rest of the file, as every other value is; a writer may escape a slash.
    const QByteArray slashes = QByteArray(6000, '\xff').toBase64();
    writeDeviceFile(QStringLiteral("dave.json"),
        "{\"escaped\": {\"value\": \"\\/" + slashes.mid(1) + "\", \"time\": 5, \"device\": \"dave\"},"
            + "\"notBase64\": {\"value\": \"" + QByteArray(6000, '@') + "\", \"time\": 5, \"device\": \"dave\"},"
            + "\"deeper\": {\"x\": {\"value\": \"" + slashes
            + "\"}, \"value\": \"eA==\", \"time\": 5, \"device\": \"dave\"}}");

    auto alice = store(QStringLiteral("alice"));
    EXPECT_EQ(alice->data(QStringLiteral("good")), QByteArray("kept"));
    for (const char* key :
        { "k", "badBase64", "noTime", "textTime", "noDevice", "notAnObject", "hidden", "tmp", "notBase64" })
        EXPECT_EQ(alice->data(QString::fromLatin1(key)), std::nullopt) << key;
    EXPECT_EQ(alice->data(QStringLiteral("escaped")), QByteArray(6000, '\xff'));
    EXPECT_EQ(alice->data(QStringLiteral("deeper")), QByteArray("x"));
}

TEST_F(FolderKeyValueStoreTest, PeerFilesAreDecodedOffTheCallersThreadAndValuesThatDoNotDecodeArePassedOver)
{
    // The worker's decodes wait here, so that the test sees the caller go on meanwhile.
    QSemaphore gate;
    std::atomic<int> decodedOnWorker = 0;
    const Qt::HANDLE caller = QThread::currentThreadId();
    const auto decoder = [&](const QByteArray& data) -> QVariant {
        if (QThread::currentThreadId() != caller) {
            EXPECT_TRUE(gate.tryAcquire(1, changeTimeoutMs));
            ++decodedOnWorker;
        }
        return data.startsWith('[') ? QVariant(data.size()) : QVariant();
    };
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("[1]", 5, "carol") + "}");
    auto alice = store(QStringLiteral("alice"));
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);
    alice->setDecoder(QStringLiteral("k"), decoder);
    // What is held is decoded at once.
    EXPECT_EQ(alice->decodedData(QStringLiteral("k")), QVariant(3));

    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("[1, 2]", 6, "carol") + "}");
    EXPECT_TRUE(alice->synchronize());
    EXPECT_TRUE(alice->isReadingPeerFiles());
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("[1]"));
    gate.release();
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("k") });
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("[1, 2]"));
    EXPECT_EQ(alice->decodedData(QStringLiteral("k")), QVariant(6));
    EXPECT_EQ(decodedOnWorker, 1);

    // A newer value that does not decode is passed over alone, and said in the log.
    gate.release(100);
    WarningLog log;
    writeDeviceFile(QStringLiteral("dave.json"),
        "{\"k\":" + entry("{\"not\": \"a list\"}", 7, "dave") + ",\"d\":" + entry("[4]", 7, "dave") + "}");
    ASSERT_TRUE(synchronized(*alice));
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("[1, 2]"));
    EXPECT_EQ(alice->data(QStringLiteral("d")), QByteArray("[4]"));
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("dave.json"))) << log.lines().first().toStdString();
    EXPECT_EQ(alice->decodedData(QStringLiteral("d")), QVariant()) << "a key without a decoder";

    // Our own write is decoded as it is made, and goes after everything seen.
    alice->setData("[3]", QStringLiteral("k"));
    EXPECT_EQ(alice->decodedData(QStringLiteral("k")), QVariant(3));
    auto bob = store(QStringLiteral("bob"));
    bob->setDecoder(QStringLiteral("k"), decoder);
    EXPECT_EQ(bob->data(QStringLiteral("k")), QByteArray("[3]"));
}

// Made while our file and the peers' are large, the store reads them all on the worker, ours first; a write made
// before ours is read waits for it and keeps what it held.
TEST_F(FolderKeyValueStoreTest, OurOwnFileAndThePeersAreReadOnTheWorkerFromTheStart)
{
    writeDeviceFile(QStringLiteral("alice.json"),
        "{\"mine\":" + entry("[1]", 5, "alice") + ",\"later\":" + entry("[0]", 5, "alice") + "}");
    writeDeviceFile(QStringLiteral("carol.json"), "{\"theirs\":" + entry("[2]", 5, "carol") + "}");
    std::atomic<int> decodedHere = 0;
    std::atomic<int> decodedOnWorker = 0;
    const Qt::HANDLE caller = QThread::currentThreadId();
    const auto decoder = [&](const QByteArray& data) -> QVariant {
        ++(QThread::currentThreadId() == caller ? decodedHere : decodedOnWorker);
        return QVariant(data.size());
    };

    auto alice = std::make_unique<FolderKeyValueStore>(m_folder, QStringLiteral("alice"), m_clock);
    m_made.append(alice.get());
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);
    EXPECT_TRUE(alice->isReadingPeerFiles());
    EXPECT_FALSE(alice->hasReadOwnValues());
    EXPECT_EQ(alice->data(QStringLiteral("mine")), std::nullopt);
    // Decoders given right after the store is made are used by its first reads.
    alice->setDecoder(QStringLiteral("mine"), decoder);
    alice->setDecoder(QStringLiteral("theirs"), decoder);
    alice->setData("[3]", QStringLiteral("later"));
    EXPECT_EQ(alice->data(QStringLiteral("later")), QByteArray("[3]"));

    EXPECT_TRUE(QCoro::waitFor(alice->waitForOwnValues()));
    EXPECT_EQ(alice->data(QStringLiteral("mine")), QByteArray("[1]"));
    EXPECT_EQ(alice->data(QStringLiteral("later")), QByteArray("[3]")) << "the write goes after what the file held";
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("theirs") });
    // Once more, for the files watched only since they were read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alice->isReadingPeerFiles(); }, readTimeoutMs));
    EXPECT_EQ(alice->decodedData(QStringLiteral("theirs")), QVariant(3));
    EXPECT_EQ(alice->decodedData(QStringLiteral("mine")), QVariant(3));
    EXPECT_EQ(decodedOnWorker, 2);
    EXPECT_EQ(decodedHere, 0);
    auto bob = store(QStringLiteral("bob"));
    EXPECT_EQ(bob->data(QStringLiteral("mine")), QByteArray("[1]"));
    EXPECT_EQ(bob->data(QStringLiteral("later")), QByteArray("[3]"));
}

// A write made while our own file is read (held here) waits for that read, and a quit waits for it too; a quit
// without such a write gives the read up and leaves the file as it was.
TEST_F(FolderKeyValueStoreTest, AWriteMadeWhileOurFileIsReadKeepsWhatItHeldThroughAQuit)
{
    const QByteArray held = "{\"hold\":" + entry("[1]", 5, "alice") + ",\"k\":" + entry("old", 5, "alice") + "}";
    for (const char* ending : { "read", "quit after the read", "quit during the read, no write" }) {
        SCOPED_TRACE(ending);
        const bool writes = std::string_view(ending) != "quit during the read, no write";
        writeDeviceFile(QStringLiteral("alice.json"), held);
        ReadHold hold;
        auto alice = std::make_unique<FolderKeyValueStore>(m_folder, QStringLiteral("alice"), m_clock);
        alice->setDecoder(QStringLiteral("hold"), hold.decoder());
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.isHeld(); }, readTimeoutMs));
        if (writes)
            alice->setData("new", QStringLiteral("k"));
        EXPECT_FALSE(alice->hasReadOwnValues());
        if (std::string_view(ending) == "read") {
            hold.release();
            EXPECT_TRUE(QCoro::waitFor(alice->waitForOwnValues()));
            EXPECT_EQ(alice->data(QStringLiteral("hold")), QByteArray("[1]"));
            EXPECT_TRUE(alice->flush());
        } else {
            // Let go on the worker only: the quit takes the read itself.
            if (writes)
                hold.release();
            alice.reset();
            // Not waited for by the quit: it ends on its own.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !hold.isHeld(); }, readTimeoutMs));
            EXPECT_EQ(hold.sawStop(), !writes);
        }
        EXPECT_EQ(ownValue("alice", "hold"), "[1]");
        EXPECT_EQ(ownValue("alice", "k"), writes ? "new" : "old");
        EXPECT_TRUE(QDir(m_folder).entryList({ QStringLiteral("alice.json.broken-*") }).isEmpty());
    }
}

// Our writes land in order while a read of the other devices' files is under way, and a quit gives that read up
// and keeps them; until the read is whole the store says it has not read the peer files.
TEST_F(FolderKeyValueStoreTest, OurWritesLandInOrderWhileAReadIsHeldAndOutliveAQuitThatGivesItUp)
{
    writeDeviceFile(QStringLiteral("bob.json"), "{\"hold\":" + entry("[1]", 5, "bob") + "}");
    for (const bool quit : { false, true }) {
        ReadHold hold;
        auto alice = std::make_unique<FolderKeyValueStore>(m_folder, QStringLiteral("alice"), m_clock);
        alice->setDecoder(QStringLiteral("hold"), hold.decoder());
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.isHeld(); }, readTimeoutMs)) << quit;

        for (int write = 1; write <= 20; ++write) {
            alice->setData(QByteArray::number(write), QStringLiteral("k"));
            EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray::number(write));
        }
        EXPECT_TRUE(alice->flush());
        EXPECT_EQ(ownValue("alice", "k"), "20") << quit;
        EXPECT_TRUE(hold.isHeld());
        EXPECT_FALSE(alice->hasReadPeerFiles());
        if (quit) {
            alice.reset();
            EXPECT_TRUE(QTest::qWaitFor([&] { return hold.sawStop() && !hold.isHeld(); }, readTimeoutMs));
        } else {
            hold.release();
            EXPECT_TRUE(QTest::qWaitFor([&] { return alice->hasReadPeerFiles(); }, readTimeoutMs));
            EXPECT_EQ(alice->data(QStringLiteral("hold")), QByteArray("[1]"));
            EXPECT_FALSE(hold.sawStop());
        }
        EXPECT_EQ(ownValue("alice", "k"), "20") << quit;
    }
}

// A peer's file is mostly one long string: a quit ends its parse inside it, as at a truncated file.
TEST(StoppableBytes, EndAParseInsideALongStringOnceStopped)
{
    const QByteArray bytes = "{\"k\":\"" + QByteArray(8 << 20, 'x') + "\"}";
    const auto parse = [&](const std::function<bool()>& stopped) {
        return nlohmann::json::parse(platform::StoppableBytes(bytes.cbegin(), bytes.cend(), stopped),
            platform::StoppableBytes(bytes.cend(), bytes.cend(), stopped), nullptr, false);
    };
    int asked = 0;
    EXPECT_TRUE(parse([&] { return ++asked > 1; }).is_discarded());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(parse([] { return false; })["k"].get<std::string>().size(), 8u << 20);
}

// A file that cannot be watched is logged once and read at each synchronisation, not at every turn of the loop.
TEST_F(FolderKeyValueStoreTest, AFileThatCannotBeWatchedIsLoggedOnceAndNotReadOverAndOver)
{
    writeDeviceFile(QStringLiteral("bob.json"), "{\"b\":" + entry("from bob", 5, "bob") + "}");
    writeDeviceFile(QStringLiteral("carol.json"), "{\"c\":" + entry("from carol", 5, "carol") + "}");
    const auto all = QFileDevice::Permissions(0x7777);
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), all));
    ASSERT_TRUE(QFile::setPermissions(m_folder, all));
    ASSERT_TRUE(QFile::setPermissions(m_folder + QStringLiteral("/carol.json"), QFileDevice::WriteOwner));

    const auto check = [this] {
        WarningLog log;
        auto alice = store(QStringLiteral("alice"));
        for (int round = 0; round < 3; ++round)
            synchronized(*alice);
        int busy = 0;
        for (int sample = 0; sample < 50; ++sample) {
            QTest::qWait(10);
            busy += alice->isReadingPeerFiles();
        }
        const QStringList named = log.lines().filter(QStringLiteral("carol.json"));
        const bool saidOnce = named.filter(QStringLiteral("Cannot watch")).size() == 1 && named.size() <= 2;
        if (busy != 0 || !saidOnce)
            std::fprintf(stderr, "busy in %d samples; logged:\n%s\n", busy, qPrintable(named.join(u'\n')));
        return busy == 0 && saidOnce && alice->data(QStringLiteral("b")) == QByteArray("from bob");
    };
    // In a process of its own (the worker threads of this one do not survive a fork) that is not root, which
    // could watch any file.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const uid_t nobody = 65534;
            if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
                std::_Exit(2);
            std::_Exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST_F(FolderKeyValueStoreTest, FileCaughtMidWriteKeepsItsLastGoodValues)
{
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":" + entry("good", 5, "carol") + "}");
    auto alice = store(QStringLiteral("alice"));
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);
    writeDeviceFile(QStringLiteral("carol.json"), "{\"k\":{\"val");
    ASSERT_TRUE(synchronized(*alice));
    QCoreApplication::processEvents();
    EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray("good"));
    EXPECT_TRUE(spy.isEmpty());
}

TEST_F(FolderKeyValueStoreTest, DamagedOwnFileIsSetAsideNotOverwritten)
{
    writeDeviceFile(QStringLiteral("alice.json"), "damaged");
    WarningLog log;
    store(QStringLiteral("alice"))->setData("new", QStringLiteral("k"));
    const QStringList aside = QDir(m_folder).entryList({ QStringLiteral("alice.json.broken-*") });
    ASSERT_EQ(aside.size(), 1);
    // The log says where it went.
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(m_folder + u'/' + aside.first())) << log.lines().first().toStdString();
    QFile file(m_folder + u'/' + aside.first());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("damaged"));
    EXPECT_EQ(store(QStringLiteral("bob"))->data(QStringLiteral("k")), QByteArray("new"));
}

TEST_F(FolderKeyValueStoreTest, OwnFileThatCannotBeReadIsSetAsideNotOverwritten)
{
    const QByteArray mine = "{\"k\":" + entry("mine", 5, "alice") + "}";
    writeDeviceFile(QStringLiteral("alice.json"), mine);
    const auto all = QFileDevice::Permissions(0x7777);
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), all));
    ASSERT_TRUE(QFile::setPermissions(m_folder, all));
    ASSERT_TRUE(QFile::setPermissions(m_folder + QStringLiteral("/alice.json"), QFileDevice::WriteOwner));

    EXPECT_TRUE(holdsWithoutPrivileges([this] {
        FolderKeyValueStore alice(m_folder, QStringLiteral("alice"), m_clock);
        alice.setData("new", QStringLiteral("other"));
        return alice.data(QStringLiteral("other")) == QByteArray("new");
    }));
    const QStringList aside = QDir(m_folder).entryList({ QStringLiteral("alice.json.broken-*") });
    ASSERT_EQ(aside.size(), 1);
    QFile file(m_folder + u'/' + aside.first());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), mine);
}

TEST_F(FolderKeyValueStoreTest, MissingFolderIsNeverCreatedAndSynchronizeReportsIt)
{
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    auto alice = store(QStringLiteral("alice"));
    alice->setData("v", QStringLiteral("k"));
    EXPECT_FALSE(synchronized(*alice));
    EXPECT_FALSE(QFileInfo::exists(m_folder));

    // Once the folder arrives the pending write goes out and changes are watched.
    QDir().mkpath(m_folder);
    EXPECT_TRUE(synchronized(*alice));
    EXPECT_EQ(store(QStringLiteral("bob"))->data(QStringLiteral("k")), QByteArray("v"));
    QSignalSpy spy(alice.get(), &FolderKeyValueStore::externalChange);
    store(QStringLiteral("bob"))->setData("w", QStringLiteral("b"));
    EXPECT_EQ(postedKeys(spy), QStringList { QStringLiteral("b") });
}

TEST_F(FolderKeyValueStoreTest, StandardStoreKeepsItsDeviceNameOutsideTheSharedFolder)
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_EQ(FolderKeyValueStore::standardFolder(), dataHome + "/tolvar/cloud");
    const QString stateFile = dataHome + "/tolvar/device-name";
    QFile::remove(stateFile);

    const QString name = FolderKeyValueStore::createStandard(m_clock)->deviceName();
    EXPECT_TRUE(FolderKeyValueStore::isValidDeviceName(name));
    EXPECT_EQ(FolderKeyValueStore::createStandard(m_clock)->deviceName(), name);
    EXPECT_TRUE(QFileInfo::exists(stateFile));
    EXPECT_FALSE(QFileInfo::exists(FolderKeyValueStore::standardFolder()));

    // A name that is not safe as a file name is replaced.
    QFile file(stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("../escape\n");
    file.close();
    const QString replaced = FolderKeyValueStore::createStandard(m_clock)->deviceName();
    EXPECT_TRUE(FolderKeyValueStore::isValidDeviceName(replaced));
    EXPECT_EQ(FolderKeyValueStore::createStandard(m_clock)->deviceName(), replaced);
}

// The shared folder stalls (a hung network mount): our own values come from the local copy at once, a write
// reaches it at once, and a quit does not wait for the read held in the folder. The folder, once it answers, gets
// what it missed.
TEST_F(FolderKeyValueStoreTest, OurValuesComeFromTheLocalCopyWhileTheFolderStalls)
{
    const QString copy = m_dir.filePath(QStringLiteral("own-values.json"));
    writeDeviceFile(QStringLiteral("alice.json"), "{\"k\":" + entry("held", 5, "alice") + "}");
    {
        FolderKeyValueStore last(m_folder, QStringLiteral("alice"), m_clock, copy);
        last.readOwnValuesNow();
        last.setData("answered", QStringLiteral("k"));
    }
    for (const bool quit : { false, true }) {
        SCOPED_TRACE(quit);
        // The last run's write never reached the folder, whose read stalls in a value the local copy lacks.
        const QByteArray stall = quit ? "stalled again" : "stalled";
        writeDeviceFile(QStringLiteral("alice.json"),
            "{\"k\":" + entry("held", 5, "alice") + ",\"stall\":" + entry(stall, quit ? 6 : 5, "alice") + "}");
        // Held in the kernel: it does not look at the quit.
        std::atomic<bool> held = false;
        std::atomic<bool> released = false;
        auto alice = std::make_unique<FolderKeyValueStore>(m_folder, QStringLiteral("alice"), m_clock, copy);
        alice->setDecoder(QStringLiteral("stall"), [&](const QByteArray& data) -> QVariant {
            if (QThread::currentThread() == QCoreApplication::instance()->thread() || data != stall)
                return data;
            for (held = true; !released;)
                QThread::msleep(1);
            held = false;
            return data;
        });
        EXPECT_TRUE(QCoro::waitFor(alice->waitForOwnValues()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, readTimeoutMs));
        EXPECT_EQ(alice->data(QStringLiteral("k")), QByteArray(quit ? "in the stall" : "answered"));
        alice->setData(quit ? "at quit" : "in the stall", QStringLiteral("k"));
        if (quit) {
            alice.reset();
            EXPECT_TRUE(held);
            EXPECT_EQ(ownValue("alice", "k"), "held");
        }
        released = true;
        if (!quit) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return ownValue("alice", "k") == "in the stall"; }, readTimeoutMs));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !held; }, readTimeoutMs));
        alice.reset();
    }
    FolderKeyValueStore next(m_folder, QStringLiteral("alice"), m_clock, copy);
    next.readOwnValuesNow();
    EXPECT_EQ(next.data(QStringLiteral("k")), QByteArray("at quit"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ownValue("alice", "k") == "at quit"; }, readTimeoutMs));
}

// Our file caught while another process writes it is read again once it is still, not set aside as damaged.
TEST_F(FolderKeyValueStoreTest, OurFileBeingWrittenIsReadOnceWholeNotSetAside)
{
    const QString path = m_folder + QStringLiteral("/alice.json");
    const QByteArray whole = "{\"k\":" + entry("answered", 5, "alice") + "}";
    writeDeviceFile(QStringLiteral("alice.json"), whole.left(whole.size() / 2));
    // Reads of the file by others than the writer below: the store's.
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, path.toLocal8Bit().constData(), IN_CLOSE_NOWRITE), 0);
    std::atomic<bool> writing = true;
    std::thread writer([&] {
        while (writing) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(whole.left(whole.size() / 2));
        }
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(whole);
    });
    FolderKeyValueStore alice(m_folder, QStringLiteral("alice"), m_clock);
    int reads = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            inotify_event events[16];
            const ssize_t got = read(watch, events, sizeof events);
            reads += got > 0 ? int(got / sizeof(inotify_event)) : 0;
            return reads >= 2;
        },
        readTimeoutMs));
    writing = false;
    writer.join();
    close(watch);
    EXPECT_TRUE(QCoro::waitFor(alice.waitForOwnValues()));
    EXPECT_EQ(alice.data(QStringLiteral("k")), QByteArray("answered"));
    EXPECT_TRUE(QDir(m_folder).entryList({ QStringLiteral("alice.json.broken-*") }).isEmpty());
}

// Our file holding the very text of the local copy, or writes of it that the local copy's supersede, is not decoded a
// second time: a write goes there all the same.
TEST_F(FolderKeyValueStoreTest, OurFileIsDecodedOnlyWhereItIsAheadOfTheLocalCopy)
{
    const QString copy = m_dir.filePath(QStringLiteral("own-values.json"));
    const QByteArray local = "{\"k\":" + entry("answered", 7, "alice") + "}";
    const struct
    {
        const char* name;
        QByteArray file;
        int decoded;
        QByteArray value;
    } rows[] = {
        { "the same text", local, 1, "answered" },
        { "the same write, laid out anew", "{ \"k\" : " + entry("answered", 7, "alice") + " }\n", 1, "answered" },
        { "behind it", "{\"k\":" + entry("before the stall", 5, "alice") + "}", 1, "answered" },
        { "ahead of it", "{\"k\":" + entry("restored", 9, "alice") + "}", 2, "restored" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeDeviceFile(QStringLiteral("alice.json"), row.file);
        QFile::remove(copy);
        QFile localFile(copy);
        ASSERT_TRUE(localFile.open(QIODevice::WriteOnly) && localFile.write(local) == local.size());
        localFile.close();
        std::atomic<int> decoded = 0;
        FolderKeyValueStore alice(m_folder, QStringLiteral("alice"), m_clock, copy);
        alice.setDecoder(QStringLiteral("k"), [&](const QByteArray& data) -> QVariant {
            ++decoded;
            return data;
        });
        alice.setData("later", QStringLiteral("other"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return alice.hasReadPeerFiles(); }, readTimeoutMs));
        EXPECT_EQ(decoded, row.decoded);
        EXPECT_EQ(alice.decodedData(QStringLiteral("k")), row.value);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ownValue("alice", "other") == "later"; }, readTimeoutMs));
        EXPECT_EQ(ownValue("alice", "k"), row.value);
    }
}

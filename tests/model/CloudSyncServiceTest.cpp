#include "tolvar/model/CloudSyncService.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/cloud/MemoryKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/time/TestClock.h"
#include "tests/platform/cloud/ReadHold.h"
#include "tolvar/model/RecordJson.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace tolvar;
using platform::Date;

namespace {

struct CloudSyncServiceTest : ::testing::Test
{
    platform::TestClock clock { Date(1000) };
    platform::MemoryKeyValueStore store;
    platform::TestCloudAccount account;
    CloudSyncService service { store, account, clock };

    template <typename Record> QList<Record> stored(const char* key)
    {
        return decodeRecordArray<Record>(store.data(key).value_or("[]")).value_or(QList<Record>());
    }
};

MeetingSnapshot meeting(const QString& id, const QString& device, double lastSeen, double start = 2000)
{
    MeetingSnapshot snapshot;
    snapshot.id = id;
    snapshot.sourceDeviceID = device;
    snapshot.title = id;
    snapshot.startDate = Date(start);
    snapshot.endDate = Date(start + 1800);
    snapshot.lastSeenAt = Date(lastSeen);
    return snapshot;
}

ReminderState state(const QString& id, double updatedAt, std::optional<double> dismissed = {})
{
    ReminderState result;
    result.stableMeetingID = id;
    result.updatedAt = Date(updatedAt);
    if (dismissed)
        result.dismissedAt = Date(*dismissed);
    return result;
}

CalendarRule rule(const QString& key, double updatedAt, bool showOverlay)
{
    return { key, EventScope::meetingsOnly, showOverlay, true, 0, Date(updatedAt) };
}

} // namespace

TEST_F(CloudSyncServiceTest, SignedOutDoesNothing)
{
    account.setToken(std::nullopt);
    const auto result = QCoro::waitFor(service.syncMeetingSnapshots({ meeting("a", "me", 1) }, "me"));
    EXPECT_TRUE(result.value.isEmpty());
    EXPECT_FALSE(result.error);
    EXPECT_FALSE(QCoro::waitFor(service.syncReminderStates({ state("a", 5) })));
    EXPECT_FALSE(QCoro::waitFor(service.syncCalendarRules({ rule("k", 5, true) })));
    EXPECT_TRUE(QCoro::waitFor(service.fetchReminderStates()).value.isEmpty());
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(store.synchronizeCount(), 0);
}

// A shared folder that stalls keeps the account unknown: an answer given meanwhile is kept, our own answers and
// records are held, and an exchange waits for the account, to do nothing once it is known to be signed out.
TEST_F(CloudSyncServiceTest, AnAccountNotKnownYetKeepsOurAnswersAndTheExchangeWaitsForIt)
{
    store.setRemoteData(encodeRecordArray(QList { state("held", 5, 5) }), CloudKey::reminderStates);
    account.makeUnknown();
    EXPECT_FALSE(QCoro::waitFor(service.syncReminderStates({ state("a", 7, 7) })));
    EXPECT_EQ(stored<ReminderState>(CloudKey::reminderStates), QList({ state("held", 5, 5), state("a", 7, 7) }));
    EXPECT_EQ(service.heldReminderStates().value.size(), 2);
    const auto held = QCoro::waitFor(service.heldMeetingSnapshots({ meeting("m", "me", 1) }, "me", {}));
    EXPECT_FALSE(held.error);
    EXPECT_EQ(held.value, QList({ meeting("m", "me", 1) }));
    auto exchange = service.syncMeetingSnapshots({ meeting("m", "me", 1) }, "me");
    QCoreApplication::processEvents();
    EXPECT_FALSE(exchange.isReady());
    account.setToken(std::nullopt);
    account.makeKnown();
    EXPECT_TRUE(QCoro::waitFor(exchange).value.isEmpty());
    EXPECT_FALSE(store.data(CloudKey::meetingSnapshots));
}

TEST_F(CloudSyncServiceTest, StoredRecordWinsATieOnLastSeen)
{
    store.setRemoteData(encodeRecordArray(QList { meeting("a", "other", 50) }), CloudKey::meetingSnapshots);
    MeetingSnapshot local = meeting("a", "me", 50);
    local.title = "local copy";
    auto merged = QCoro::waitFor(service.syncMeetingSnapshots({ local }, "me")).value;
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged[0].sourceDeviceID, "other");

    local.lastSeenAt = Date(51);
    merged = QCoro::waitFor(service.syncMeetingSnapshots({ local }, "me")).value;
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged[0].sourceDeviceID, "me");
    EXPECT_EQ(stored<MeetingSnapshot>(CloudKey::meetingSnapshots), merged);
}

TEST_F(CloudSyncServiceTest, OwnEarlierRecordsAndEndedOnesLeaveTheStore)
{
    MeetingSnapshot endsNow = meeting("ends-now", "other", 1, 0);
    endsNow.endDate = clock.now();
    MeetingSnapshot endedASecondAgo = meeting("ended", "other", 1, 0);
    endedASecondAgo.endDate = clock.now().addingSeconds(-1);
    store.setRemoteData(encodeRecordArray(QList {
                            meeting("mine-old", "me", 1), endsNow, endedASecondAgo, meeting("b", "other", 1, 3000) }),
        CloudKey::meetingSnapshots);

    const auto merged = QCoro::waitFor(service.syncMeetingSnapshots({}, "me")).value;
    QStringList ids;
    for (const MeetingSnapshot& snapshot : merged)
        ids << snapshot.id;
    EXPECT_EQ(ids, QStringList({ "ends-now", "b" }));
    EXPECT_EQ(stored<MeetingSnapshot>(CloudKey::meetingSnapshots), merged);
}

TEST_F(CloudSyncServiceTest, RecordsOfOneEventMergeByMergeKeyAcrossDevices)
{
    MeetingSnapshot remote = meeting("remote-id", "other", 10, 2000);
    remote.eventExternalIdentifier = "EVT";
    remote.calendarExternalIdentifier = "cal";
    MeetingSnapshot local = meeting("local-id", "me", 20, 2000 + 3600);
    local.eventExternalIdentifier = "EVT";
    local.calendarExternalIdentifier = "cal";
    store.setRemoteData(encodeRecordArray(QList { remote }), CloudKey::meetingSnapshots);
    const auto merged = QCoro::waitFor(service.syncMeetingSnapshots({ local }, "me")).value;
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged[0].id, "local-id");
}

TEST_F(CloudSyncServiceTest, OccurrencesOfOneSeriesOnOneDayStayApartInTheMerge)
{
    const auto occurrence = [](const QString& device, double start, double originalStart, double lastSeen) {
        MeetingSnapshot snapshot = meeting(QString::number(start), device, lastSeen, start);
        snapshot.eventExternalIdentifier = "SERIES";
        snapshot.calendarExternalIdentifier = "cal";
        snapshot.originalStartDate = Date(originalStart);
        return snapshot;
    };
    // Days start at multiples of 86400 here: 86400 + 36000 is 10:00, + 50400 is 14:00.
    const double day = 86400;
    store.setRemoteData(encodeRecordArray(QList {
                            occurrence("other", day + 36000, day + 36000, 10),
                            occurrence("other", day + 50400, day + 50400, 10),
                        }),
        CloudKey::meetingSnapshots);
    // Here the 14:00 one was moved to 15:00, and the next day's one moved onto this day.
    const auto merged
        = QCoro::waitFor(service.syncMeetingSnapshots({ occurrence("me", day + 36000, day + 36000, 20),
                                                          occurrence("me", day + 54000, day + 50400, 20),
                                                          occurrence("me", day + 64800, 2 * day + 36000, 20) },
                             "me"))
              .value;
    QList<double> starts;
    for (const MeetingSnapshot& snapshot : merged) {
        starts.append(snapshot.startDate.secondsSinceReferenceDate());
        EXPECT_EQ(snapshot.sourceDeviceID, "me");
    }
    EXPECT_EQ(starts, QList<double>({ day + 36000, day + 54000, day + 64800 }));
}

TEST_F(CloudSyncServiceTest, RecordsGoBackOnlyWithWhatTheWriteBackAsksFor)
{
    const MeetingSnapshot peers = meeting("peers", "other", 10, 3000);
    MeetingSnapshot mine = meeting("mine", "me", 10, 4000);
    store.setRemoteData(encodeRecordArray(QList { peers, mine }), CloudKey::meetingSnapshots);

    // Only the sighting is new: answering a peer's change, or any refresh but the timer's, writes nothing.
    mine.lastSeenAt = Date(20);
    for (const RecordWriteBack writeBack : { RecordWriteBack::missingMeetings, RecordWriteBack::changes }) {
        const auto result = QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", writeBack));
        ASSERT_EQ(result.value.size(), 2);
        EXPECT_EQ(result.value[1].lastSeenAt, Date(20)) << "the caller still gets the newest sighting";
    }
    EXPECT_EQ(store.writeCount(), 0);
    QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", RecordWriteBack::sightings));
    EXPECT_EQ(store.writeCount(), 1);
    EXPECT_EQ(stored<MeetingSnapshot>(CloudKey::meetingSnapshots)[1].lastSeenAt, Date(20));

    // A changed meeting goes out except in answer to a peer; a meeting the store lacks always does.
    mine.title = "renamed";
    QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", RecordWriteBack::missingMeetings));
    EXPECT_EQ(store.writeCount(), 1);
    QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", RecordWriteBack::changes));
    EXPECT_EQ(store.writeCount(), 2);
    const MeetingSnapshot added = meeting("added", "me", 20, 5000);
    QCoro::waitFor(service.syncMeetingSnapshots({ mine, added }, "me", RecordWriteBack::missingMeetings));
    EXPECT_EQ(store.writeCount(), 3);
    EXPECT_EQ(stored<MeetingSnapshot>(CloudKey::meetingSnapshots).size(), 3);

    // A meeting that left this machine's calendar leaves the store with the next change.
    QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", RecordWriteBack::missingMeetings));
    EXPECT_EQ(store.writeCount(), 3);
    QCoro::waitFor(service.syncMeetingSnapshots({ mine }, "me", RecordWriteBack::changes));
    EXPECT_EQ(store.writeCount(), 4);
    EXPECT_EQ(stored<MeetingSnapshot>(CloudKey::meetingSnapshots).size(), 2);
}

TEST_F(CloudSyncServiceTest, MergeSortsByStart)
{
    const auto merged = service.mergeSnapshots(
        { meeting("late", "x", 1, 5000), meeting("early", "x", 1, 3000), meeting("late", "x", 2, 5000) });
    ASSERT_EQ(merged.size(), 2);
    EXPECT_EQ(merged[0].id, "early");
    // Made at the size it keeps: no spare room is held with tens of thousands of records.
    EXPECT_EQ(merged.capacity(), merged.size());
}

TEST_F(CloudSyncServiceTest, LocalReminderStateWinsATie)
{
    store.setRemoteData(encodeRecordArray(QList { state("m", 100), state("other", 7) }), CloudKey::reminderStates);
    EXPECT_FALSE(QCoro::waitFor(service.syncReminderStates({ state("m", 100, 90) })));
    const auto storedState = [this](const QString& id) {
        for (const ReminderState& s : stored<ReminderState>(CloudKey::reminderStates)) {
            if (s.stableMeetingID == id)
                return s;
        }
        return ReminderState();
    };
    EXPECT_EQ(stored<ReminderState>(CloudKey::reminderStates).size(), 2);
    EXPECT_EQ(storedState("m"), state("m", 100, 90));

    EXPECT_FALSE(QCoro::waitFor(service.syncReminderStates({ state("m", 99) })));
    EXPECT_EQ(storedState("m"), state("m", 100, 90)) << "an older local state must not replace the stored one";
    EXPECT_EQ(storedState("other"), state("other", 7));
}

TEST_F(CloudSyncServiceTest, OldStatesAreOrderedByTheirActionDates)
{
    // Both updatedAt at the distant past: the dates of the actions decide.
    ReminderState storedState = state("m", Date::distantPastSeconds, 500);
    store.setRemoteData(encodeRecordArray(QList { storedState }), CloudKey::reminderStates);
    ReminderState local = state("m", Date::distantPastSeconds);
    local.mutedAt = Date(400);
    QCoro::waitFor(service.syncReminderStates({ local }));
    EXPECT_EQ(stored<ReminderState>(CloudKey::reminderStates), QList { storedState });
}

TEST_F(CloudSyncServiceTest, EmptyLocalListsWriteNothing)
{
    store.setRemoteData(encodeRecordArray(QList { state("m", 1) }), CloudKey::reminderStates);
    QCoro::waitFor(service.syncReminderStates({}));
    QCoro::waitFor(service.syncCalendarRules({}));
    EXPECT_EQ(store.writeCount(), 0);
}

TEST_F(CloudSyncServiceTest, CalendarRulesTieGoesToLocal)
{
    store.setRemoteData(encodeRecordArray(QList { rule("k", 10, true) }), CloudKey::calendarRules);
    QCoro::waitFor(service.syncCalendarRules({ rule("k", 10, false) }));
    EXPECT_EQ(stored<CalendarRule>(CloudKey::calendarRules), QList { rule("k", 10, false) });
    QCoro::waitFor(service.syncCalendarRules({ rule("k", 9, true) }));
    EXPECT_EQ(stored<CalendarRule>(CloudKey::calendarRules), QList { rule("k", 10, false) });
    EXPECT_EQ(QCoro::waitFor(service.fetchCalendarRules()).value, QList { rule("k", 10, false) });
}

TEST_F(CloudSyncServiceTest, BadElementsAreDroppedAlone)
{
    store.setRemoteData(R"([{"stableMeetingID":"a","updatedAt":5},{"stableMeetingID":"b"},
                            {"stableMeetingID":"c","updatedAt":"yesterday"},{"stableMeetingID":"d","updatedAt":6}])",
        CloudKey::reminderStates);
    const auto fetched = QCoro::waitFor(service.fetchReminderStates());
    EXPECT_FALSE(fetched.error);
    EXPECT_EQ(fetched.value, QList({ state("a", 5), state("d", 6) }));
}

TEST_F(CloudSyncServiceTest, MalformedArrayFailsAndWritesNothing)
{
    store.setRemoteData(R"({"stableMeetingID":"a","updatedAt":5})", CloudKey::reminderStates);
    EXPECT_TRUE(QCoro::waitFor(service.fetchReminderStates()).error);
    EXPECT_TRUE(QCoro::waitFor(service.syncReminderStates({ state("a", 9) })));
    store.setRemoteData("not json", CloudKey::meetingSnapshots);
    const auto result = QCoro::waitFor(service.syncMeetingSnapshots({ meeting("a", "me", 1) }, "me"));
    EXPECT_TRUE(result.error);
    EXPECT_TRUE(result.value.isEmpty());
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(store.data(CloudKey::meetingSnapshots), QByteArray("not json"));
}

namespace {

QStringList folderWarnings;

// Far above any need: only a state that never comes fails.
constexpr int waitBoundMs = 5 * 60'000;

// The records a store holds under `key`.
template <typename Record> QList<Record> loaded(const platform::UbiquitousKeyValueStore& store, const char* key)
{
    return decodeRecordArray<Record>(store.data(QLatin1String(key)).value_or("[]")).value_or(QList<Record>());
}

// The reminder states a device file holds, as another machine reads it.
QList<ReminderState> storedStates(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!json.is_object() || !json.contains(CloudKey::reminderStates))
        return {};
    const QByteArray value
        = QByteArray::fromBase64(QByteArray::fromStdString(json[CloudKey::reminderStates].value("value", "")));
    return decodeRecordArray<ReminderState>(value).value_or(QList<ReminderState>());
}

QList<ReminderState> sorted(QList<ReminderState> states)
{
    std::sort(states.begin(), states.end(),
        [](const ReminderState& a, const ReminderState& b) { return a.stableMeetingID < b.stableMeetingID; });
    return states;
}

// A device file as another machine writes it, holding `values` under their keys, all written at `time`.
void writePeerFile(const QString& path, const std::map<std::string, QByteArray>& values, double time)
{
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [key, value] : values)
        json[key] = { { "value", value.toBase64().toStdString() }, { "time", time }, { "device", "peer" } };
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(json.dump()));
    ASSERT_TRUE(file.commit());
}

} // namespace

// A peer whose newest entries hold objects where arrays belong must not stop this machine from saving.
TEST(CloudSyncServiceOnAFolder, PeerValuesThatAreNoArraysAreSkippedAndOurWritesGoOn)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("cloud"));
    ASSERT_TRUE(QDir().mkpath(folder));
    platform::TestClock clock { Date(1000) };
    platform::TestCloudAccount account;
    // An older peer holds a good state; the newest entries, a minute ahead, hold objects.
    writePeerFile(folder + QStringLiteral("/older.json"),
        { { CloudKey::reminderStates, encodeRecordArray(QList { state("kept", 500, 400) }) } }, 500);
    const QByteArray object = R"({"stableMeetingID":"a","updatedAt":5})";
    writePeerFile(folder + QStringLiteral("/peer.json"),
        { { CloudKey::meetingSnapshots, object }, { CloudKey::reminderStates, object },
            { CloudKey::calendarRules, object } },
        1060);

    folderWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { folderWarnings.append(message); });
    {
        platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
        CloudSyncService service(store, account, clock);
        EXPECT_EQ(QCoro::waitFor(service.syncReminderStates({ state("dismissed", 1000, 1000) })), std::nullopt);
        EXPECT_EQ(QCoro::waitFor(service.syncCalendarRules({ rule("work", 1000, false) })), std::nullopt);
        const auto records = QCoro::waitFor(service.syncMeetingSnapshots({ meeting("m", "mine", 1000) }, "mine"));
        EXPECT_EQ(records.error, std::nullopt);
        EXPECT_EQ(records.value.size(), 1);
    }
    qInstallMessageHandler(previous);
    // Read on the worker with every key's decoder: one line for the file's three entries.
    const QStringList named = folderWarnings.filter(QStringLiteral("peer.json"));
    ASSERT_EQ(named.size(), 1) << folderWarnings.join(u'\n').toStdString();
    EXPECT_TRUE(named.first().contains(QStringLiteral("Skipped 3 malformed entries"))) << named.first().toStdString();

    // Written to our own file: a restart, or another machine, reads what this one did.
    platform::FolderKeyValueStore restarted(folder, QStringLiteral("other"), clock);
    CloudSyncService service(restarted, account, clock);
    const auto states = QCoro::waitFor(service.fetchReminderStates());
    EXPECT_EQ(states.error, std::nullopt);
    EXPECT_EQ(states.value.size(), 2);
    EXPECT_TRUE(states.value.contains(state("dismissed", 1000, 1000)));
    EXPECT_TRUE(states.value.contains(state("kept", 500, 400)));
    EXPECT_EQ(QCoro::waitFor(service.fetchCalendarRules()).value, QList { rule("work", 1000, false) });
}

// Device files in the form Tolvar has always written them, our own and a peer's, read as before.
TEST(CloudSyncServiceOnAFolder, FilesInTheFormWrittenSoFarAreReadAsBefore)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("cloud"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto entry = [](const QByteArray& value, const char* time, const char* device) {
        return "{\n\t\t\"value\": \"" + value.toBase64() + "\",\n\t\t\"time\": " + time + ",\n\t\t\"device\": \""
            + device + "\"\n\t}";
    };
    const auto writeFile = [&](const QString& name, const QByteArray& bytes) {
        QSaveFile file(folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        ASSERT_TRUE(file.commit());
    };
    const QList<ReminderState> states { state("a", 900, 880) };
    const QList<MeetingSnapshot> records { meeting("m", "laptop", 950) };
    const QList<CalendarRule> rules { rule("work", 950, false) };
    writeFile(QStringLiteral("mine.json"),
        "{\n\t\"tolvar.reminderStates.v1\": " + entry(encodeRecordArray(states), "900.0", "mine") + "\n}\n");
    writeFile(QStringLiteral("laptop.json"),
        "{\n\t\"tolvar.calendarRules.v1\": " + entry(encodeRecordArray(rules), "950.25", "laptop")
            + ",\n\t\"tolvar.meetingSnapshots.v1\": " + entry(encodeRecordArray(records), "950.25", "laptop")
            + "\n}\n");

    folderWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { folderWarnings.append(message); });
    platform::TestClock clock { Date(1000) };
    platform::TestCloudAccount account;
    platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    EXPECT_EQ(QCoro::waitFor(service.fetchReminderStates()).value, states);
    EXPECT_EQ(QCoro::waitFor(service.fetchCalendarRules()).value, rules);
    EXPECT_EQ(QCoro::waitFor(service.syncMeetingSnapshots({}, "mine")).value, records);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(folderWarnings.isEmpty()) << folderWarnings.join(u'\n').toStdString();
}

namespace {

struct CloudSyncServiceOnAFolderTest : ::testing::Test
{
    CloudSyncServiceOnAFolderTest() { QDir().mkpath(folder); }

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("cloud"));
    platform::TestClock clock { Date(1000) };
    platform::TestCloudAccount account;
};

} // namespace

// A peer's write that landed just before our merge, not yet read, must be merged, not written over.
TEST_F(CloudSyncServiceOnAFolderTest, APeerWriteAlreadyOnDiskOutlivesOurNextMerge)
{
    platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    EXPECT_EQ(QCoro::waitFor(service.fetchReminderStates()).error, std::nullopt);

    writePeerFile(folder + QStringLiteral("/peer.json"),
        { { CloudKey::meetingSnapshots, encodeRecordArray(QList { meeting("theirs", "peer", 990) }) },
            { CloudKey::reminderStates, encodeRecordArray(QList { state("theirs", 990, 990) }) },
            { CloudKey::calendarRules, encodeRecordArray(QList { rule("home", 990, false) }) } },
        999);
    EXPECT_EQ(QCoro::waitFor(service.syncReminderStates({ state("mine", 1000, 1000) })), std::nullopt);
    EXPECT_EQ(QCoro::waitFor(service.syncCalendarRules({ rule("work", 1000, true) })), std::nullopt);
    const auto records = QCoro::waitFor(service.syncMeetingSnapshots({ meeting("mine", "mine", 1000) }, "mine"));
    EXPECT_EQ(records.value.size(), 2);
    EXPECT_TRUE(store.flush());

    // As any machine reads the folder now.
    platform::FolderKeyValueStore other(folder, QStringLiteral("other"), clock);
    CloudSyncService reader(other, account, clock);
    const auto states = QCoro::waitFor(reader.fetchReminderStates()).value;
    EXPECT_TRUE(states.contains(state("theirs", 990, 990)));
    EXPECT_TRUE(states.contains(state("mine", 1000, 1000)));
    const auto rules = QCoro::waitFor(reader.fetchCalendarRules()).value;
    EXPECT_TRUE(rules.contains(rule("home", 990, false)));
    EXPECT_TRUE(rules.contains(rule("work", 1000, true)));
    const auto meetings = QCoro::waitFor(reader.syncMeetingSnapshots({}, "other", RecordWriteBack::missingMeetings));
    EXPECT_EQ(meetings.value.size(), 2);
    EXPECT_TRUE(meetings.value.contains(meeting("mine", "mine", 1000)));
    EXPECT_TRUE(meetings.value.contains(meeting("theirs", "peer", 990)));
}

// The wait for the store's read may outlast the store: a fetch then ends with an error, whether the service ends
// its waits or goes right after the store, and an answer given meanwhile is in our file all the same.
TEST_F(CloudSyncServiceOnAFolderTest, AWaitWhoseStoreWentEndsWithAnErrorAndAnAnswerStaysWritten)
{
    for (const bool serviceGoesToo : { false, true }) {
        const QString own = folder + QStringLiteral("/mine.json");
        QFile::remove(own);
        auto store = std::make_unique<platform::FolderKeyValueStore>(folder, QStringLiteral("mine"), clock);
        auto service = std::make_unique<CloudSyncService>(*store, account, clock);
        ASSERT_TRUE(QCoro::waitFor(store->waitForOwnValues()));
        QCoro::Task<CloudResult<QList<ReminderState>>> fetch = service->fetchReminderStates();
        QCoro::Task<std::optional<QString>> sync = service->syncReminderStates({ state("mine", 1000, 1000) });
        store.reset();
        if (serviceGoesToo)
            service.reset();
        EXPECT_EQ(QCoro::waitFor(std::move(sync)), std::nullopt) << serviceGoesToo;
        EXPECT_TRUE(QCoro::waitFor(std::move(fetch)).error.has_value()) << serviceGoesToo;
        EXPECT_EQ(storedStates(own), QList { state("mine", 1000, 1000) }) << serviceGoesToo;
    }
}

// An answer given while our own large file is still being read (held here) waits for it, and is merged with what our
// file held, whether the read ends or a quit takes it first.
TEST_F(CloudSyncServiceOnAFolderTest, AnAnswerGivenWhileOurFileIsReadIsMergedWithWhatItHeld)
{
    const QList<ReminderState> before { state("earlier", 900, 900), state("both", 900, 900) };
    const QList<ReminderState> answer { state("mine", 1000, 1000), state("both", 1001, 1001) };
    const QList<ReminderState> all { state("earlier", 900, 900), state("both", 1001, 1001), state("mine", 1000, 1000) };
    const QString own = folder + QStringLiteral("/mine.json");
    for (const bool quit : { false, true }) {
        nlohmann::json file = nlohmann::json::object();
        for (const auto& [key, value] : { std::pair { "hold", QByteArray("[]") },
                 std::pair { CloudKey::reminderStates, encodeRecordArray(before) } })
            file[key] = { { "value", value.toBase64().toStdString() }, { "time", 900 }, { "device", "mine" } };
        QSaveFile write(own);
        ASSERT_TRUE(write.open(QIODevice::WriteOnly));
        write.write(QByteArray::fromStdString(file.dump()));
        ASSERT_TRUE(write.commit());
        ReadHold hold;
        auto store = std::make_unique<platform::FolderKeyValueStore>(folder, QStringLiteral("mine"), clock);
        auto service = std::make_unique<CloudSyncService>(*store, account, clock);
        store->setDecoder(QStringLiteral("hold"), hold.decoder());
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.isHeld(); }, waitBoundMs)) << quit;

        QCoro::Task<std::optional<QString>> sync = service->syncReminderStates(answer);
        QCoreApplication::processEvents();
        EXPECT_FALSE(store->hasReadOwnValues());
        hold.release();
        if (quit) {
            service.reset();
            store.reset();
            EXPECT_EQ(sorted(storedStates(own)), sorted(all));
            continue;
        }
        EXPECT_EQ(QCoro::waitFor(std::move(sync)), std::nullopt);
        EXPECT_EQ(sorted(loaded<ReminderState>(*store, CloudKey::reminderStates)), sorted(all));
        EXPECT_TRUE(store->flush());
        EXPECT_EQ(sorted(storedStates(own)), sorted(all));
    }
}

// An answer is in our file while a read of large peer files is still under way (held here), and survives a quit
// that gives the read up. A peer's write of the same key that the answer superseded unread is merged once the read
// lands: in this run, or at the next start after a quit.
TEST_F(CloudSyncServiceOnAFolderTest, AnAnswerIsWrittenAtOnceAndAPeersUnreadWriteIsMergedOnceRead)
{
    const QList<ReminderState> peers { state("theirs", 990, 990), state("both", 1005, 1005) };
    const QList<ReminderState> answer { state("mine", 1000, 1000), state("both", 1001, 1001) };
    const QList<ReminderState> all { state("theirs", 990, 990), state("both", 1005, 1005), state("mine", 1000, 1000) };
    for (const bool quit : { false, true }) {
        const QString shared = folder + u'/' + QString::number(quit);
        const QString own = shared + QStringLiteral("/mine.json");
        QDir().mkpath(shared);
        // Read first, and held there until the test lets it go.
        writePeerFile(shared + QStringLiteral("/a-large.json"), { { "hold", "[]" } }, 900);
        writePeerFile(
            shared + QStringLiteral("/peer.json"), { { CloudKey::reminderStates, encodeRecordArray(peers) } }, 999);
        ReadHold hold;
        auto store = std::make_unique<platform::FolderKeyValueStore>(shared, QStringLiteral("mine"), clock);
        auto service = std::make_unique<CloudSyncService>(*store, account, clock);
        store->setDecoder(QStringLiteral("hold"), hold.decoder());
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.isHeld(); }, waitBoundMs)) << quit;

        EXPECT_EQ(QCoro::waitFor(service->syncReminderStates(answer)), std::nullopt) << quit;
        EXPECT_TRUE(store->flush());
        EXPECT_EQ(sorted(storedStates(own)), sorted(answer)) << quit;
        EXPECT_TRUE(hold.isHeld()) << quit;

        if (quit) {
            service.reset();
            store.reset();
            EXPECT_TRUE(QTest::qWaitFor([&] { return hold.sawStop() && !hold.isHeld(); }, waitBoundMs));
            EXPECT_EQ(sorted(storedStates(own)), sorted(answer));
            // Our write, made before the peer's was read, does not hide it from a machine that starts meanwhile.
            {
                platform::FolderKeyValueStore other(shared, QStringLiteral("other"), clock);
                ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasReadPeerFiles(); }, waitBoundMs));
                const QList<ReminderState> value = loaded<ReminderState>(other, CloudKey::reminderStates);
                EXPECT_TRUE(value.contains(state("theirs", 990, 990)));
                EXPECT_TRUE(value.contains(state("both", 1005, 1005)));
            }
            // The next start reads the peer's write, and merges it.
            store = std::make_unique<platform::FolderKeyValueStore>(shared, QStringLiteral("mine"), clock);
            service = std::make_unique<CloudSyncService>(*store, account, clock);
        } else {
            hold.release();
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return loaded<ReminderState>(*store, CloudKey::reminderStates).size() == all.size(); }, waitBoundMs))
            << quit;
        EXPECT_EQ(sorted(loaded<ReminderState>(*store, CloudKey::reminderStates)), sorted(all)) << quit;
        EXPECT_TRUE(store->flush());
        EXPECT_EQ(sorted(storedStates(own)), sorted(all)) << quit;
    }
}

// An answer given before the peer files are read, and a peer's write stamped later that has not seen it (a clock a
// second ahead): once read, the value holds both, our next answer keeps the first, and so does every machine.
TEST_F(CloudSyncServiceOnAFolderTest, AnAnswerOutlivesAPeerWriteStampedLaterThatMissedIt)
{
    const QString own = folder + QStringLiteral("/mine.json");
    writePeerFile(folder + QStringLiteral("/a-large.json"), { { "hold", "[]" } }, 900);
    writePeerFile(folder + QStringLiteral("/peer.json"),
        { { CloudKey::reminderStates, encodeRecordArray(QList { state("theirs", 1001, 1001) }) } }, 1001);
    ReadHold hold;
    platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    store.setDecoder(QStringLiteral("hold"), hold.decoder());
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.isHeld(); }, waitBoundMs));
    EXPECT_EQ(QCoro::waitFor(service.syncReminderStates({ state("first", 1000, 1000) })), std::nullopt);
    hold.release();

    const QList<ReminderState> both { state("first", 1000, 1000), state("theirs", 1001, 1001) };
    EXPECT_EQ(sorted(QCoro::waitFor(service.fetchReminderStates()).value), both);
    EXPECT_EQ(sorted(loaded<ReminderState>(store, CloudKey::reminderStates)), both);
    EXPECT_EQ(QCoro::waitFor(service.syncReminderStates({ state("second", 1002, 1002) })), std::nullopt);
    const QList<ReminderState> all = sorted(both + QList { state("second", 1002, 1002) });
    EXPECT_TRUE(store.flush());
    EXPECT_EQ(sorted(storedStates(own)), all);

    platform::FolderKeyValueStore other(folder, QStringLiteral("other"), clock);
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.hasReadPeerFiles(); }, waitBoundMs));
    EXPECT_EQ(sorted(loaded<ReminderState>(other, CloudKey::reminderStates)), all);
}

// Merges of records that overlap write in the order they were made: the last made is the one that stays.
TEST_F(CloudSyncServiceOnAFolderTest, RecordMergesWriteInTheOrderTheyWereMade)
{
    platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    std::vector<QCoro::Task<CloudResult<QList<MeetingSnapshot>>>> merges;
    for (int merge = 1; merge <= 5; ++merge)
        merges.push_back(service.syncMeetingSnapshots({ meeting(QString::number(merge), "mine", 1000) }, "mine"));
    for (QCoro::Task<CloudResult<QList<MeetingSnapshot>>>& merge : merges)
        QCoro::waitFor(std::move(merge));
    const QList<MeetingSnapshot> last { meeting("5", "mine", 1000) };
    EXPECT_EQ(loaded<MeetingSnapshot>(store, CloudKey::meetingSnapshots), last);
    EXPECT_TRUE(store.flush());
    platform::FolderKeyValueStore restarted(folder, QStringLiteral("mine"), clock);
    restarted.readOwnValuesNow();
    EXPECT_EQ(decodeRecordArray<MeetingSnapshot>(*restarted.data(CloudKey::meetingSnapshots)), last);
}

// Our own write is stored with the records the service holds, not decoded again on the main thread.
TEST_F(CloudSyncServiceOnAFolderTest, OurWritesAreNotDecodedAgainOnTheCallersThread)
{
    platform::FolderKeyValueStore store(folder, QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    int decodedHere = 0;
    const Qt::HANDLE caller = QThread::currentThreadId();
    const auto counting = [&]<typename Record>(const char* key, Record) {
        store.setDecoder(QLatin1String(key), [&decodedHere, caller](const QByteArray& data) -> QVariant {
            if (QThread::currentThreadId() == caller)
                ++decodedHere;
            const std::optional<QList<Record>> records = decodeRecordArray<Record>(data);
            return records ? QVariant::fromValue(*records) : QVariant();
        });
    };
    counting(CloudKey::meetingSnapshots, MeetingSnapshot());
    counting(CloudKey::reminderStates, ReminderState());
    counting(CloudKey::calendarRules, CalendarRule());

    QCoro::waitFor(service.syncReminderStates({ state("s", 1000, 1000) }));
    QCoro::waitFor(service.syncCalendarRules({ rule("work", 1000, true) }));
    const auto records = QCoro::waitFor(service.syncMeetingSnapshots({ meeting("m", "mine", 1000) }, "mine"));
    EXPECT_EQ(decodedHere, 0);
    // What the store holds as decoded is what its data decodes to.
    EXPECT_EQ(
        store.decodedData(QLatin1String(CloudKey::meetingSnapshots)).value<QList<MeetingSnapshot>>(), records.value);
    EXPECT_EQ(
        decodeRecordArray<MeetingSnapshot>(*store.data(QLatin1String(CloudKey::meetingSnapshots))), records.value);
    EXPECT_EQ(QCoro::waitFor(service.fetchReminderStates()).value, QList { state("s", 1000, 1000) });
    EXPECT_EQ(QCoro::waitFor(service.fetchCalendarRules()).value, QList { rule("work", 1000, true) });
}

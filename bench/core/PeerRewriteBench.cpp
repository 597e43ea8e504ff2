// The main thread's longest stall while another machine rewrites a 32 MB device file in the shared folder
// every 5 seconds, each rewrite answered by the model's refresh as in the running program; while the
// minute's refresh rewrites our own 32 MB device file; at start beside six peer files of 31 MB; and when the read
// of those six files lands, some seconds after the start; how long a quit takes while they are read; and the start
// and quit beside our own file of 31 MB.
#include "tests/core/appmodel/AppModelHarness.h"

#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "tolvar/model/RecordJson.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>

using namespace appmodeltest;
using namespace tolvar;

namespace {

constexpr int rewrites = 4;
constexpr int rewriteIntervalMs = 5000;
constexpr qint64 targetFileSize = 32'000'000;
constexpr int tickMs = 10;

// The peer's meetings, one a minute from an hour ahead, as its own calendar gave them: occurrences of twelve
// series, which the merge folds into one a day each, or as many events as meetings.
QList<MeetingSnapshot> peerMeetings(
    platform::Date now, int count, int sighting, const QString& device = "PEER", bool distinct = false)
{
    QList<MeetingSnapshot> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        MeetingSnapshot snapshot;
        snapshot.title = QStringLiteral("Standup %1").arg(i % 12);
        snapshot.startDate = now.addingSeconds(3600 + 60.0 * i);
        snapshot.endDate = snapshot.startDate.addingSeconds(45);
        snapshot.eventExternalIdentifier = QStringLiteral("EVENT-%1").arg(distinct ? i : i % 12);
        snapshot.calendarExternalIdentifier = QStringLiteral("work/team");
        snapshot.calendarTitle = QStringLiteral("Team");
        snapshot.calendarSourceTitle = QStringLiteral("Work");
        snapshot.joinURL = QUrl(QStringLiteral("https://example.zoom.us/j/%1").arg(100000 + i % 12));
        snapshot.location = QStringLiteral("Room %1").arg(i % 12);
        snapshot.sourceDeviceID = device;
        snapshot.lastSeenAt = now.addingSeconds(sighting);
        snapshot.attendees = { { QStringLiteral("a%1").arg(i % 12), QStringLiteral("Ada"), AttendeeRSVPStatus::accepted,
            false, QStringLiteral("ada@example.com") } };
        snapshot.id = MeetingSnapshot::makeStableID(
            snapshot.title, snapshot.startDate, snapshot.endDate, snapshot.joinURL, snapshot.eventExternalIdentifier);
        records.append(snapshot);
    }
    return records;
}

// The peer's whole device file as its store writes it, at its `sighting`th write.
QByteArray peerFile(
    platform::Date now, int meetingCount, int sighting, const QString& device = "PEER", bool distinct = false)
{
    const auto entry = [&](const QByteArray& value) {
        return nlohmann::json { { "value", value.toBase64().toStdString() },
            { "time", now.secondsSinceReferenceDate() + sighting }, { "device", device.toStdString() } };
    };
    const nlohmann::json file = {
        { CloudKey::meetingSnapshots,
            entry(encodeRecordArray(peerMeetings(now, meetingCount, sighting, device, distinct))) },
        { CloudKey::reminderStates, entry(encodeRecordArray(QList<ReminderState>())) },
        { CloudKey::calendarRules, entry(encodeRecordArray(QList<CalendarRule>())) },
    };
    return QByteArray::fromStdString(file.dump(1, '\t') + '\n');
}

// As many meetings as make a file of about `size` bytes.
int meetingCountForTargetSize(platform::Date now, qint64 size = targetFileSize)
{
    constexpr int sample = 1000;
    return int(size * sample / peerFile(now, sample, 0).size());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qFatal("Could not write %s", qPrintable(path));
}

// One machine on a real shared folder that another machine fills.
struct Rig
{
    Rig()
    {
        clock.setNow(platform::Date::fromSecondsSince1970(1'790'000'000));
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        platform::FolderCloudAccount::createFolderIfMissing(folder);
    }
    ~Rig()
    {
        model.reset();
        ShortcutKit::shutDown();
    }

    // The account, the store and the machine on the folder as it is now.
    void makeMachine()
    {
        account = std::make_unique<platform::FolderCloudAccount>(folder, clock);
        store = std::make_unique<platform::FolderKeyValueStore>(folder, QStringLiteral("desk"), clock);
        machine = std::make_unique<Machine>(clock, defaults, *store, *account);
    }

    // Starts the model and waits, two minutes at most, until it holds `meetingCount` meetings.
    void startModel(int meetingCount)
    {
        makeMachine();
        model = machine->makeModel();
        QElapsedTimer started;
        started.start();
        while (model->meetings().size() != meetingCount && started.elapsed() < 120'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    struct LargePeerFiles
    {
        int meetingCount;
        qint64 largestFileBytes;
    };
    // Six machines' files of 31 MB each, holding the same meetings.
    LargePeerFiles writeSixLargePeerFiles()
    {
        const platform::Date now = clock.now();
        const int meetingCount = meetingCountForTargetSize(now, 31'000'000);
        qint64 fileBytes = 0;
        for (int peer = 1; peer <= 6; ++peer) {
            const QString device = QStringLiteral("PEER%1").arg(peer);
            const QByteArray bytes = peerFile(now, meetingCount, 0, device, true);
            fileBytes = std::max(fileBytes, qint64(bytes.size()));
            writeFile(folder + u'/' + device + QStringLiteral(".json"), bytes);
        }
        return { meetingCount, fileBytes };
    }

    // The machine on the folder, its calendar holding `meeting`, and its model, without waiting for anything.
    void startModelWith(const platform::StoreEvent& meeting)
    {
        makeMachine();
        machine->eventStore.setAuthorizationStatus(
            platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
        machine->eventStore.setCalendars(platform::EntityType::event, { meeting.calendar });
        machine->eventStore.setEvents({ meeting });
        model = machine->makeModel();
    }

    // A meeting of this machine's own calendar, three seconds ahead; the calendar is selected.
    platform::StoreEvent soonMeeting()
    {
        const platform::StoreCalendar work { "work", "Team", "Work" };
        defaults.setStringArray(SettingsKey::selectedCalendarIDs, { work.identifier });
        platform::StoreEvent soon;
        soon.calendar = work;
        soon.title = QStringLiteral("Soon");
        soon.start = clock.now().addingSeconds(3);
        soon.end = soon.start.addingSeconds(1800);
        soon.url = QStringLiteral("https://zoom.us/j/3");
        soon.externalIdentifier = QStringLiteral("SOON");
        soon.itemIdentifier = QStringLiteral("SOON-item");
        return soon;
    }

    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("cloud"));
    const QString peerPath = folder + QStringLiteral("/peer.json");
    platform::TestClock clock;
    platform::MemoryUserDefaults defaults;
    platform::TestHotKeys hotKeys;
    platform::TestKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
    std::unique_ptr<platform::FolderCloudAccount> account;
    std::unique_ptr<platform::FolderKeyValueStore> store;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<AppModel> model;
};

void peerRewritesItsFileEveryFiveSeconds(benchmark::State& state)
{
    Rig rig;
    const platform::Date now = rig.clock.now();
    const int meetingCount = meetingCountForTargetSize(now);
    QList<QByteArray> versions;
    for (int sighting = 0; sighting <= rewrites; ++sighting)
        versions.append(peerFile(now, meetingCount, sighting));

    // The first version is there at the start, and read then.
    writeFile(rig.peerPath, versions.first());
    rig.startModel(meetingCount);

    qint64 longestStallMs = 0;
    int rewritesSeen = 0;
    for (auto _ : state) {
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout,
            [&] { longestStallMs = std::max(longestStallMs, sinceTick.restart() - tickMs); });
        QThread* peer = QThread::create([&] {
            for (int i = 1; i <= rewrites; ++i) {
                QThread::msleep(rewriteIntervalMs);
                writeFile(rig.peerPath, versions.at(i));
            }
        });
        sinceTick.start();
        ticker.start(tickMs);
        peer->start();
        QElapsedTimer running;
        running.start();
        // Until the last rewrite's sightings reached the model.
        const platform::Date lastSighting = now.addingSeconds(rewrites);
        while (running.elapsed() < (rewrites + 6) * qint64(rewriteIntervalMs)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, tickMs);
            const QList<MeetingSnapshot>& meetings = rig.model->meetings();
            const int sighting = meetings.isEmpty()
                ? -1
                : int(meetings.first().lastSeenAt.secondsSinceReferenceDate() - now.secondsSinceReferenceDate());
            rewritesSeen = std::max(rewritesSeen, sighting);
            if (peer->isFinished() && !meetings.isEmpty() && meetings.first().lastSeenAt == lastSighting)
                break;
        }
        ticker.stop();
        peer->wait();
        delete peer;
        state.SetIterationTime(double(longestStallMs) / 1000);
    }
    state.counters["longest_stall_ms"] = double(longestStallMs);
    state.counters["file_MB"] = double(versions.first().size()) / 1e6;
    state.counters["meetings"] = meetingCount;
    state.counters["rewrites_seen"] = rewritesSeen;
    if (rewritesSeen != rewrites)
        state.SkipWithError("the peer's last rewrite never reached the model");
}
BENCHMARK(peerRewritesItsFileEveryFiveSeconds)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// Starts `work` from the event loop, then runs the loop until `done` holds or `limitMs` passed. Returns the
// longest time the loop was held beyond its tick, and sets `tookMs` to the time until `done` held.
qint64 longestStall(
    const std::function<void()>& work, const std::function<bool()>& done, qint64 limitMs, qint64& tookMs)
{
    qint64 longestStallMs = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(
        &ticker, &QTimer::timeout, [&] { longestStallMs = std::max(longestStallMs, sinceTick.restart() - tickMs); });
    QElapsedTimer running;
    sinceTick.start();
    running.start();
    ticker.start(tickMs);
    QTimer::singleShot(0, work);
    while (!done() && running.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, tickMs);
    tookMs = running.elapsed();
    ticker.stop();
    return std::max(longestStallMs, sinceTick.elapsed() - tickMs);
}

// Our own file holds the merged records of a 32 MB peer file; each minute's refresh writes them back with
// their sightings, as in the running program.
void minuteRefreshRewritesOurOwnFile(benchmark::State& state)
{
    constexpr int minutes = 3;
    Rig rig;
    const platform::Date now = rig.clock.now();
    const int meetingCount = meetingCountForTargetSize(now);
    QByteArray own = peerFile(now, meetingCount, 0, QStringLiteral("PEER"), true);
    own.replace("\"device\": \"PEER\"", "\"device\": \"desk\"");
    writeFile(rig.folder + QStringLiteral("/desk.json"), own);
    rig.startModel(meetingCount);

    qint64 longestStallMs = 0;
    qint64 tookMs = 0;
    const platform::Date last = now.addingSeconds(60 * minutes);
    for (auto _ : state) {
        QTimer minute;
        int passed = 0;
        QObject::connect(&minute, &QTimer::timeout, [&] {
            if (++passed == minutes)
                minute.stop();
            rig.clock.advance(60);
        });
        longestStallMs = longestStall([&] { minute.start(2000); },
            [&] { return passed == minutes && rig.model->lastRefreshAt() == last && !rig.store->isReadingPeerFiles(); },
            120'000, tookMs);
        state.SetIterationTime(double(longestStallMs) / 1000);
    }
    QFile file(rig.folder + QStringLiteral("/desk.json"));
    state.counters["longest_stall_ms"] = double(longestStallMs);
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.counters["meetings"] = meetingCount;
    if (rig.model->lastRefreshAt() != last)
        state.SkipWithError("the last minute's refresh never ended");
}
BENCHMARK(minuteRefreshRewritesOurOwnFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Six machines' files of 31 MB, holding the same meetings, are there when the program starts; this machine's
// calendar holds one meeting three seconds ahead.
void startBesideSixLargePeerFiles(benchmark::State& state)
{
    Rig rig;
    const auto [meetingCount, fileBytes] = rig.writeSixLargePeerFiles();
    const platform::StoreEvent soon = rig.soonMeeting();

    qint64 longestStallMs = 0;
    qint64 tookMs = 0;
    qint64 localMeetingMs = -1;
    for (auto _ : state) {
        QElapsedTimer sinceStart;
        const auto hasLocalMeeting = [&] {
            const QList<MeetingSnapshot>& meetings = rig.model->meetings();
            return std::any_of(meetings.begin(), meetings.end(),
                [](const MeetingSnapshot& meeting) { return meeting.title == QStringLiteral("Soon"); });
        };
        longestStallMs = longestStall(
            [&] {
                sinceStart.start();
                rig.startModelWith(soon);
            },
            [&] {
                if (!rig.model)
                    return false;
                if (localMeetingMs < 0 && hasLocalMeeting())
                    localMeetingMs = sinceStart.elapsed();
                return rig.model->meetings().size() == meetingCount + 1;
            },
            180'000, tookMs);
        state.SetIterationTime(double(longestStallMs) / 1000);
    }
    state.counters["longest_stall_ms"] = double(longestStallMs);
    state.counters["first_meetings_ms"] = double(tookMs);
    // When the meeting due three seconds after start reached the model.
    state.counters["local_meeting_ms"] = double(localMeetingMs);
    state.counters["file_MB"] = double(fileBytes) / 1e6;
    state.counters["meetings"] = meetingCount;
    if (!rig.model || rig.model->meetings().size() != meetingCount + 1)
        state.SkipWithError("the peers' meetings never reached the model");
}
BENCHMARK(startBesideSixLargePeerFiles)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The six machines' files and this machine's meeting as above: their read lands some seconds after the start, and
// then merging them with ours, writing our own file and answering the model must not hold the main thread. A reminder
// due at the landing waits for the main thread's next turn; how late that comes is the lateness of the first tick due
// after the landing is seen.
void sixLargePeerFilesLandAfterStart(benchmark::State& state)
{
    constexpr qint64 afterLandingMs = 10'000;
    constexpr qint64 stallLimitMs = 100;
    Rig rig;
    const int meetingCount = rig.writeSixLargePeerFiles().meetingCount;
    const platform::StoreEvent soon = rig.soonMeeting();

    qint64 longestStallMs = 0;
    qint64 landingMs = -1;
    qint64 lateAtLandingMs = -1;
    for (auto _ : state) {
        QElapsedTimer running;
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 lateMs = std::max<qint64>(0, sinceTick.restart() - tickMs);
            longestStallMs = std::max(longestStallMs, lateMs);
            if (landingMs >= 0 && lateAtLandingMs < 0)
                lateAtLandingMs = lateMs;
            if (landingMs < 0 && rig.store && rig.store->hasReadPeerFiles())
                landingMs = running.elapsed();
        });
        running.start();
        sinceTick.start();
        ticker.start(tickMs);
        QTimer::singleShot(0, [&] { rig.startModelWith(soon); });
        while ((landingMs < 0 || running.elapsed() < landingMs + afterLandingMs) && running.elapsed() < 180'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, tickMs);
        ticker.stop();
        longestStallMs = std::max(longestStallMs, sinceTick.elapsed() - tickMs);
        state.SetIterationTime(double(longestStallMs) / 1000);
    }
    state.counters["longest_stall_ms"] = double(longestStallMs);
    state.counters["landing_ms"] = double(landingMs);
    state.counters["late_at_landing_ms"] = double(lateAtLandingMs);
    state.counters["own_file_MB"] = double(QFile(rig.folder + QStringLiteral("/desk.json")).size()) / 1e6;
    state.counters["meetings"] = meetingCount;
    // Said also when the run fails, which hides the counters.
    std::fprintf(stderr, "longest stall %lld ms, landing at %lld ms, %lld ms late at the landing\n",
        static_cast<long long>(longestStallMs), static_cast<long long>(landingMs),
        static_cast<long long>(lateAtLandingMs));
    if (landingMs < 0)
        state.SkipWithError("the peer files' read never landed");
    else if (rig.model->meetings().size() != meetingCount + 1)
        state.SkipWithError("the peers' meetings never reached the model");
    else if (longestStallMs > stallLimitMs)
        state.SkipWithError("the main thread was held longer than 100 ms");
}
BENCHMARK(sixLargePeerFilesLandAfterStart)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The reminder states our own device file holds.
QList<ReminderState> ownFileStates(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const nlohmann::json json = nlohmann::json::parse(file.readAll().toStdString(), nullptr, false);
    if (!json.is_object() || !json.contains(CloudKey::reminderStates))
        return {};
    const QByteArray value = QByteArray::fromBase64(
        QByteArray::fromStdString(json[CloudKey::reminderStates].value("value", std::string())));
    return decodeRecordArray<ReminderState>(value).value_or(QList<ReminderState>());
}

// Runs the event loop until `done` holds or `limitMs` passed.
void runUntil(const std::function<bool()>& done, qint64 limitMs)
{
    QElapsedTimer running;
    running.start();
    while (!done() && running.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Quit while the six machines' files of 31 MB are read, with a merge of meeting records waiting for that read and an
// answer just given: the shared store and its service go as the program's quit makes them go, at several points of
// the read and just after it, and the answer must be in our device file after each.
void quitWhileSixLargePeerFilesAreRead(benchmark::State& state)
{
    constexpr qint64 quitLimitMs = 1000;
    Rig rig;
    const platform::Date now = rig.clock.now();
    const int meetingCount = rig.writeSixLargePeerFiles().meetingCount;
    const QString ownPath = rig.folder + QStringLiteral("/desk.json");

    std::unique_ptr<CloudSyncService> service;
    int answers = 0;
    // A merge of our records, which waits for the read if it is not over, and an answer.
    const auto mergeAndAnswer = [&] {
        service->syncMeetingSnapshots(peerMeetings(now, 10, 0, QStringLiteral("desk")), QStringLiteral("desk"));
        ReminderState answer;
        answer.stableMeetingID = QStringLiteral("ANSWER-%1").arg(++answers);
        answer.dismissedAt = now;
        answer.updatedAt = now;
        service->syncReminderStates({ answer });
        return answer.stableMeetingID;
    };
    const auto start = [&] {
        rig.makeMachine();
        service = std::make_unique<CloudSyncService>(*rig.store, *rig.account, rig.clock);
        return mergeAndAnswer();
    };
    qint64 readMs = 0;
    qint64 longestQuitMs = 0;
    bool answersKept = true;
    for (auto _ : state) {
        QElapsedTimer whole;
        whole.start();
        start();
        runUntil([&] { return rig.store->hasReadPeerFiles(); }, 180'000);
        readMs = whole.elapsed();
        service.reset();
        rig.store.reset();
        // At 100 %, the quit comes just after the read landed and another merge and answer followed it: the
        // merge of the peers' records runs then.
        for (const int percent : { 0, 10, 50, 90, 100 }) {
            QString answer = start();
            if (percent < 100) {
                runUntil([] { return false; }, readMs * percent / 100);
            } else {
                runUntil([&] { return rig.store->hasReadPeerFiles(); }, 180'000);
                answer = mergeAndAnswer();
            }
            const bool reading = !rig.store->hasReadPeerFiles();
            QElapsedTimer quitting;
            quitting.start();
            service.reset();
            rig.store.reset();
            const qint64 quitMs = quitting.elapsed();
            const QList<ReminderState> kept = ownFileStates(ownPath);
            const bool answerKept = std::any_of(
                kept.begin(), kept.end(), [&](const ReminderState& state) { return state.stableMeetingID == answer; });
            answersKept = answersKept && answerKept;
            longestQuitMs = std::max(longestQuitMs, quitMs);
            std::fprintf(stderr, "quit %d %% into the read (%s): %lld ms, answer %s\n", percent,
                reading ? "still reading" : "read over", static_cast<long long>(quitMs),
                answerKept ? "in our file" : "MISSING");
        }
        state.SetIterationTime(double(longestQuitMs) / 1000);
    }
    state.counters["longest_quit_ms"] = double(longestQuitMs);
    state.counters["read_ms"] = double(readMs);
    state.counters["meetings"] = meetingCount;
    if (!answersKept)
        state.SkipWithError("an answer given before the quit was not in our device file");
    else if (longestQuitMs >= quitLimitMs)
        state.SkipWithError("the quit took a second or more");
}
BENCHMARK(quitWhileSixLargePeerFilesAreRead)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Our own file holds 31 MB of meeting records (six machines' merged) as the program starts: its read and decoding
// must not hold the main thread, a quit at any point of that read must end within a second, and a read given up must
// leave the file as it was.
void startAndQuitWhileOurLargeFileIsRead(benchmark::State& state)
{
    constexpr qint64 quitLimitMs = 1000;
    constexpr qint64 stallLimitMs = 100;
    Rig rig;
    const platform::Date now = rig.clock.now();
    const QByteArray own = peerFile(now, meetingCountForTargetSize(now, 31'000'000), 0, QStringLiteral("desk"), true);
    const QString ownPath = rig.folder + QStringLiteral("/desk.json");
    writeFile(ownPath, own);
    std::unique_ptr<CloudSyncService> service;
    const auto start = [&] {
        rig.makeMachine();
        service = std::make_unique<CloudSyncService>(*rig.store, *rig.account, rig.clock);
    };
    const auto quit = [&] {
        QElapsedTimer quitting;
        quitting.start();
        service.reset();
        rig.store.reset();
        return quitting.elapsed();
    };

    qint64 readMs = 0;
    qint64 longestStallMs = 0;
    qint64 longestQuitMs = 0;
    bool fileKept = true;
    for (auto _ : state) {
        longestStallMs = longestStall(
            start, [&] { return rig.store && rig.store->hasReadOwnValues(); }, 180'000, readMs);
        quit();
        for (const int percent : { 0, 10, 50, 90 }) {
            start();
            runUntil([] { return false; }, readMs * percent / 100);
            const bool reading = !rig.store->hasReadOwnValues();
            const qint64 quitMs = quit();
            longestQuitMs = std::max(longestQuitMs, quitMs);
            QFile file(ownPath);
            const bool kept = file.open(QIODevice::ReadOnly) && file.readAll() == own;
            fileKept = fileKept && kept;
            std::fprintf(stderr, "quit %d %% into the read of our file (%s): %lld ms, file %s\n", percent,
                reading ? "still reading" : "read over", static_cast<long long>(quitMs),
                kept ? "as it was" : "CHANGED");
        }
        state.SetIterationTime(double(longestQuitMs) / 1000);
    }
    state.counters["longest_quit_ms"] = double(longestQuitMs);
    state.counters["longest_stall_ms"] = double(longestStallMs);
    state.counters["read_ms"] = double(readMs);
    state.counters["file_MB"] = double(own.size()) / 1e6;
    if (!fileKept)
        state.SkipWithError("our file was written over while it was read");
    else if (longestQuitMs >= quitLimitMs)
        state.SkipWithError("the quit took a second or more");
    else if (longestStallMs > stallLimitMs)
        state.SkipWithError("the read of our file held the main thread longer than 100 ms");
}
BENCHMARK(startAndQuitWhileOurLargeFileIsRead)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

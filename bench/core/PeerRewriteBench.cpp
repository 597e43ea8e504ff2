// The main thread's longest stall while another machine rewrites a 32 MB device file in the shared folder
// every 5 seconds, each rewrite answered by the model's refresh as in the running program.
#include "tests/core/appmodel/AppModelHarness.h"

#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "tolvar/model/RecordJson.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>

using namespace appmodeltest;
using namespace tolvar;

namespace {

constexpr int rewrites = 4;
constexpr int rewriteIntervalMs = 5000;
constexpr qint64 targetFileSize = 32'000'000;
constexpr int tickMs = 10;

// The peer's meetings, one a minute from an hour ahead, as its own calendar gave them.
QList<MeetingSnapshot> peerMeetings(platform::Date now, int count, int sighting)
{
    QList<MeetingSnapshot> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        MeetingSnapshot snapshot;
        snapshot.title = QStringLiteral("Standup %1").arg(i % 12);
        snapshot.startDate = now.addingSeconds(3600 + 60.0 * i);
        snapshot.endDate = snapshot.startDate.addingSeconds(45);
        snapshot.eventExternalIdentifier = QStringLiteral("EVENT-%1").arg(i % 12);
        snapshot.calendarExternalIdentifier = QStringLiteral("work/team");
        snapshot.calendarTitle = QStringLiteral("Team");
        snapshot.calendarSourceTitle = QStringLiteral("Work");
        snapshot.joinURL = QUrl(QStringLiteral("https://example.zoom.us/j/%1").arg(100000 + i % 12));
        snapshot.location = QStringLiteral("Room %1").arg(i % 12);
        snapshot.sourceDeviceID = QStringLiteral("PEER");
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
QByteArray peerFile(platform::Date now, int meetingCount, int sighting)
{
    const auto entry = [&](const QByteArray& value) {
        return nlohmann::json { { "value", value.toBase64().toStdString() },
            { "time", now.secondsSinceReferenceDate() + sighting }, { "device", "PEER" } };
    };
    const nlohmann::json file = {
        { CloudKey::meetingSnapshots, entry(encodeRecordArray(peerMeetings(now, meetingCount, sighting))) },
        { CloudKey::reminderStates, entry(encodeRecordArray(QList<ReminderState>())) },
        { CloudKey::calendarRules, entry(encodeRecordArray(QList<CalendarRule>())) },
    };
    return QByteArray::fromStdString(file.dump(1, '\t') + '\n');
}

// As many meetings as make a file of about the target size.
int meetingCountForTargetSize(platform::Date now)
{
    constexpr int sample = 1000;
    return int(targetFileSize * sample / peerFile(now, sample, 0).size());
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
    rig.account = std::make_unique<platform::FolderCloudAccount>(rig.folder);
    rig.store = std::make_unique<platform::FolderKeyValueStore>(rig.folder, QStringLiteral("desk"), rig.clock);
    rig.machine = std::make_unique<Machine>(rig.clock, rig.defaults, *rig.store, *rig.account);
    rig.model = rig.machine->makeModel();
    QElapsedTimer started;
    started.start();
    while (rig.model->meetings().size() != meetingCount && started.elapsed() < 120'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

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

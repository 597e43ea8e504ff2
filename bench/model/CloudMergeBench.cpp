// Decoding a shared array of meeting records and merging it, as every record sync does; and the main thread's time
// for one answer beside another machine's file of many reminder states.
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/cloud/MemoryKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/time/TestClock.h"
#include "tolvar/model/CloudSyncService.h"
#include "tolvar/model/RecordJson.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>

using namespace tolvar;
using platform::Date;

namespace {

QByteArray storedArray(int count)
{
    QList<MeetingSnapshot> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        MeetingSnapshot snapshot;
        snapshot.title = QStringLiteral("Weekly sync %1").arg(i % 500);
        snapshot.startDate = Date(1'000'000 + 900.0 * i);
        snapshot.endDate = snapshot.startDate.addingSeconds(1800);
        // Every third record is a second device's copy of the same event.
        snapshot.eventExternalIdentifier = QStringLiteral("EVENT-%1").arg(i - i % 3);
        snapshot.calendarExternalIdentifier = QStringLiteral("work/team");
        snapshot.calendarTitle = QStringLiteral("Team");
        snapshot.joinURL = QUrl(QStringLiteral("https://example.zoom.us/j/%1").arg(i));
        snapshot.sourceDeviceID = QStringLiteral("DEVICE-%1").arg(i % 3);
        snapshot.lastSeenAt = Date(500'000 + i);
        snapshot.attendees = { { QStringLiteral("a%1").arg(i), QStringLiteral("Ada"), AttendeeRSVPStatus::accepted,
            false, QStringLiteral("ada@example.com") } };
        snapshot.id = MeetingSnapshot::makeStableID(
            snapshot.title, snapshot.startDate, snapshot.endDate, snapshot.joinURL, snapshot.eventExternalIdentifier);
        records.append(snapshot);
    }
    return encodeRecordArray(records);
}

void decodeAndMerge(benchmark::State& state)
{
    const QByteArray data = storedArray(int(state.range(0)));
    platform::TestClock clock(Date(0));
    platform::MemoryKeyValueStore store;
    platform::TestCloudAccount account;
    CloudSyncService service(store, account, clock);
    for (auto _ : state) {
        const auto records = decodeRecordArray<MeetingSnapshot>(data);
        benchmark::DoNotOptimize(service.mergeSnapshots(*records));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

double mainThreadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A peer's device file holding `count` dismissed reminder states.
void writePeerStates(const QString& path, int count)
{
    QList<ReminderState> states;
    states.reserve(count);
    for (int i = 0; i < count; ++i) {
        ReminderState dismissed;
        dismissed.stableMeetingID = QStringLiteral("meeting-%1-with-a-stable-identifier-of-usual-length").arg(i);
        dismissed.updatedAt = Date(1'000'000 + i);
        dismissed.dismissedAt = dismissed.updatedAt;
        states.append(dismissed);
    }
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(R"({")") + CloudKey::reminderStates + R"(": {"value": ")"
        + encodeRecordArray(states).toBase64() + R"(", "time": 1500000, "device": "peer"}})");
    file.commit();
}

// Each answer is merged with the peer's states and written; what the main thread spends on it must stay under 100 ms.
void answerBesidePeerStates(benchmark::State& state)
{
    QTemporaryDir dir;
    writePeerStates(dir.filePath(QStringLiteral("peer.json")), int(state.range(0)));
    platform::TestClock clock(Date(2'000'000));
    platform::TestCloudAccount account;
    platform::FolderKeyValueStore store(dir.path(), QStringLiteral("mine"), clock);
    CloudSyncService service(store, account, clock);
    QCoro::waitFor(service.fetchReminderStates());
    double longestMs = 0;
    int answer = 0;
    for (auto _ : state) {
        ReminderState dismissed;
        dismissed.stableMeetingID = QStringLiteral("answered-%1").arg(++answer);
        dismissed.updatedAt = clock.now();
        dismissed.dismissedAt = clock.now();
        const double before = mainThreadCpuMs();
        QCoro::waitFor(service.syncReminderStates({ dismissed }));
        const double tookMs = mainThreadCpuMs() - before;
        longestMs = std::max(longestMs, tookMs);
        state.SetIterationTime(tookMs / 1000);
        // The write itself runs on the store's writer thread, outside what is measured.
        store.flush();
    }
    state.counters["longest_main_thread_ms"] = longestMs;
    // Said also when the run fails, which hides the counters.
    std::fprintf(stderr, "longest main thread time of an answer: %.1f ms\n", longestMs);
    if (!store.data(CloudKey::reminderStates).value_or(QByteArray()).contains("answered-1"))
        state.SkipWithError("the answer was not written");
    else if (longestMs > 100)
        state.SkipWithError("an answer held the main thread longer than 100 ms");
}

} // namespace

BENCHMARK(decodeAndMerge)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(answerBesidePeerStates)->Arg(150'000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Decoding a shared array of meeting records and merging it, as every record sync does.
#include "platform/cloud/MemoryKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/time/TestClock.h"
#include "tolvar/model/CloudSyncService.h"
#include "tolvar/model/RecordJson.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK(decodeAndMerge)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Cleaning a calendar location that holds thousands of links, which a hostile invitation may carry and which
// every refresh cleans again.
#include "tolvar/model/MeetingLinks.h"

#include <benchmark/benchmark.h>

namespace {

void cleanLocation(benchmark::State& state)
{
    QString location = QStringLiteral("Room 4 ");
    for (int i = 0; i < state.range(0); ++i)
        location += QStringLiteral("https://example.zoom.us/j/%1 ").arg(i);
    for (auto _ : state)
        benchmark::DoNotOptimize(tolvar::physicalLocationText(location));
}

} // namespace

BENCHMARK(cleanLocation)->Arg(16000)->Arg(64000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

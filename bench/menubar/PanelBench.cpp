// The menu panel over 200 meetings in seven days: building and painting it, and one clock tick.
#include "tests/core/appmodel/AppModelHarness.h"

#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/MenuBarContentView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace appmodeltest;
using namespace tolvar;

namespace {

constexpr int meetingCount = 200;

// A model holding 200 meetings from this morning over the next seven days: some running now, the
// next one within the hour, and many more later today.
struct Bench : ModelRig
{
    Bench()
    {
        useBerlinTime();
        clock.setNow(berlin(2026, 3, 5, 10, 15));
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        model = machine.makeModel();
        settle();
        QList<MeetingSnapshot> meetings;
        for (int i = 0; i < meetingCount; ++i) {
            const platform::Date start = berlin(2026, 3, 5 + i % 7, 9).addingSeconds(600.0 * (i / 7));
            MeetingSnapshot snapshot = meeting(QStringLiteral("Meeting %1").arg(i), start, start.addingSeconds(1800));
            if (i % 3 == 0)
                snapshot.location = QStringLiteral("Room %1").arg(i);
            meetings.append(snapshot);
        }
        model->setMeetings(meetings);
    }
    ~Bench()
    {
        model.reset();
        ShortcutKit::shutDown();
    }
};

// What a window does from the click to its first frame: make the view, lay it out, paint it.
void buildAndPaintPanel(benchmark::State& state)
{
    Bench bench;
    qsizetype rows = 0;
    for (auto _ : state) {
        MenuBarContentView view(*bench.model);
        view.show();
        QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&frame);
        view.render(&painter);
        painter.end();
        rows = view.upcomingSection()->items().size();
        benchmark::DoNotOptimize(frame.bits());
    }
    if (rows == 0)
        state.SkipWithError("the panel showed no upcoming rows");
}
BENCHMARK(buildAndPaintPanel)->Unit(benchmark::kMillisecond);

// One second of the panel's clock: the lists are worked out again and the countdowns change.
void clockTickRebuild(benchmark::State& state)
{
    Bench bench;
    MenuBarContentView view(*bench.model);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        bench.clock.setNow(bench.clock.now().addingSeconds(1));
        view.ui().setNow(bench.clock.now());
    }
    if (!view.nextSection()->isVisible())
        state.SkipWithError("no NEXT meeting to count down to");
}
BENCHMARK(clockTickRebuild)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Opening the tray panel and the Quick Panel with 200 meetings over seven days: from the click (or the
// shortcut) to the first painted frame of the panel's content.
#include "tests/core/appmodel/AppModelHarness.h"

#include "platform/activation/MemoryActivationPolicy.h"
#include "platform/calendarapp/TestCalendarApp.h"
#include "tolvar/app/MenuBarExtraWindow.h"
#include "tolvar/app/TolvarApp.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/menubar/QuickPanelController.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <benchmark/benchmark.h>

using namespace appmodeltest;
using namespace tolvar;

namespace {

constexpr int meetingCount = 200;
constexpr int days = 7;

// Counts the paints of the content it watches.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

struct Bench : ModelRig
{
    Bench()
    {
        useBerlinTime();
        clock.setNow(berlin(2026, 3, 5, 8));
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        model = machine.makeModel();
        settle();
        model->setForwardDays(days);
        settle();
        QList<MeetingSnapshot> meetings;
        for (int i = 0; i < meetingCount; ++i) {
            // Spread over the seven days, 9:00 to about 18:00.
            const platform::Date start = berlin(2026, 3, 5 + i % days, 9 + (i / days) % 9, (i / days / 9) * 20);
            MeetingSnapshot meeting = appmodeltest::meeting(QStringLiteral("Meeting %1").arg(i), start,
                start.addingSeconds(1800), QStringLiteral("https://zoom.us/j/%1").arg(i));
            meeting.location = QStringLiteral("Room %1").arg(i % 12);
            meetings.append(meeting);
        }
        model->setMeetings(meetings);
        settle();
    }
    ~Bench()
    {
        model.reset();
        ShortcutKit::shutDown();
    }

    QWidget* content(QuickPanelPinModel* pinModel)
    {
        watch.painted = false;
        QWidget* view = makePanelContent(*model, registry, machine.workspace, calendarApp, pinModel);
        view->installEventFilter(&watch);
        return view;
    }
    // Runs the event loop until the content has painted once.
    void waitForPaint()
    {
        while (!watch.painted)
            QCoreApplication::processEvents();
    }

    PanelTransientHotkeys registry { &hotKeys };
    platform::TestCalendarApp calendarApp;
    platform::MemoryActivationPolicy activationPolicy;
    PaintWatch watch;
};

void trayPanelFirstOpening(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<TolvarApp>(
            *bench.model, bench.activationPolicy, [&bench] { return bench.content(nullptr); });
        state.ResumeTiming();
        app->togglePanel();
        bench.waitForPaint();
        state.PauseTiming();
        app.reset();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(trayPanelFirstOpening)->Unit(benchmark::kMillisecond)->Iterations(20);

void trayPanelReopening(benchmark::State& state)
{
    Bench bench;
    TolvarApp app(*bench.model, bench.activationPolicy, [&bench] { return bench.content(nullptr); });
    app.togglePanel();
    bench.waitForPaint();
    for (auto _ : state) {
        state.PauseTiming();
        app.panelWindow()->hide();
        bench.clock.advance(1);
        settle();
        bench.watch.painted = false;
        state.ResumeTiming();
        app.togglePanel();
        bench.waitForPaint();
    }
}
BENCHMARK(trayPanelReopening)->Unit(benchmark::kMillisecond)->Iterations(50);

void quickPanelOpening(benchmark::State& state)
{
    Bench bench;
    QuickPanelController controller(bench.registry,
        [&bench](AppModel&, std::function<void()>, QuickPanelPinModel* pinModel) { return bench.content(pinModel); });
    QCursor::setPos(200, 100);
    for (auto _ : state) {
        controller.toggle(*bench.model, [] {});
        bench.waitForPaint();
        state.PauseTiming();
        controller.closePanel();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(quickPanelOpening)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

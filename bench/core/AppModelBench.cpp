// A refresh over a full calendar with a cloud exchange, and the scheduler's once-a-second tick.
#include "tests/core/appmodel/AppModelHarness.h"

#include "platform/activity/MemoryProcessActivity.h"
#include "tolvar/reminders/ReminderScheduler.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

using namespace appmodeltest;
using namespace tolvar;

namespace {

constexpr int meetingCount = 1000;

// One machine with 1,000 coming meetings in its calendar and a signed-in shared store.
struct Bench : ModelRig
{
    Bench()
    {
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        const platform::StoreCalendar work { "work", "Team", "Work" };
        machine.eventStore.setAuthorizationStatus(
            platform::EntityType::event, platform::AuthorizationStatus::fullAccess);
        machine.eventStore.setCalendars(platform::EntityType::event, { work });
        QList<platform::StoreEvent> events;
        for (int i = 0; i < meetingCount; ++i) {
            platform::StoreEvent event;
            event.calendar = work;
            event.title = QStringLiteral("Meeting %1").arg(i);
            // Spread over the days ahead, none due now.
            event.start = clock.now().addingSeconds(3600 + 300.0 * i);
            event.end = event.start.addingSeconds(1800);
            event.url = QStringLiteral("https://zoom.us/j/%1").arg(i);
            event.externalIdentifier = QStringLiteral("UID-%1").arg(i);
            event.itemIdentifier = QStringLiteral("ITEM-%1").arg(i);
            events.append(event);
        }
        machine.eventStore.setEvents(events);
        defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
        machine.makeScheduler = [this](AppModel& app) {
            auto made = std::make_unique<ReminderScheduler>(app, app.overlayController(), clock, activity);
            scheduler = made.get();
            return made;
        };
        model = machine.makeModel();
        // A thousand meetings are merged off the main thread: the first publication comes a few turns later.
        QElapsedTimer waited;
        waited.start();
        while (model->meetings().size() != meetingCount && waited.elapsed() < 120'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ~Bench()
    {
        model.reset();
        ShortcutKit::shutDown();
    }

    platform::MemoryProcessActivity activity;
    ReminderScheduler* scheduler = nullptr;
};

void refreshWithCloudExchange(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state) {
        QCoro::waitFor(bench.model->refresh());
    }
    if (bench.model->meetings().size() != meetingCount)
        state.SkipWithError("the refresh did not publish every meeting");
}
BENCHMARK(refreshWithCloudExchange)->Unit(benchmark::kMillisecond);

void schedulerTick(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state)
        bench.scheduler->evaluate();
    if (bench.model->meetings().size() != meetingCount)
        state.SkipWithError("the model does not hold every meeting");
}
BENCHMARK(schedulerTick)->Unit(benchmark::kMicrosecond);

} // namespace

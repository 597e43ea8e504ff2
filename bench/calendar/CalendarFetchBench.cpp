// Starts like the application does, fetches the coming seven days of every calendar below
// $XDG_DATA_HOME/calendars twice (the second time with nothing changed) and prints both times, then the
// program's peak resident memory. The first fetch is the first one to find what the folder holds: the store's
// first answer waits for its first read only so long, and that wait is printed as the first answer.
#include "bench/support/ProcessStatus.h"
#include "platform/calendar/ICalendarStore.h"
#include "platform/time/SystemClock.h"
#include "tolvar/core/CalendarService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace tolvar;

namespace {

// Lists the calendars and fetches the meetings of all of them, as a refresh does.
qsizetype fetch(CalendarService& service, qint64& meetingsNs)
{
    QSet<QString> selected;
    for (const CalendarSource& source : service.calendarSources())
        selected.insert(source.id);
    QElapsedTimer timer;
    timer.start();
    const qsizetype count = service.fetchMeetings(selected, QStringLiteral("bench"), {}, 7).size();
    meetingsNs = timer.nsecsElapsed();
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::SystemClock clock;
    platform::ICalendarStore store;
    CalendarService service(store, clock);
    if (QCoro::waitFor(service.requestCalendarAccess()) != PermissionState::granted)
        return 1;

    QElapsedTimer timer;
    timer.start();
    qint64 firstMeetingsNs = 0;
    qsizetype first = fetch(service, firstMeetingsNs);
    const qint64 firstAnswerNs = timer.nsecsElapsed();
    const qsizetype firstAnswer = first;
    // Given before the first read was done, from the files read so far: the application fetches again on the
    // change that follows.
    if (!store.isFirstReadComplete()) {
        while (!store.isFirstReadComplete())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        first = fetch(service, firstMeetingsNs);
    }
    const qint64 firstNs = timer.nsecsElapsed();
    timer.restart();
    qint64 secondMeetingsNs = 0;
    const qsizetype second = fetch(service, secondMeetingsNs);
    const qint64 secondNs = timer.nsecsElapsed();

    std::printf("first answer: %.3f ms, with meetings: %lld\n", firstAnswerNs / 1e6, qlonglong(firstAnswer));
    std::printf("first fetch: %.3f ms (%lld meetings; %.3f ms of it in fetchMeetings)\n"
                "second fetch: %.3f ms (%lld meetings; %.3f ms of it in fetchMeetings)\n",
        firstNs / 1e6, qlonglong(first), firstMeetingsNs / 1e6, secondNs / 1e6, qlonglong(second),
        secondMeetingsNs / 1e6);
    std::printf("peak resident: %lld kB, resident now: %lld kB\n", qlonglong(statusKilobytes("VmHWM")),
        qlonglong(statusKilobytes("VmRSS")));
    return first == second ? 0 : 2;
}

// Fetches a week from a calendar that holds the recurrence rules libical's iterator spins on, and rules counted from
// a first start long before the window, beside an ordinary meeting, and prints how long the main thread spent in
// each fetch. Every fetch asks a window no earlier fetch covered, so the rules are expanded again each time.
#include "platform/calendar/ICalendarStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace platform;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/calendars/cal");
    const char* rules[] = { "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30", "FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=HOURLY;BYDAY=-1SU", "FREQ=MONTHLY;BYMONTHDAY=2,-1;BYSETPOS=9", "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30;COUNT=5", "FREQ=MINUTELY;COUNT=2000000",
        "FREQ=SECONDLY;INTERVAL=3600;COUNT=100000", "FREQ=MONTHLY;BYHOUR=13,18;BYDAY=TU,WE,SU;BYSETPOS=1;COUNT=900",
        "FREQ=YEARLY;BYSECOND=0,30;BYMINUTE=0,30;BYHOUR=9,17;BYSETPOS=-1;COUNT=50",
        "FREQ=YEARLY;BYYEARDAY=1,100,270;BYMONTH=4,9" };
    QByteArray text = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:meeting\r\nSUMMARY:Meeting\r\n"
                      "DTSTART:20250602T110000Z\r\nRRULE:FREQ=WEEKLY\r\nEND:VEVENT\r\n";
    for (const char* rule : rules) {
        text += QByteArray("BEGIN:VEVENT\r\nUID:") + rule + "\r\nSUMMARY:x\r\nDTSTART:20250602T110000Z\r\nRRULE:" + rule
            + "\r\nEND:VEVENT\r\n";
    }
    QFile file(dir.path() + "/calendars/cal/hostile.ics");
    if (!file.open(QIODevice::WriteOnly) || file.write(text + "END:VCALENDAR\r\n") < 0)
        return 1;
    file.close();

    ICalendarStore store(dir.path() + "/calendars", dir.path() + "/access");
    // As the application does on a first launch: nothing is listed before access is given.
    if (!QCoro::waitFor(store.requestFullAccess(EntityType::event)))
        return 1;
    const QList<StoreCalendar> calendars = store.calendars(EntityType::event);
    QSignalSpy changed(&store, &EventStore::changed);
    QList<double> msecs;
    qsizetype meetings = 0;
    for (int week = 0; week < 20; ++week) {
        const Date from = Date::fromDateTime(QDateTime(QDate(2026, 1, 5), QTime(9, 0), QTimeZone::utc()))
                              .addingSeconds(week * 30 * 86400.0);
        QElapsedTimer timer;
        timer.start();
        const QList<StoreEvent> events = store.events(from, from.addingSeconds(7 * 86400.0), calendars);
        msecs.append(timer.nsecsElapsed() / 1e6);
        // Some hostile rules do give occurrences (a numbered BYDAY in an hourly rule reads as every Sunday):
        // only the ordinary meeting says whether each week was fetched.
        meetings += std::count_if(events.cbegin(), events.cend(),
            [](const StoreEvent& event) { return event.title == QStringLiteral("Meeting"); });
        // The worker's rules land before the next window is asked.
        changed.wait(5000);
    }
    std::sort(msecs.begin(), msecs.end());
    std::printf("fetch of a week beside the hostile rules: median %.3f ms, slowest %.3f ms (the ordinary "
                "meeting in %lld of 20 weeks)\n",
        msecs.at(msecs.size() / 2), msecs.last(), qlonglong(meetings));
    return meetings == 20 ? 0 : 2;
}

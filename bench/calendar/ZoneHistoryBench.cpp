// Reads, through the store, a calendar file whose time zone is defined by hundreds or thousands of observances
// with yearly rules from year 1, as definitions that carry a zone's history do, and prints how long the main
// thread waited in the first fetch and how long until the file's events were known. Fails when 500
// observances take a second or more, or when the events read are not the file's.
#include "platform/calendar/ICalendarStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace platform;

namespace {

QByteArray calendarWithZoneOf(int observances)
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:History\r\n";
    for (int i = 0; i < observances / 2; ++i) {
        const QByteArray until = QByteArray::number(1 + i * 8000 / observances).rightJustified(4, '0') + "1231T235959Z";
        text += "BEGIN:DAYLIGHT\r\nDTSTART:00010311T020000\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
                "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL="
            + until
            + "\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\nDTSTART:00011104T020000\r\nTZOFFSETFROM:-0400\r\n"
              "TZOFFSETTO:-0500\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU;UNTIL="
            + until + "\r\nEND:STANDARD\r\n";
    }
    text += "END:VTIMEZONE\r\n";
    for (const char* start : { "20260107T090000", "20260707T090000" }) {
        text += QByteArray("BEGIN:VEVENT\r\nUID:") + start + "\r\nSUMMARY:Meeting\r\nDTSTART;TZID=History:" + start
            + "\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

Date utc(int year, int month, int day, int hour)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone::utc()));
}

// Milliseconds from the store's start until the first fetch answered, which is how long the main thread
// waited; false when the file's two meetings were not read at 09:00 Eastern time.
bool firstFetch(int observances, double& msecs)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/calendars/cal");
    QFile file(dir.path() + "/calendars/cal/history.ics");
    if (!file.open(QIODevice::WriteOnly) || file.write(calendarWithZoneOf(observances)) < 0)
        return false;
    file.close();

    QElapsedTimer timer;
    timer.start();
    ICalendarStore store(dir.path() + "/calendars", dir.path() + "/access");
    const QList<StoreEvent> events = store.events(utc(2026, 1, 1, 0), utc(2027, 1, 1, 0), { { "cal", {}, {} } });
    msecs = timer.nsecsElapsed() / 1e6;
    QList<Date> starts;
    for (const StoreEvent& event : events)
        starts.append(event.start);
    std::sort(starts.begin(), starts.end());
    return starts == QList<Date>({ utc(2026, 1, 7, 14), utc(2026, 7, 7, 13) });
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool fast = true;
    for (const int observances : { 500, 5000 }) {
        double msecs = 0;
        if (!firstFetch(observances, msecs)) {
            std::printf("zone of %d observances: the meetings were not read in their zone\n", observances);
            return 2;
        }
        std::printf("zone of %d observances: first fetch answered after %.1f ms (the main thread's wait)\n",
            observances, msecs);
        fast = fast && (observances != 500 || msecs < 1000);
    }
    return fast ? 0 : 1;
}

// Reads, through the store, a calendar file whose time zone is defined by hundreds or thousands of observances
// with yearly rules from year 1, as definitions that carry a zone's history do, and prints how long the main
// thread waited in the first fetch and how long until the file's events were known. Fails when 500
// observances take a second or more, or when the events read are not the file's.
// Then reads 10,000 events in shuffled years in a zone whose daylight rule never matches, from year 1, and
// prints how long the whole read took; fails at two seconds or more, or when the offsets read are wrong.
#include "platform/calendar/ICalendarStore.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

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

// Standard time all along: the daylight rule asks for 30 February.
QByteArray calendarInYearsOfANeverMatchingZone(int events)
{
    // Both parts start at one instant, where the one written last holds.
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Never\r\n"
                      "BEGIN:DAYLIGHT\r\nDTSTART:00010101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30\r\nEND:DAYLIGHT\r\n"
                      "BEGIN:STANDARD\r\nDTSTART:00010101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\n"
                      "END:STANDARD\r\nEND:VTIMEZONE\r\n";
    std::mt19937 random(6);
    std::uniform_int_distribution<int> year(1, 9999);
    std::uniform_int_distribution<int> month(1, 12);
    std::uniform_int_distribution<int> day(1, 28);
    for (int i = 0; i < events; ++i) {
        const QByteArray start = QByteArray::number(year(random)).rightJustified(4, '0')
            + QByteArray::number(month(random)).rightJustified(2, '0')
            + QByteArray::number(day(random)).rightJustified(2, '0') + "T090000";
        text += "BEGIN:VEVENT\r\nUID:shuffled-" + QByteArray::number(i)
            + "\r\nSUMMARY:Meeting in a year of no order\r\n" + "DTSTART;TZID=Never:" + start
            + "\r\nDURATION:PT1H\r\nEND:VEVENT\r\n";
    }
    for (const char* start : { "20260107T090000", "20260707T090000" }) {
        text += QByteArray("BEGIN:VEVENT\r\nUID:") + start + "\r\nSUMMARY:Meeting\r\nDTSTART;TZID=Never:" + start
            + "\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

// Milliseconds until the whole file was read; false when its 2026 meetings were not read at 09:00 standard time.
bool readShuffledYears(int events, double& msecs, qint64& bytes)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/calendars/cal");
    QFile file(dir.path() + "/calendars/cal/shuffled.ics");
    const QByteArray text = calendarInYearsOfANeverMatchingZone(events);
    bytes = text.size();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0)
        return false;
    file.close();

    QElapsedTimer timer;
    timer.start();
    ICalendarStore store(dir.path() + "/calendars", dir.path() + "/access");
    // Tasks are answered only once every file has been read.
    QCoro::waitFor(store.incompleteReminders({}, {}, {}));
    msecs = timer.nsecsElapsed() / 1e6;
    QList<Date> starts;
    for (const StoreEvent& event : store.events(utc(2026, 1, 1, 0), utc(2027, 1, 1, 0), { { "cal", {}, {} } })) {
        if (event.title == QStringLiteral("Meeting"))
            starts.append(event.start);
    }
    std::sort(starts.begin(), starts.end());
    return starts == QList<Date>({ utc(2026, 1, 7, 8), utc(2026, 7, 7, 8) });
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
    const int events = 10000;
    double msecs = 0;
    qint64 bytes = 0;
    if (!readShuffledYears(events, msecs, bytes)) {
        std::printf("%d events in shuffled years: the meetings were not read in their zone\n", events);
        return 2;
    }
    std::printf("%d events in shuffled years (%.1f MB) in a zone whose daylight rule never matches: read in %.1f ms\n",
        events, bytes / 1e6, msecs);
    fast = fast && msecs < 2000;
    return fast ? 0 : 1;
}

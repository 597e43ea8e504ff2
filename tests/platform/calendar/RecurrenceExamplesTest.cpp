// Every recurrence example of RFC 5545 section 3.8.5.3, read by the real store. The expected occurrences are
// written as the RFC writes them and read by a small parser of that notation: "(1997 9:00 AM EDT) September
// 2,4,6,8...24; October 2" lists days, "(September 2, 1997 EDT) 09:00,12:00" times, "8...24" continues the
// step before it, and a trailing "..." means the series goes on past the last one listed.
#include "CalendarTestFiles.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <cstdio>
#include <functional>

using namespace platform;

namespace {

struct Example
{
    const char* title;
    const char* start;
    const char* rule;
    const char* expected;
    const char* extra = "";
};

const Example examples[] = {
    { "Daily for 10 occurrences", "19970902T090000", "FREQ=DAILY;COUNT=10", "(1997 9:00 AM EDT) September 2-11" },
    { "Daily until December 24, 1997", "19970902T090000", "FREQ=DAILY;UNTIL=19971224T000000Z",
        "(1997 9:00 AM EDT) September 2-30;October 1-25 "
        "(1997 9:00 AM EST) October 26-31;November 1-30;December 1-23" },
    { "Every other day - forever", "19970902T090000", "FREQ=DAILY;INTERVAL=2",
        "(1997 9:00 AM EDT) September 2,4,6,8...24,26,28,30; October 2,4,6...20,22,24 "
        "(1997 9:00 AM EST) October 26,28,30; November 1,3,5,7...25,27,29; December 1,3,..." },
    { "Every 10 days, 5 occurrences", "19970902T090000", "FREQ=DAILY;INTERVAL=10;COUNT=5",
        "(1997 9:00 AM EDT) September 2,12,22; October 2,12" },
    { "Every day in January, for 3 years (yearly)", "19980101T090000",
        "FREQ=YEARLY;UNTIL=20000131T140000Z;BYMONTH=1;BYDAY=SU,MO,TU,WE,TH,FR,SA",
        "(1998 9:00 AM EST)January 1-31 (1999 9:00 AM EST)January 1-31 (2000 9:00 AM EST)January 1-31" },
    { "Every day in January, for 3 years (daily)", "19980101T090000", "FREQ=DAILY;UNTIL=20000131T140000Z;BYMONTH=1",
        "(1998 9:00 AM EST)January 1-31 (1999 9:00 AM EST)January 1-31 (2000 9:00 AM EST)January 1-31" },
    { "Weekly for 10 occurrences", "19970902T090000", "FREQ=WEEKLY;COUNT=10",
        "(1997 9:00 AM EDT) September 2,9,16,23,30;October 7,14,21 (1997 9:00 AM EST) October 28;November 4" },
    { "Weekly until December 24, 1997", "19970902T090000", "FREQ=WEEKLY;UNTIL=19971224T000000Z",
        "(1997 9:00 AM EDT) September 2,9,16,23,30; October 7,14,21 "
        "(1997 9:00 AM EST) October 28; November 4,11,18,25; December 2,9,16,23" },
    { "Every other week - forever", "19970902T090000", "FREQ=WEEKLY;INTERVAL=2;WKST=SU",
        "(1997 9:00 AM EDT) September 2,16,30; October 14 "
        "(1997 9:00 AM EST) October 28; November 11,25; December 9,23 "
        "(1998 9:00 AM EST) January 6,20; February 3,17 ..." },
    { "Weekly on Tuesday and Thursday for five weeks (until)", "19970902T090000",
        "FREQ=WEEKLY;UNTIL=19971007T000000Z;WKST=SU;BYDAY=TU,TH",
        "(1997 9:00 AM EDT) September 2,4,9,11,16,18,23,25,30; October 2" },
    { "Weekly on Tuesday and Thursday for five weeks (count)", "19970902T090000",
        "FREQ=WEEKLY;COUNT=10;WKST=SU;BYDAY=TU,TH", "(1997 9:00 AM EDT) September 2,4,9,11,16,18,23,25,30; October 2" },
    { "Every other week on Monday, Wednesday, and Friday until December 24, 1997", "19970901T090000",
        "FREQ=WEEKLY;INTERVAL=2;UNTIL=19971224T000000Z;WKST=SU;BYDAY=MO,WE,FR",
        "(1997 9:00 AM EDT) September 1,3,5,15,17,19,29; October 1,3,13,15,17 "
        "(1997 9:00 AM EST) October 27,29,31; November 10,12,14,24,26,28; December 8,10,12,22" },
    { "Every other week on Tuesday and Thursday, for 8 occurrences", "19970902T090000",
        "FREQ=WEEKLY;INTERVAL=2;COUNT=8;WKST=SU;BYDAY=TU,TH",
        "(1997 9:00 AM EDT) September 2,4,16,18,30; October 2,14,16" },
    { "Monthly on the first Friday for 10 occurrences", "19970905T090000", "FREQ=MONTHLY;COUNT=10;BYDAY=1FR",
        "(1997 9:00 AM EDT) September 5; October 3 (1997 9:00 AM EST) November 7; December 5 "
        "(1998 9:00 AM EST) January 2; February 6; March 6; April 3 (1998 9:00 AM EDT) May 1; June 5" },
    { "Monthly on the first Friday until December 24, 1997", "19970905T090000",
        "FREQ=MONTHLY;UNTIL=19971224T000000Z;BYDAY=1FR",
        "(1997 9:00 AM EDT) September 5; October 3 (1997 9:00 AM EST) November 7; December 5" },
    { "Every other month on the first and last Sunday of the month for 10 occurrences", "19970907T090000",
        "FREQ=MONTHLY;INTERVAL=2;COUNT=10;BYDAY=1SU,-1SU",
        "(1997 9:00 AM EDT) September 7,28 (1997 9:00 AM EST) November 2,30 "
        "(1998 9:00 AM EST) January 4,25; March 1,29 (1998 9:00 AM EDT) May 3,31" },
    { "Monthly on the second-to-last Monday of the month for 6 months", "19970922T090000",
        "FREQ=MONTHLY;COUNT=6;BYDAY=-2MO",
        "(1997 9:00 AM EDT) September 22; October 20 (1997 9:00 AM EST) November 17; December 22 "
        "(1998 9:00 AM EST) January 19; February 16" },
    { "Monthly on the third-to-the-last day of the month, forever", "19970928T090000", "FREQ=MONTHLY;BYMONTHDAY=-3",
        "(1997 9:00 AM EDT) September 28 (1997 9:00 AM EST) October 29; November 28; December 29 "
        "(1998 9:00 AM EST) January 29; February 26 ..." },
    { "Monthly on the 2nd and 15th of the month for 10 occurrences", "19970902T090000",
        "FREQ=MONTHLY;COUNT=10;BYMONTHDAY=2,15",
        "(1997 9:00 AM EDT) September 2,15; October 2,15 (1997 9:00 AM EST) November 2,15; December 2,15 "
        "(1998 9:00 AM EST) January 2,15" },
    { "Monthly on the first and last day of the month for 10 occurrences", "19970930T090000",
        "FREQ=MONTHLY;COUNT=10;BYMONTHDAY=1,-1",
        "(1997 9:00 AM EDT) September 30; October 1 (1997 9:00 AM EST) October 31; November 1,30; December 1,31 "
        "(1998 9:00 AM EST) January 1,31; February 1" },
    { "Every 18 months on the 10th thru 15th of the month for 10 occurrences", "19970910T090000",
        "FREQ=MONTHLY;INTERVAL=18;COUNT=10;BYMONTHDAY=10,11,12,13,14,15",
        "(1997 9:00 AM EDT) September 10,11,12,13,14,15 (1999 9:00 AM EST) March 10,11,12,13" },
    { "Every Tuesday, every other month", "19970902T090000", "FREQ=MONTHLY;INTERVAL=2;BYDAY=TU",
        "(1997 9:00 AM EDT) September 2,9,16,23,30 (1997 9:00 AM EST) November 4,11,18,25 "
        "(1998 9:00 AM EST) January 6,13,20,27; March 3,10,17,24,31 ..." },
    { "Yearly in June and July for 10 occurrences", "19970610T090000", "FREQ=YEARLY;COUNT=10;BYMONTH=6,7",
        "(1997 9:00 AM EDT) June 10; July 10 (1998 9:00 AM EDT) June 10; July 10 "
        "(1999 9:00 AM EDT) June 10; July 10 (2000 9:00 AM EDT) June 10; July 10 "
        "(2001 9:00 AM EDT) June 10; July 10" },
    { "Every other year on January, February, and March for 10 occurrences", "19970310T090000",
        "FREQ=YEARLY;INTERVAL=2;COUNT=10;BYMONTH=1,2,3",
        "(1997 9:00 AM EST) March 10 (1999 9:00 AM EST) January 10; February 10; March 10 "
        "(2001 9:00 AM EST) January 10; February 10; March 10 (2003 9:00 AM EST) January 10; February 10; March 10" },
    { "Every third year on the 1st, 100th, and 200th day for 10 occurrences", "19970101T090000",
        "FREQ=YEARLY;INTERVAL=3;COUNT=10;BYYEARDAY=1,100,200",
        "(1997 9:00 AM EST) January 1 (1997 9:00 AM EDT) April 10; July 19 (2000 9:00 AM EST) January 1 "
        "(2000 9:00 AM EDT) April 9; July 18 (2003 9:00 AM EST) January 1 (2003 9:00 AM EDT) April 10; July 19 "
        "(2006 9:00 AM EST) January 1" },
    { "Every 20th Monday of the year, forever", "19970519T090000", "FREQ=YEARLY;BYDAY=20MO",
        "(1997 9:00 AM EDT) May 19 (1998 9:00 AM EDT) May 18 (1999 9:00 AM EDT) May 17 ..." },
    { "Monday of week number 20, forever", "19970512T090000", "FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO",
        "(1997 9:00 AM EDT) May 12 (1998 9:00 AM EDT) May 11 (1999 9:00 AM EDT) May 17 ..." },
    { "Every Thursday in March, forever", "19970313T090000", "FREQ=YEARLY;BYMONTH=3;BYDAY=TH",
        "(1997 9:00 AM EST) March 13,20,27 (1998 9:00 AM EST) March 5,12,19,26 "
        "(1999 9:00 AM EST) March 4,11,18,25 ..." },
    { "Every Thursday, but only during June, July, and August, forever", "19970605T090000",
        "FREQ=YEARLY;BYDAY=TH;BYMONTH=6,7,8",
        "(1997 9:00 AM EDT) June 5,12,19,26; July 3,10,17,24,31; August 7,14,21,28 "
        "(1998 9:00 AM EDT) June 4,11,18,25; July 2,9,16,23,30; August 6,13,20,27 "
        "(1999 9:00 AM EDT) June 3,10,17,24; July 1,8,15,22,29; August 5,12,19,26 ..." },
    { "Every Friday the 13th, forever", "19970902T090000", "FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13",
        "(1998 9:00 AM EST) February 13; March 13; November 13 (1999 9:00 AM EDT) August 13 "
        "(2000 9:00 AM EDT) October 13 ...",
        "EXDATE;TZID=America/New_York:19970902T090000\n" },
    { "The first Saturday that follows the first Sunday of the month, forever", "19970913T090000",
        "FREQ=MONTHLY;BYDAY=SA;BYMONTHDAY=7,8,9,10,11,12,13",
        "(1997 9:00 AM EDT) September 13; October 11 (1997 9:00 AM EST) November 8; December 13 "
        "(1998 9:00 AM EST) January 10; February 7; March 7 (1998 9:00 AM EDT) April 11; May 9; June 13..." },
    { "Every 4 years, the first Tuesday after a Monday in November, forever", "19961105T090000",
        "FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8",
        "(1996 9:00 AM EST) November 5 (2000 9:00 AM EST) November 7 (2004 9:00 AM EST) November 2 ..." },
    { "The third instance into the month of one of Tuesday, Wednesday, or Thursday, for the next 3 months",
        "19970904T090000", "FREQ=MONTHLY;COUNT=3;BYDAY=TU,WE,TH;BYSETPOS=3",
        "(1997 9:00 AM EDT) September 4; October 7 (1997 9:00 AM EST) November 6" },
    { "The second-to-last weekday of the month", "19970929T090000", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2",
        "(1997 9:00 AM EDT) September 29 (1997 9:00 AM EST) October 30; November 27; December 30 "
        "(1998 9:00 AM EST) January 29; February 26; March 30 ..." },
    // The RFC lists 15:00 too, but 15:00 EDT is 19:00 UTC, after its own UNTIL of 17:00 UTC.
    { "Every 3 hours from 9:00 AM to 5:00 PM on a specific day", "19970902T090000",
        "FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000Z", "(September 2, 1997 EDT) 09:00,12:00" },
    { "Every 15 minutes for 6 occurrences", "19970902T090000", "FREQ=MINUTELY;INTERVAL=15;COUNT=6",
        "(September 2, 1997 EDT) 09:00,09:15,09:30,09:45,10:00,10:15" },
    { "Every hour and a half for 4 occurrences", "19970902T090000", "FREQ=MINUTELY;INTERVAL=90;COUNT=4",
        "(September 2, 1997 EDT) 09:00,10:30;12:00;13:30" },
    { "Every 20 minutes from 9:00 AM to 4:40 PM every day (daily)", "19970902T090000",
        "FREQ=DAILY;BYHOUR=9,10,11,12,13,14,15,16;BYMINUTE=0,20,40",
        "(September 2, 1997 EDT) 9:00,9:20,9:40,10:00,10:20, ... 16:00,16:20,16:40 "
        "(September 3, 1997 EDT) 9:00,9:20,9:40,10:00,10:20, ...16:00,16:20,16:40 ..." },
    { "Every 20 minutes from 9:00 AM to 4:40 PM every day (minutely)", "19970902T090000",
        "FREQ=MINUTELY;INTERVAL=20;BYHOUR=9,10,11,12,13,14,15,16",
        "(September 2, 1997 EDT) 9:00,9:20,9:40,10:00,10:20, ... 16:00,16:20,16:40 "
        "(September 3, 1997 EDT) 9:00,9:20,9:40,10:00,10:20, ...16:00,16:20,16:40 ..." },
    { "Days generated make a difference because of WKST (Monday)", "19970805T090000",
        "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=MO", "(1997 EDT) August 5,10,19,24" },
    { "Days generated make a difference because of WKST (Sunday)", "19970805T090000",
        "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=SU", "(1997 EDT) August 5,17,19,31" },
    { "An invalid date (February 30) is ignored", "20070115T090000", "FREQ=MONTHLY;BYMONTHDAY=15,30;COUNT=5",
        "(2007 EST) January 15,30 (2007 EST) February 15 (2007 EDT) March 15,30" },
    // Beyond the standard's examples: BYSETPOS picks among days, each once however many values name it, and an
    // INTERVAL longer than 16 bits.
    { "Days of the month named twice", "20271215T091500", "FREQ=MONTHLY;BYMONTHDAY=15,31,-1;BYSETPOS=-2",
        "(2027 9:15 AM EST) December 15 (2028 9:15 AM EST) January 15; February 15 (2028 9:15 AM EDT) March 15 ..." },
    { "The last day of the month, named thrice", "20271130T091500",
        "FREQ=MONTHLY;COUNT=6;BYMONTHDAY=-1,1,15,25,31;BYSETPOS=-1",
        "(2027 9:15 AM EST) November 30; December 31 (2028 9:15 AM EST) January 31; February 29 "
        "(2028 9:15 AM EDT) March 31; April 30" },
    { "The last day of the year, named twice", "20271231T091500", "FREQ=YEARLY;BYYEARDAY=365,-1,100;BYSETPOS=-1",
        "(2027 9:15 AM EST) December 31 (2028 9:15 AM EST) December 31 (2029 9:15 AM EST) December 31 ..." },
    { "Every 65537 days", "20270701T091500", "FREQ=DAILY;INTERVAL=65537",
        "(2027 9:15 AM EDT) July 1 (2206 9:15 AM EST) December 7 ..." },
    { "Every 65537 weeks", "20270701T091500", "FREQ=WEEKLY;INTERVAL=65537", "(2027 9:15 AM EDT) July 1" },
    { "Every 65537 months", "20270701T091500", "FREQ=MONTHLY;INTERVAL=65537;BYDAY=1TH", "(2027 9:15 AM EDT) July 1" },
    { "Every 65537 years", "20270701T091500", "FREQ=YEARLY;INTERVAL=65537", "(2027 9:15 AM EDT) July 1" },
    { "Every 40000 minutes", "20270701T091500", "FREQ=MINUTELY;INTERVAL=40000",
        "(2027 9:15 AM EDT) July 1 (2027 3:55 AM EDT) July 29 ..." },
    { "Every 90001 seconds", "20270701T091500", "FREQ=SECONDLY;INTERVAL=90001",
        "(July 1, 2027 EDT) 9:15 (July 2, 2027 EDT) 10:15:01 (July 3, 2027 EDT) 11:15:02 ..." },
    // The file's own parameter of that name is not the whole interval.
    { "Every day, a whole interval forged", "20270701T091500", ";X-TOLVAR-INTERVAL=2:FREQ=DAILY;COUNT=3",
        "(2027 9:15 AM EDT) July 1-3" },
    { "Every 32767 days, a whole interval forged", "20270701T091500",
        ";X-TOLVAR-INTERVAL=1:FREQ=DAILY;INTERVAL=32767;COUNT=2",
        "(2027 9:15 AM EDT) July 1 (2117 9:15 AM EDT) March 18" },
};

// The occurrences an example lists, and whether the series goes on past them.
struct Listed
{
    QList<Date> starts;
    bool goesOn = false;
};

int monthNamed(const QString& name)
{
    static const QStringList months = { "January", "February", "March", "April", "May", "June", "July", "August",
        "September", "October", "November", "December" };
    return int(months.indexOf(name)) + 1;
}

// Reads "2", "2-11", "8...24", "...16:00", "3..." and "...": a value, a run of them, or the end of the list.
void readItems(const QString& list, const std::function<int(const QString&)>& valueOf, QList<int>& values, bool& goesOn)
{
    for (const QString& item : list.split(QRegularExpression("[,;]"), Qt::SkipEmptyParts)) {
        const QString text = item.trimmed();
        if (text.contains("...")) {
            const QString before = text.section("...", 0, 0);
            const QString after = text.section("...", 1);
            if (!before.isEmpty())
                values.append(valueOf(before));
            if (after.isEmpty()) {
                goesOn = true;
                continue;
            }
            const int step = values.size() >= 2 ? values.last() - values.at(values.size() - 2) : 1;
            for (int value = values.last() + step; value <= valueOf(after); value += step)
                values.append(value);
        } else if (text.contains('-')) {
            for (int value = valueOf(text.section('-', 0, 0)); value <= valueOf(text.section('-', 1)); ++value)
                values.append(value);
        } else if (!text.isEmpty()) {
            values.append(valueOf(text));
        }
    }
}

Listed listed(const QString& text, QTime startTime)
{
    Listed result;
    static const QRegularExpression group(R"(\(([^)]*)\)([^(]*))");
    for (const QRegularExpressionMatch& match : group.globalMatch(text)) {
        const QStringList header = match.captured(1).remove(',').split(' ', Qt::SkipEmptyParts);
        const int offset = header.last() == "EDT" ? -4 * 3600 : -5 * 3600;
        const auto at = [&](QDate date, QTime time) {
            result.starts.append(Date::fromDateTime(QDateTime(date, time, QTimeZone(offset))));
        };
        const QString body = match.captured(2);
        if (monthNamed(header.first()) > 0) {
            // "(September 2, 1997 EDT) 09:00,12:00": times of one day, in seconds.
            const QDate date(header.at(2).toInt(), monthNamed(header.first()), header.at(1).toInt());
            QList<int> seconds;
            readItems(
                body,
                [](const QString& time) {
                    const QString format = time.count(':') == 2 ? "H:mm:ss" : "H:mm";
                    return QTime::fromString(time.trimmed(), format).msecsSinceStartOfDay() / 1000;
                },
                seconds, result.goesOn);
            for (int second : seconds)
                at(date, QTime(0, 0).addSecs(second));
            continue;
        }
        // "(1997 9:00 AM EDT) September 2-30;October 1-25": days of months at one time.
        const int year = header.first().toInt();
        const QTime time
            = header.size() == 4 ? QTime::fromString(header.at(1) + ' ' + header.at(2), "h:mm AP") : startTime;
        static const QRegularExpression month(R"(([A-Z][a-z]+)\s*([^A-Z]*))");
        for (const QRegularExpressionMatch& days : month.globalMatch(body)) {
            QList<int> values;
            readItems(
                days.captured(2), [](const QString& day) { return day.trimmed().toInt(); }, values, result.goesOn);
            for (int day : values)
                at(QDate(year, monthNamed(days.captured(1)), day), time);
        }
        if (body.trimmed() == "...")
            result.goesOn = true;
    }
    return result;
}

} // namespace

using RecurrenceExamplesTest = CalendarFilesTest;

TEST_F(RecurrenceExamplesTest, EveryExampleOfTheStandardThroughTheStore)
{
    const QTimeZone newYork("America/New_York");
    QList<Listed> expected;
    QList<std::pair<Date, Date>> windows;
    for (qsizetype i = 0; i < std::ssize(examples); ++i) {
        const Example& example = examples[i];
        write(QString("example-%1.ics").arg(i),
            QString("BEGIN:VEVENT\nUID:example-%1\nDTSTART;TZID=America/New_York:%2\n%3RRULE%4%5\nEND:VEVENT\n")
                .arg(i)
                .arg(example.start, example.extra, example.rule[0] == ';' ? "" : ":", example.rule));
        const QDateTime start = QDateTime::fromString(example.start, "yyyyMMdd'T'HHmmss");
        const Listed occurrences = listed(example.expected, start.time());
        expected.append(occurrences);
        // A series that ends is also checked for nothing after its end.
        const Date last = occurrences.starts.isEmpty() ? Date() : occurrences.starts.last();
        windows.append({ Date::fromDateTime(QDateTime(start.date(), start.time(), newYork)),
            last.addingSeconds(occurrences.goesOn ? 60 : 2 * 366 * 86400.0) });
    }

    ICalendarStore store;
    QSignalSpy changed(&store, &EventStore::changed);
    const auto fetch = [&](qsizetype i) {
        return store.events(windows[i].first, windows[i].second, { calendar(QString("example-%1.ics").arg(i)) });
    };
    const auto startsOf = [&](qsizetype i) {
        QList<Date> starts;
        for (const StoreEvent& event : fetch(i))
            starts.append(event.start);
        std::sort(starts.begin(), starts.end());
        return starts;
    };
    const auto agreeing = [&] {
        int count = 0;
        for (qsizetype i = 0; i < std::ssize(examples); ++i)
            count += startsOf(i) == expected[i].starts ? 1 : 0;
        return count;
    };
    // Rules too costly for the main thread arrive from the worker, each batch with a change.
    while (agreeing() < std::ssize(examples) && changed.wait(120000)) { }

    for (qsizetype i = 0; i < std::ssize(examples); ++i) {
        SCOPED_TRACE(examples[i].title);
        ASSERT_FALSE(expected[i].starts.isEmpty());
        EXPECT_EQ(startsOf(i), expected[i].starts);
    }
    std::printf("%d of %d examples agree\n", agreeing(), int(std::size(examples)));
}

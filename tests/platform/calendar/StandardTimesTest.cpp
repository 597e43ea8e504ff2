// Times, lengths and rules read as RFC 5545 has them, through the real store. The user's zone is Berlin.
#include "CalendarTestFiles.h"

#include "platform/calendar/RuleExpansion.h"

#include <QMutex>
#include <QSignalSpy>

using namespace platform;

namespace {

Date utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc()));
}

QList<Date> startsOf(const QList<StoreEvent>& events)
{
    QList<Date> starts;
    for (const StoreEvent& event : events)
        starts.append(event.start);
    std::sort(starts.begin(), starts.end());
    return starts;
}

// The mail programs' form of a zone that only the file defines.
const QString easternDefinition
    = QStringLiteral("BEGIN:VTIMEZONE\nTZID:%1\n"
                     "BEGIN:STANDARD\nDTSTART:16010101T020000\nTZOFFSETFROM:-0400\n"
                     "TZOFFSETTO:-0500\nRRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\nEND:STANDARD\n"
                     "BEGIN:DAYLIGHT\nDTSTART:16010101T020000\nTZOFFSETFROM:-0500\n"
                     "TZOFFSETTO:-0400\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\nEND:DAYLIGHT\n"
                     "END:VTIMEZONE\n");

} // namespace

namespace platform {

void PrintTo(const Date& date, std::ostream* out)
{
    *out << date.toDateTime().toString(Qt::ISODate).toStdString();
}

} // namespace platform

class StandardTimesTest : public CalendarFilesTest
{
protected:
    // One event per file, each file its own calendar; waits for rules expanded away from the main thread.
    QList<StoreEvent> fetch(const QString& name, const QString& event, Date from, Date to)
    {
        write(name + ".ics", event);
        ICalendarStore store;
        QSignalSpy changed(&store, &EventStore::changed);
        QList<StoreEvent> events = store.events(from, to, { calendar(name + ".ics") });
        while (changed.wait(500))
            events = store.events(from, to, { calendar(name + ".ics") });
        return events;
    }
};

TEST_F(StandardTimesTest, ZonesOnlyTheFileDefinesKeepTheirOffsetsInEverySeries)
{
    const QString windows = QStringLiteral("(UTC-05:00) Eastern Time (US & Canada)");
    const QList<StoreEvent> single = fetch("windows",
        easternDefinition.arg(windows)
            + QStringLiteral("BEGIN:VEVENT\nUID:a\nDTSTART;TZID=%1:20260401T090000\n"
                             "DTEND;TZID=%1:20260401T100000\nEND:VEVENT\n")
                  .arg(windows),
        utc(2026, 4, 1), utc(2026, 4, 2));
    ASSERT_EQ(single.size(), 1);
    EXPECT_EQ(single[0].start, utc(2026, 4, 1, 13));
    EXPECT_EQ(single[0].end, utc(2026, 4, 1, 14));

    // Expanded long after the file's parse is gone: across the change to summer time on 8 March 2026.
    const QList<StoreEvent> weekly = fetch("custom",
        easternDefinition.arg("Custom Eastern")
            + "BEGIN:VEVENT\nUID:b\nDTSTART;TZID=Custom Eastern:20260302T090000\nRRULE:FREQ=WEEKLY;COUNT=3\n"
              "EXDATE;TZID=Custom Eastern:20260316T090000\nEND:VEVENT\n",
        utc(2026, 3, 1), utc(2026, 4, 1));
    EXPECT_EQ(startsOf(weekly), QList<Date>({ utc(2026, 3, 2, 14), utc(2026, 3, 9, 13) }));

    // A system zone wins over the file's own definition of the same name; a name nobody defines is local, and so
    // is one whose definition changes the offset every minute, which libical would list for hours.
    const QList<StoreEvent> named = fetch("named",
        QStringLiteral("BEGIN:VTIMEZONE\nTZID:Asia/Tokyo\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
                       "TZOFFSETFROM:+0100\nTZOFFSETTO:+0100\nEND:STANDARD\nEND:VTIMEZONE\n"
                       "BEGIN:VEVENT\nUID:c\nDTSTART;TZID=Asia/Tokyo:20260401T090000\nEND:VEVENT\n"
                       "BEGIN:VEVENT\nUID:d\nDTSTART;TZID=Nowhere:20260401T090000\nEND:VEVENT\n"
                       "BEGIN:VTIMEZONE\nTZID:Spinning\nBEGIN:STANDARD\nDTSTART:19000101T000000\n"
                       "TZOFFSETFROM:+0300\nTZOFFSETTO:+0300\nRRULE:FREQ=MINUTELY\nEND:STANDARD\nEND:VTIMEZONE\n"
                       "BEGIN:VEVENT\nUID:e\nDTSTART;TZID=Spinning:20260401T100000\nEND:VEVENT\n"),
        utc(2026, 3, 31), utc(2026, 4, 2));
    EXPECT_EQ(startsOf(named), QList<Date>({ utc(2026, 4, 1), utc(2026, 4, 1, 7), utc(2026, 4, 1, 8) }));
}

TEST_F(StandardTimesTest, RepeatedWallClockTimesMeanTheirFirstOccurrence)
{
    // RFC 5545 3.3.5: 01:30 on 4 November 2007 in New York is 01:30 EDT, and 02:30 on 11 March 2007, which
    // does not exist, is 03:30 EDT.
    const QList<StoreEvent> examples = fetch("examples",
        "BEGIN:VEVENT\nUID:a\nDTSTART;TZID=America/New_York:20071104T013000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:b\nDTSTART;TZID=America/New_York:20070311T023000\nEND:VEVENT\n",
        utc(2007, 3, 1), utc(2007, 12, 1));
    EXPECT_EQ(startsOf(examples), QList<Date>({ utc(2007, 3, 11, 7, 30), utc(2007, 11, 4, 5, 30) }));

    // An hourly series passes through the repeated hour once, the first time.
    const QList<StoreEvent> hourly = fetch("hourly",
        "BEGIN:VEVENT\nUID:h\nDTSTART;TZID=America/New_York:20071104T000000\nRRULE:FREQ=HOURLY;COUNT=4\n"
        "END:VEVENT\n",
        utc(2007, 11, 4), utc(2007, 11, 5));
    EXPECT_EQ(startsOf(hourly),
        QList<Date>({ utc(2007, 11, 4, 4), utc(2007, 11, 4, 5), utc(2007, 11, 4, 7), utc(2007, 11, 4, 8) }));

    // A floating time reads the same in the user's zone.
    const QList<StoreEvent> floating = fetch(
        "floating", "BEGIN:VEVENT\nUID:f\nDTSTART:20261025T023000\nEND:VEVENT\n", utc(2026, 10, 24), utc(2026, 10, 26));
    EXPECT_EQ(startsOf(floating), QList<Date>({ utc(2026, 10, 25, 0, 30) }));
}

TEST_F(StandardTimesTest, UntilIsAnInstant)
{
    // 02:30 on 29 March does not exist in Berlin: that week's meeting is at 03:30 CEST, after UNTIL.
    const QList<StoreEvent> spring = fetch("spring",
        "BEGIN:VEVENT\nUID:s\nDTSTART;TZID=Europe/Berlin:20260315T023000\n"
        "RRULE:FREQ=WEEKLY;UNTIL=20260329T010000Z\nEND:VEVENT\n",
        utc(2026, 3, 1), utc(2026, 5, 1));
    EXPECT_EQ(startsOf(spring), QList<Date>({ utc(2026, 3, 15, 1, 30), utc(2026, 3, 22, 1, 30) }));

    // UNTIL is 02:15 CET, the second pass through 02:15; 02:30 CEST came before it.
    const QList<StoreEvent> autumn = fetch("autumn",
        "BEGIN:VEVENT\nUID:a\nDTSTART;TZID=Europe/Berlin:20261011T023000\n"
        "RRULE:FREQ=WEEKLY;UNTIL=20261025T011500Z\nEND:VEVENT\n",
        utc(2026, 10, 1), utc(2026, 12, 1));
    EXPECT_EQ(startsOf(autumn),
        QList<Date>({ utc(2026, 10, 11, 0, 30), utc(2026, 10, 18, 0, 30), utc(2026, 10, 25, 0, 30) }));
}

TEST_F(StandardTimesTest, DtendGivesEveryInstanceItsExactLengthAndDurationInDaysStaysNominal)
{
    // RFC 5545 3.8.5.3: a night shift from 22:00 to 06:00 lasts eight hours on both change nights.
    for (const auto& [name, start, end, from] :
        { std::tuple { "spring", "20260327T220000", "20260328T060000", utc(2026, 3, 28, 12) },
            std::tuple { "autumn", "20261023T220000", "20261024T060000", utc(2026, 10, 24, 12) } }) {
        SCOPED_TRACE(name);
        const QList<StoreEvent> nights = fetch(name,
            QStringLiteral("BEGIN:VEVENT\nUID:n\nDTSTART;TZID=Europe/Berlin:%1\nDTEND;TZID=Europe/Berlin:%2\n"
                           "RRULE:FREQ=DAILY;COUNT=3\nEND:VEVENT\n")
                .arg(start, end),
            from, from.addingSeconds(86400));
        ASSERT_EQ(nights.size(), 1);
        EXPECT_EQ(nights[0].end.secondsSince(nights[0].start), 8 * 3600.0);
    }

    // A day of DURATION is a calendar day: 23 hours on 29 March. All-day dates keep whole days too.
    const QList<StoreEvent> days = fetch("days",
        "BEGIN:VEVENT\nUID:d\nSUMMARY:Nominal\nDTSTART;TZID=Europe/Berlin:20260328T120000\nDURATION:P1D\n"
        "RRULE:FREQ=DAILY;COUNT=2\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:w\nSUMMARY:All day\nDTSTART;VALUE=DATE:20260327\nDTEND;VALUE=DATE:20260328\n"
        "RRULE:FREQ=DAILY;COUNT=3\nEND:VEVENT\n",
        utc(2026, 3, 29), utc(2026, 3, 29, 1));
    ASSERT_EQ(days.size(), 2);
    for (const StoreEvent& event : days) {
        SCOPED_TRACE(event.title->toStdString());
        EXPECT_EQ(event.end.secondsSince(event.start), 23 * 3600.0);
    }
}

TEST_F(StandardTimesTest, WeeklyRulesPickBySetPosition)
{
    // Tuesday 3 March 2026: the last of Monday and Tuesday each week is the Tuesday.
    const QList<StoreEvent> last = fetch("last",
        "BEGIN:VEVENT\nUID:l\nDTSTART:20260303T090000Z\nRRULE:FREQ=WEEKLY;BYDAY=MO,TU;BYSETPOS=-1;COUNT=3\n"
        "END:VEVENT\n",
        utc(2026, 3, 1), utc(2026, 5, 1));
    EXPECT_EQ(startsOf(last), QList<Date>({ utc(2026, 3, 3, 9), utc(2026, 3, 10, 9), utc(2026, 3, 17, 9) }));

    // Every other week from Sunday starts, the first of Tuesday and Friday, seen from a window far on.
    const QList<StoreEvent> first = fetch("first",
        "BEGIN:VEVENT\nUID:f\nDTSTART:20260303T090000Z\n"
        "RRULE:FREQ=WEEKLY;INTERVAL=2;WKST=SU;BYDAY=TU,FR;BYSETPOS=1\nEND:VEVENT\n",
        utc(2026, 6, 1), utc(2026, 7, 1));
    EXPECT_EQ(startsOf(first), QList<Date>({ utc(2026, 6, 9, 9), utc(2026, 6, 23, 9) }));
}

TEST_F(StandardTimesTest, SeriesBegunLongAgoGiveTheirStartsInTheWindow)
{
    // Begun 140 and 10 days before the window, each counted from its first start: every half hour until
    // 22 November, and every hour until 22 November, 08:20:15.
    const QList<StoreEvent> events = fetch("long-ago",
        "BEGIN:VEVENT\nUID:m\nDTSTART:20260701T000000Z\nRRULE:FREQ=MINUTELY;INTERVAL=30;COUNT=6912\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:s\nDTSTART:20261108T092015Z\nRRULE:FREQ=SECONDLY;INTERVAL=3600;COUNT=336\nEND:VEVENT\n",
        utc(2026, 11, 18), utc(2026, 11, 25));
    QList<Date> expected;
    for (int i = 0; i < 192; ++i)
        expected.append(utc(2026, 11, 18).addingSeconds(i * 1800));
    for (int i = 0; i < 105; ++i)
        expected.append(utc(2026, 11, 18).addingSeconds(20 * 60 + 15 + i * 3600));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(startsOf(events), expected);
}

TEST_F(StandardTimesTest, PeriodsOfRdateCountWithTheirOwnLength)
{
    // RFC 5545 3.8.5.2.
    const QList<StoreEvent> events = fetch("periods",
        "BEGIN:VEVENT\nUID:p\nDTSTART:19960402T010000Z\nDTEND:19960402T020000Z\n"
        "RDATE;VALUE=PERIOD:19960403T020000Z/19960403T040000Z,19960404T010000Z/PT3H\nEND:VEVENT\n",
        utc(1996, 4, 1), utc(1996, 4, 5));
    ASSERT_EQ(events.size(), 3);
    QList<std::pair<Date, Date>> spans;
    for (const StoreEvent& event : events)
        spans.append({ event.start, event.end });
    std::sort(spans.begin(), spans.end());
    EXPECT_EQ(spans,
        (QList<std::pair<Date, Date>>({ { utc(1996, 4, 2, 1), utc(1996, 4, 2, 2) },
            { utc(1996, 4, 3, 2), utc(1996, 4, 3, 4) }, { utc(1996, 4, 4, 1), utc(1996, 4, 4, 4) } })));
}

TEST_F(StandardTimesTest, PartsForbiddenInDailyRulesKeepTheSeries)
{
    // Thursday 1 January 2026. A numbered weekday counts as its weekday; day of the year and week number filter.
    const QList<StoreEvent> events = fetch("forbidden",
        "BEGIN:VEVENT\nUID:a\nSUMMARY:Mondays\nDTSTART:20260101T090000Z\nRRULE:FREQ=DAILY;BYDAY=1MO\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:b\nSUMMARY:Days\nDTSTART:20260101T100000Z\nRRULE:FREQ=DAILY;BYYEARDAY=12,-355\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:c\nSUMMARY:Week\nDTSTART:20260101T110000Z\nRRULE:FREQ=DAILY;BYWEEKNO=3;BYDAY=TU,WE\n"
        "END:VEVENT\n",
        utc(2026, 1, 5), utc(2026, 1, 20));
    EXPECT_EQ(startsOf(events),
        QList<Date>({ utc(2026, 1, 5, 9), utc(2026, 1, 11, 10), utc(2026, 1, 12, 9), utc(2026, 1, 12, 10),
            utc(2026, 1, 13, 11), utc(2026, 1, 14, 11), utc(2026, 1, 19, 9) }));
    // The last week of 2026 starts on Sunday 27 December with WKST=SU, and is the ISO week of Monday the 28th.
    const QList<StoreEvent> lastWeek = fetch("last-week",
        "BEGIN:VEVENT\nUID:s\nDTSTART:20261201T080000Z\nRRULE:FREQ=DAILY;BYWEEKNO=-1;BYDAY=SA,SU;WKST=SU\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:m\nDTSTART:20261201T090000Z\nRRULE:FREQ=DAILY;BYWEEKNO=-1;BYDAY=SA,SU\nEND:VEVENT\n",
        utc(2026, 12, 20), utc(2027, 1, 10));
    EXPECT_EQ(startsOf(lastWeek),
        QList<Date>({ utc(2026, 12, 27, 8), utc(2027, 1, 2, 8), utc(2027, 1, 2, 9), utc(2027, 1, 3, 9) }));
}

TEST_F(StandardTimesTest, WeeksStartOnTheDayTheRuleSays)
{
    // From Thursday 5 March 2026, every other week. Weeks from Saturday, Monday or Sunday hold Tuesday and
    // Thursday alike; weeks from Wednesday pair each Thursday with the Tuesday after it.
    const QList<Date> fromMonday = { utc(2026, 3, 5, 9), utc(2026, 3, 17, 9), utc(2026, 3, 19, 9), utc(2026, 3, 31, 9),
        utc(2026, 4, 2, 9), utc(2026, 4, 14, 9), utc(2026, 4, 16, 9), utc(2026, 4, 28, 9) };
    const QList<Date> fromWednesday = { utc(2026, 3, 5, 9), utc(2026, 3, 10, 9), utc(2026, 3, 19, 9),
        utc(2026, 3, 24, 9), utc(2026, 4, 2, 9), utc(2026, 4, 7, 9), utc(2026, 4, 16, 9), utc(2026, 4, 21, 9) };
    for (const auto& [weekStart, expected] : { std::pair { "SA", fromMonday }, std::pair { "MO", fromMonday },
             std::pair { "SU", fromMonday }, std::pair { "WE", fromWednesday } }) {
        SCOPED_TRACE(weekStart);
        const QList<StoreEvent> events = fetch(QStringLiteral("weeks-%1").arg(weekStart),
            QStringLiteral("BEGIN:VEVENT\nUID:w\nDTSTART:20260305T090000Z\n"
                           "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH;WKST=%1;COUNT=8\nEND:VEVENT\n")
                .arg(weekStart),
            utc(2026, 3, 1), utc(2026, 7, 1));
        EXPECT_EQ(startsOf(events), expected);
    }
}

TEST_F(StandardTimesTest, YearlyWeekNumbersAreThoseOfTheTurnOfTheYear)
{
    // From Wednesday 1 January 2025. 2026 alone has 53 weeks, the last from Monday 28 December; week 52 of 2027
    // ends on Sunday 2 January 2028, and week 52 of 2028 on Sunday 31 December. A rule without weekdays takes
    // the first start's.
    const QList<StoreEvent> events = fetch("week-numbers",
        "BEGIN:VEVENT\nUID:a\nDTSTART:20250101T090000Z\nRRULE:FREQ=YEARLY;BYWEEKNO=53;BYDAY=MO\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:b\nDTSTART:20250101T100000Z\nRRULE:FREQ=YEARLY;BYWEEKNO=-1\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:c\nDTSTART:20250101T110000Z\nRRULE:FREQ=YEARLY;BYWEEKNO=52;BYDAY=SU\nEND:VEVENT\n",
        utc(2025, 6, 1), utc(2029, 1, 10));
    EXPECT_EQ(startsOf(events),
        QList<Date>({ utc(2025, 12, 24, 10), utc(2025, 12, 28, 11), utc(2026, 12, 27, 11), utc(2026, 12, 28, 9),
            utc(2026, 12, 30, 10), utc(2027, 12, 29, 10), utc(2028, 1, 2, 11), utc(2028, 12, 27, 10),
            utc(2028, 12, 31, 11) }));
}

namespace {

// US Eastern time since 2007 as `standard` and `daylight` rules say it, with the first start of each.
QString easternBy(const QString& tzid, const QString& standardStart, const QString& standard,
    const QString& daylightStart, const QString& daylight)
{
    return QStringLiteral("BEGIN:VTIMEZONE\nTZID:%1\n"
                          "BEGIN:STANDARD\nDTSTART:%2\nTZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nRRULE:%3\nEND:STANDARD\n"
                          "BEGIN:DAYLIGHT\nDTSTART:%4\nTZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nRRULE:%5\nEND:DAYLIGHT\n"
                          "END:VTIMEZONE\n")
        .arg(tzid, standardStart, standard, daylightStart, daylight);
}

QMutex g_warningsMutex;
QStringList g_warnings;

// The warnings logged while it lives, on any thread.
struct WarningLog
{
    WarningLog()
        : previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            QMutexLocker locker(&g_warningsMutex);
            g_warnings.append(message);
        }))
    {
        QMutexLocker locker(&g_warningsMutex);
        g_warnings.clear();
    }
    ~WarningLog() { qInstallMessageHandler(previous); }
    QStringList warnings() const
    {
        QMutexLocker locker(&g_warningsMutex);
        return g_warnings;
    }
    QtMessageHandler previous;
};

} // namespace

TEST_F(StandardTimesTest, ZonesOfEveryYearlyRuleTheFileMayWrite)
{
    // Each definition says that 2026 is on summer time from 8 March to 1 November, 02:00 local time.
    const QString first = QStringLiteral("20070101T020000");
    const std::tuple<const char*, QString> definitions[] = {
        { "hour and minute",
            easternBy("z", first, "FREQ=YEARLY;BYMONTH=11;BYDAY=1SU;BYHOUR=2;BYMINUTE=0", first,
                "FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;BYHOUR=2;BYMINUTE=0") },
        { "set position",
            easternBy("z", first, "FREQ=YEARLY;BYMONTH=11;BYDAY=SU;BYSETPOS=1", first,
                "FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=2") },
        { "days of the month and weekday",
            easternBy("z", first, "FREQ=YEARLY;BYMONTH=11;BYDAY=SU;BYMONTHDAY=1,2,3,4,5,6,7", first,
                "FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYMONTHDAY=8,9,10,11,12,13,14") },
        // The 305th and 67th days of 2026, a year of 365 days.
        { "days of the year",
            easternBy("z", first, "FREQ=YEARLY;BYYEARDAY=-61;UNTIL=20261231T000000Z", first,
                "FREQ=YEARLY;BYYEARDAY=67;UNTIL=20261231T000000Z") },
        { "the first start's month and day",
            easternBy("z", "20261101T020000", "FREQ=YEARLY", "20260308T020000", "FREQ=YEARLY") },
    };
    for (const auto& [name, definition] : definitions) {
        SCOPED_TRACE(name);
        WarningLog log;
        const QList<StoreEvent> events = fetch("defined",
            definition
                + "BEGIN:VEVENT\nUID:w\nDTSTART;TZID=z:20260107T090000\nEND:VEVENT\n"
                  "BEGIN:VEVENT\nUID:s\nDTSTART;TZID=z:20260707T090000\nEND:VEVENT\n"
                  "BEGIN:VEVENT\nUID:c\nDTSTART;TZID=z:20260308T013000\nRRULE:FREQ=HOURLY;COUNT=2\nEND:VEVENT\n"
                  "BEGIN:VEVENT\nUID:d\nDTSTART;TZID=z:20261101T013000\nEND:VEVENT\n",
            utc(2026, 1, 1), utc(2027, 1, 1));
        // 09:00 EST is 14:00 UTC, 09:00 EDT 13:00; an hour after 01:30 on 8 March is 03:30, and 01:30 on
        // 1 November means the first of its two instants.
        EXPECT_EQ(startsOf(events),
            QList<Date>({ utc(2026, 1, 7, 14), utc(2026, 3, 8, 6, 30), utc(2026, 3, 8, 7, 30), utc(2026, 7, 7, 13),
                utc(2026, 11, 1, 5, 30) }));
        EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join('\n').toStdString();
    }
}

TEST_F(StandardTimesTest, ZonesRefusedSayWhy)
{
    WarningLog log;
    const QList<StoreEvent> events = fetch("refused",
        easternBy("z", "20070101T020000", "FREQ=MONTHLY;BYDAY=1SU", "20070101T020000", "FREQ=YEARLY;BYMONTH=3")
            + "BEGIN:VEVENT\nUID:w\nDTSTART;TZID=z:20260107T090000\nEND:VEVENT\n",
        utc(2026, 1, 1), utc(2026, 2, 1));
    // Read in the user's zone.
    EXPECT_EQ(startsOf(events), QList<Date>({ utc(2026, 1, 7, 8) }));
    const QStringList warnings = log.warnings();
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings.first().contains("repeats by a rule that is not yearly")) << warnings.first().toStdString();
}

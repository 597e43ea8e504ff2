#include "platform/calendar/RuleExpansion.h"
#include "platform/calendar/RuleExpansionWorker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace platform;

namespace {

CalendarTime utcTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    CalendarTime time;
    time.date = QDate(year, month, day);
    time.time = QTime(hour, minute, second);
    time.zone = CalendarTime::Zone::utc;
    return time;
}

Date utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return utcTime(year, month, day, hour, minute, second).toDate();
}

RuleStarts expand(const char* rule, const CalendarTime& first, Date from, Date to)
{
    RuleStarts found;
    RuleExpansion(icalrecurrencetype_from_string(rule), first).append(from, to, found);
    return found;
}

QList<Date> startsOf(const char* rule, const CalendarTime& first, Date from, Date to)
{
    QList<Date> dates;
    for (const CalendarTime& time : expand(rule, first, from, to).starts)
        dates.append(time.toDate());
    return dates;
}

// `count` starts `step` seconds apart from `first`.
QList<Date> evenly(Date first, double step, int count)
{
    QList<Date> dates;
    for (int i = 0; i < count; ++i)
        dates.append(first.addingSeconds(i * step));
    return dates;
}

} // namespace

TEST(RuleExpansionTest, FiltersMatchingNothingCostLittleAndGiveNothing)
{
    const CalendarTime first = utcTime(2025, 6, 2, 11);
    for (const char* rule : { "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30", "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30",
             "FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30",
             "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30;COUNT=3", "FREQ=MINUTELY;INTERVAL=2;BYMINUTE=1" }) {
        SCOPED_TRACE(rule);
        EXPECT_TRUE(RuleExpansion(icalrecurrencetype_from_string(rule), first).isQuick());
        const RuleStarts found = expand(rule, first, utc(2026, 1, 1), utc(2026, 3, 10));
        EXPECT_TRUE(found.starts.isEmpty());
        EXPECT_TRUE(found.complete);
    }
}

TEST(RuleExpansionTest, FinerRulesKeepTheirPhaseAndFilters)
{
    // Monday 2 February 2026, 09:00.
    const CalendarTime first = utcTime(2026, 2, 2, 9);
    // Every five hours, counted from the first start across the days between.
    EXPECT_EQ(startsOf("FREQ=HOURLY;INTERVAL=5;BYDAY=SA", first, utc(2026, 2, 7), utc(2026, 2, 8)),
        QList<Date>({ utc(2026, 2, 7, 4), utc(2026, 2, 7, 9), utc(2026, 2, 7, 14), utc(2026, 2, 7, 19) }));
    EXPECT_EQ(startsOf("FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=28;BYHOUR=9;BYMINUTE=0,30", first, utc(2026, 1, 1),
                  utc(2026, 4, 1)),
        QList<Date>({ utc(2026, 2, 28, 9), utc(2026, 2, 28, 9, 30) }));
    // BYSETPOS picks within each hour: the last of its two minutes.
    EXPECT_EQ(startsOf("FREQ=HOURLY;BYMINUTE=5,10;BYSETPOS=-1", first, utc(2026, 2, 2, 9), utc(2026, 2, 2, 12)),
        QList<Date>({ utc(2026, 2, 2, 9, 10), utc(2026, 2, 2, 10, 10), utc(2026, 2, 2, 11, 10) }));
    EXPECT_EQ(startsOf("FREQ=DAILY;BYMONTHDAY=-1,-29", first, utc(2026, 2, 1), utc(2026, 4, 1)),
        QList<Date>({ utc(2026, 2, 28, 9), utc(2026, 3, 3, 9), utc(2026, 3, 31, 9) }));
    // Times before the first start do not count.
    EXPECT_EQ(startsOf("FREQ=DAILY;INTERVAL=3;BYHOUR=8,17;BYMINUTE=0", first, utc(2026, 2, 1), utc(2026, 2, 6)),
        QList<Date>({ utc(2026, 2, 2, 17), utc(2026, 2, 5, 8), utc(2026, 2, 5, 17) }));
}

TEST(RuleExpansionTest, CountsFromTheFirstStartAndStopsAtUntil)
{
    const CalendarTime first = utcTime(2026, 2, 4, 9);
    // The three Mondays after Wednesday 4 February; the window sees only the last two.
    EXPECT_EQ(startsOf("FREQ=DAILY;BYDAY=MO;COUNT=3", first, utc(2026, 2, 10), utc(2026, 3, 31)),
        QList<Date>({ utc(2026, 2, 16, 9), utc(2026, 2, 23, 9) }));
    EXPECT_EQ(startsOf("FREQ=MINUTELY;INTERVAL=20;UNTIL=20260204T100000", first, utc(2026, 2, 1), utc(2026, 3, 1)),
        QList<Date>({ utc(2026, 2, 4, 9), utc(2026, 2, 4, 9, 20), utc(2026, 2, 4, 9, 40), utc(2026, 2, 4, 10) }));
    EXPECT_EQ(startsOf("FREQ=MONTHLY;BYMONTHDAY=31;COUNT=2", first, utc(2026, 1, 1), utc(2027, 1, 1)),
        QList<Date>({ utc(2026, 3, 31, 9), utc(2026, 5, 31, 9) }));
}

TEST(RuleExpansionTest, SeriesBegunLongAgoReachTheWindowWhole)
{
    const struct
    {
        const char* rule;
        CalendarTime first;
        Date from;
        Date to;
        QList<Date> expected;
    } rows[] = {
        // Begun 140 days before the window; the count ends with it, or 12 starts before its end.
        { "FREQ=MINUTELY;INTERVAL=30;COUNT=6912", utcTime(2026, 7, 1), utc(2026, 11, 18), utc(2026, 11, 22),
            evenly(utc(2026, 11, 18), 1800, 192) },
        { "FREQ=MINUTELY;INTERVAL=30;COUNT=6900", utcTime(2026, 7, 1), utc(2026, 11, 18), utc(2026, 11, 22),
            evenly(utc(2026, 11, 18), 1800, 180) },
        // Begun 90 days before: 94 days of minutes.
        { "FREQ=MINUTELY;COUNT=135360", utcTime(2026, 8, 20), utc(2026, 11, 18), utc(2026, 11, 20),
            evenly(utc(2026, 11, 18), 60, 2880) },
        { "FREQ=MINUTELY;COUNT=135360", utcTime(2026, 8, 20), utc(2026, 11, 21), utc(2026, 11, 23),
            evenly(utc(2026, 11, 21), 60, 1440) },
        { "FREQ=SECONDLY;INTERVAL=3600", utcTime(2026, 11, 8, 9, 20, 15), utc(2026, 11, 18), utc(2026, 11, 25),
            evenly(utc(2026, 11, 18, 0, 20, 15), 3600, 168) },
        { "FREQ=SECONDLY;INTERVAL=3600;COUNT=336", utcTime(2026, 11, 8, 9, 20, 15), utc(2026, 11, 18),
            utc(2026, 11, 25), evenly(utc(2026, 11, 18, 0, 20, 15), 3600, 105) },
        // Two times a minute from ten seconds past noon: the first of them that day does not count.
        { "FREQ=MINUTELY;INTERVAL=15;BYSECOND=0,30;COUNT=28707", utcTime(2026, 6, 21, 12, 0, 10), utc(2026, 11, 18),
            utc(2026, 12, 1),
            { utc(2026, 11, 18), utc(2026, 11, 18, 0, 0, 30), utc(2026, 11, 18, 0, 15),
                utc(2026, 11, 18, 0, 15, 30) } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const RuleStarts found = expand(row.rule, row.first, row.from, row.to);
        EXPECT_TRUE(found.complete);
        QList<Date> dates;
        for (const CalendarTime& time : found.starts)
            dates.append(time.toDate());
        EXPECT_EQ(dates, row.expected);
    }
}

TEST(RuleExpansionTest, CoarseRulesPickBySetPositionAmongTimesAndLimitDaysOfTheYearByMonth)
{
    const CalendarTime first = utcTime(2027, 1, 1, 13, 15);
    const struct
    {
        const char* rule;
        Date from;
        Date to;
        QList<Date> expected;
    } rows[] = {
        // Sunday 3 October 2027 is the first of its Tuesdays, Wednesdays and Sundays; Thursday 30 September the
        // last weekday of its month.
        { "FREQ=MONTHLY;BYHOUR=13,18;BYDAY=TU,WE,SU;BYSETPOS=1", utc(2027, 10, 1), utc(2027, 11, 1),
            { utc(2027, 10, 3, 13, 15) } },
        { "FREQ=MONTHLY;BYHOUR=9,14;BYMINUTE=0;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", utc(2027, 9, 1), utc(2027, 10, 1),
            { utc(2027, 9, 30, 14) } },
        { "FREQ=YEARLY;BYMONTH=10;BYHOUR=13,18;BYDAY=TU,WE,SU;BYSETPOS=1", utc(2027, 1, 1), utc(2028, 1, 1),
            { utc(2027, 10, 3, 13, 15) } },
        { "FREQ=YEARLY;BYMONTH=9;BYHOUR=9,14;BYMINUTE=0;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", utc(2027, 1, 1),
            utc(2028, 1, 1), { utc(2027, 9, 30, 14) } },
        { "FREQ=MONTHLY;BYHOUR=9,14;BYMINUTE=0;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=1,-1;COUNT=3", utc(2027, 1, 1),
            utc(2028, 1, 1), { utc(2027, 1, 29, 14), utc(2027, 2, 1, 9), utc(2027, 2, 26, 14) } },
        // Days of the month in a yearly rule that names no month are those of the first start's month.
        { "FREQ=YEARLY;BYMONTHDAY=15;BYHOUR=9,14;BYMINUTE=0;BYSETPOS=-1", utc(2027, 1, 1), utc(2029, 1, 1),
            { utc(2027, 1, 15, 14), utc(2028, 1, 15, 14) } },
        // The days of the year that fall in the months named: 10 April and 27 September, and in 2028, a leap
        // year, 29 February and 31 December.
        { "FREQ=YEARLY;BYYEARDAY=1,100,270;BYMONTH=4,9", utc(2027, 1, 1), utc(2028, 1, 1),
            { utc(2027, 4, 10, 13, 15), utc(2027, 9, 27, 13, 15) } },
        { "FREQ=YEARLY;BYYEARDAY=-1,-100,60;BYMONTH=2,3,12;COUNT=4", utc(2028, 1, 1), utc(2029, 1, 1),
            { utc(2028, 2, 29, 13, 15), utc(2028, 12, 31, 13, 15) } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(startsOf(row.rule, first, row.from, row.to), row.expected);
    }
}

TEST(RuleExpansionTest, RunawayRulesStopWithWhatTheyFound)
{
    const RuleStarts found = expand("FREQ=SECONDLY", utcTime(2026, 2, 2), utc(2026, 2, 2), utc(2026, 2, 20));
    EXPECT_FALSE(found.complete);
    ASSERT_FALSE(found.starts.isEmpty());
    EXPECT_EQ(found.starts.first().toDate(), utc(2026, 2, 2));
    EXPECT_EQ(found.starts.last().toDate().secondsSince(found.starts.first().toDate()), found.starts.size() - 1.0);
}

TEST(RuleExpansionTest, OnlyCoarseRulesWithSparseFiltersLeaveTheMainThread)
{
    const CalendarTime first = utcTime(2025, 6, 2, 11);
    for (const char* rule : { "FREQ=WEEKLY;BYDAY=MO,WE", "FREQ=MONTHLY;BYDAY=-1FR", "FREQ=MONTHLY;BYMONTHDAY=15",
             "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", "FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=4", "FREQ=YEARLY" }) {
        EXPECT_TRUE(RuleExpansion(icalrecurrencetype_from_string(rule), first).isQuick()) << rule;
    }
    for (const char* rule : { "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=MONTHLY;BYMONTHDAY=30,31",
             "FREQ=YEARLY;BYDAY=FR;BYMONTHDAY=13", "FREQ=MONTHLY;BYDAY=5MO", "FREQ=YEARLY;BYYEARDAY=366" }) {
        EXPECT_FALSE(RuleExpansion(icalrecurrencetype_from_string(rule), first).isQuick()) << rule;
    }
}

TEST(RuleExpansionWorkerTest, SaysOnceWhenEachBatchIsDoneHoweverQuicklyTheJobsEnd)
{
    // Jobs that end as soon as they start finish just as the worker learns of them, where a continuation
    // attached to the job's future could run twice and crash.
    RuleExpansionWorker worker;
    int finished = 0;
    QObject::connect(&worker, &RuleExpansionWorker::finished, [&finished] { ++finished; });
    const Date from = utc(2026, 1, 1);
    constexpr int batches = 1000;
    constexpr int batchSize = 50;
    for (int batch = 0; batch < batches; ++batch) {
        QList<QFuture<RuleStarts>> futures;
        for (int i = 0; i < batchSize; ++i)
            futures.append(worker.expand({}, { { from, from.addingSeconds(86400) } }));
        QDeadlineTimer deadline(120000);
        while (finished == batch && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        ASSERT_EQ(finished, batch + 1);
        for (const QFuture<RuleStarts>& future : futures)
            ASSERT_TRUE(future.isFinished());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, batches);
}

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

#include "platform/calendar/StoredRule.h"

#include <QByteArray>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray textOf(const icalrecurrencetype& rule)
{
    icalrecurrencetype copy = rule;
    char* text = icalrecurrencetype_as_string_r(&copy);
    const QByteArray result(text);
    icalmemory_free_buffer(text);
    return result;
}

} // namespace

TEST(StoredRuleTest, GivesBackTheRuleItKeeps)
{
    for (const char* text : { "FREQ=DAILY", "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH;WKST=SU;COUNT=10",
             "FREQ=MONTHLY;BYDAY=-1FR;UNTIL=20270101T000000Z", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2,-1",
             "FREQ=YEARLY;BYMONTH=1,2,3;BYMONTHDAY=1,15,-1;BYYEARDAY=1,100,-1;BYWEEKNO=20,-1",
             "FREQ=MINUTELY;BYSECOND=0,30;BYMINUTE=0,15,45;BYHOUR=9,10,11,12,13,14,15,16;UNTIL=20260401",
             "FREQ=YEARLY;RSCALE=GREGORIAN;SKIP=FORWARD;BYMONTH=2;BYMONTHDAY=29" }) {
        icalrecurrencetype rule = icalrecurrencetype_from_string(text);
        ASSERT_NE(rule.freq, ICAL_NO_RECURRENCE) << text;
        // Not kept: the name belongs to the property it was read from.
        std::free(rule.rscale);
        rule.rscale = nullptr;
        EXPECT_EQ(textOf(StoredRule(rule).rule()), textOf(rule)) << text;
    }
}

TEST(StoredRuleTest, KeepsAListFilledToItsEnd)
{
    icalrecurrencetype rule = icalrecurrencetype_from_string("FREQ=DAILY;BYMINUTE=5");
    for (short& hour : rule.by_hour)
        hour = 7;
    const icalrecurrencetype kept = StoredRule(rule).rule();
    EXPECT_TRUE(std::equal(std::begin(kept.by_hour), std::end(kept.by_hour), std::begin(rule.by_hour)));
    EXPECT_EQ(kept.by_minute[0], 5);
    EXPECT_EQ(kept.by_minute[1], ICAL_RECURRENCE_ARRAY_MAX);
    EXPECT_EQ(kept.by_day[0], ICAL_RECURRENCE_ARRAY_MAX);
}

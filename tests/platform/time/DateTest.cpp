#include "platform/time/Date.h"

#include <gtest/gtest.h>
#include <limits>

using platform::Date;

TEST(Date, ConvertsBetweenEpochs)
{
    EXPECT_EQ(Date(0).secondsSince1970(), 978307200.0);
    EXPECT_EQ(Date::fromSecondsSince1970(978307260.5).secondsSinceReferenceDate(), 60.5);
    EXPECT_EQ(Date(0).toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(Date::fromDateTime(QDateTime(QDate(2001, 1, 1), QTime(0, 1), Qt::UTC)), Date(60));
}

TEST(Date, WholeSecondsTruncateTowardZero)
{
    EXPECT_EQ(Date::fromSecondsSince1970(1.9).wholeSecondsSince1970(), 1);
    EXPECT_EQ(Date::fromSecondsSince1970(-1.9).wholeSecondsSince1970(), -1);
    EXPECT_EQ(Date::distantPast().wholeSecondsSince1970(), -62135769600);
}

TEST(Date, RecordRangeRejectsNonFiniteAndFarDates)
{
    EXPECT_TRUE(Date::distantPast().isInRecordRange());
    EXPECT_TRUE(Date(Date::distantFutureSeconds).isInRecordRange());
    EXPECT_FALSE(Date(Date::distantFutureSeconds + 1).isInRecordRange());
    EXPECT_FALSE(Date(Date::distantPastSeconds - 1).isInRecordRange());
    EXPECT_FALSE(Date(std::numeric_limits<double>::quiet_NaN()).isInRecordRange());
    EXPECT_FALSE(Date(std::numeric_limits<double>::infinity()).isInRecordRange());
    // Never overflows, whatever the value.
    EXPECT_EQ(Date(std::numeric_limits<double>::quiet_NaN()).wholeSecondsSince1970(), 0);
    EXPECT_GT(Date(1e300).wholeSecondsSince1970(), 0);
}

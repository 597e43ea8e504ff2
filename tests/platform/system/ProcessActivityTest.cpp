#include "platform/activity/LinuxProcessActivity.h"
#include "platform/activity/MemoryProcessActivity.h"

#include <gtest/gtest.h>

using platform::ProcessActivity;

TEST(LinuxProcessActivity, TracksHeldActivitiesAndNeverReusesTokens)
{
    platform::LinuxProcessActivity activity;
    const auto first = activity.begin(ProcessActivity::userInitiatedAllowingIdleSystemSleep, "first");
    const auto second = activity.begin(ProcessActivity::userInitiatedAllowingIdleSystemSleep, "second");
    EXPECT_NE(first, second);
    EXPECT_EQ(activity.activeCount(), 2);

    activity.end(first);
    const auto third = activity.begin(0, "third");
    EXPECT_NE(third, first);
    // Ending a stale token again leaves the newer activities alone.
    activity.end(first);
    EXPECT_FALSE(activity.isActive(first));
    EXPECT_TRUE(activity.isActive(second));
    EXPECT_TRUE(activity.isActive(third));

    activity.end(second);
    activity.end(third);
    EXPECT_EQ(activity.activeCount(), 0);
}

TEST(MemoryProcessActivity, RecordsBeginsWithTheirOptionsAndReasonAndEnds)
{
    platform::MemoryProcessActivity activity;
    const auto token = activity.begin(ProcessActivity::userInitiatedAllowingIdleSystemSleep, "reminder near");
    ASSERT_EQ(activity.begun().size(), 1);
    EXPECT_EQ(activity.begun()[0].token, token);
    EXPECT_EQ(activity.begun()[0].options, 0x00EFFFFFu);
    EXPECT_EQ(activity.begun()[0].reason, "reminder near");
    EXPECT_TRUE(activity.isHeld());

    activity.end(token);
    EXPECT_FALSE(activity.isHeld());
    EXPECT_EQ(activity.ended(), QList<ProcessActivity::Token> { token });
}

#include "platform/text/Localized.h"

#include <gtest/gtest.h>

using platform::localizedFormat;

TEST(Localized, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(localizedFormat("Synced %@", { "10:00" }), "Synced 10:00");
    EXPECT_EQ(localizedFormat("%d of %lld at %@", { "1", "2", "x" }), "1 of 2 at x");
    EXPECT_EQ(localizedFormat("100%% sure", {}), "100% sure");
    EXPECT_EQ(localizedFormat("Me (%@)", {}), "Me ()");
    EXPECT_EQ(localizedFormat("trailing %", {}), "trailing %");
    EXPECT_EQ(localizedFormat("in %dm %02ds", { "0", "7" }), "in 0m 07s");
    EXPECT_EQ(localizedFormat("%02d", { "59" }), "59");
}

#include "tolvar/style/Palette.h"

#include <gtest/gtest.h>

using tolvar::multipliedOpacity;
using tolvar::withOpacity;

TEST(Palette, OpacityEitherReplacesOrMultipliesTheColoursOwnAlpha)
{
    const QColor dimWhite = withOpacity(Qt::white, 0.45);
    EXPECT_NEAR(withOpacity(dimWhite, 0.95).alphaF(), 0.95, 0.005);
    const QColor shown = multipliedOpacity(dimWhite, 0.95);
    EXPECT_NEAR(shown.alphaF(), 0.4275, 0.005) << "white at 0.45, shown at 0.95";
    EXPECT_EQ(shown.rgb(), dimWhite.rgb());
    EXPECT_NEAR(multipliedOpacity(tolvar::Palette::shared().teal, 0.9).alphaF(), 0.9, 0.005) << "an opaque colour";
}

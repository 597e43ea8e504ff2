#include "tolvar/style/CalendarColor.h"

#include <QHashSeed>
#include <gtest/gtest.h>

using tolvar::calendarAccentColor;

TEST(CalendarColor, ACalendarKeepsItsHueInEveryRunOnEveryMachine)
{
    // Hues of a fixed hash written down once: another run, or another machine, must give the same.
    EXPECT_EQ(calendarAccentColor(QStringLiteral("Work")).hsvHue(), 23);
    EXPECT_EQ(calendarAccentColor(QStringLiteral("Family")).hsvHue(), 51);
    EXPECT_EQ(calendarAccentColor(std::nullopt).hsvHue(), 180) << "a meeting without a calendar is a \"Meeting\"";

    const QColor before = calendarAccentColor(QStringLiteral("Research"));
    QHashSeed::resetRandomGlobalSeed();
    EXPECT_EQ(calendarAccentColor(QStringLiteral("Research")), before) << "Qt's per-process hash seed has no say";
    EXPECT_NEAR(before.hsvSaturationF(), 0.55, 0.001);
    EXPECT_NEAR(before.valueF(), 0.85, 0.001);
}

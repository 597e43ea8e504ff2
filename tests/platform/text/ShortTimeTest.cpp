#include "platform/text/ShortTime.h"

#include <gtest/gtest.h>

using platform::shortTimeText;

TEST(ShortTime, HoursAndMinutesUnderTheCLocale)
{
    EXPECT_EQ(shortTimeText(QTime(14, 5, 44), QLocale::c()), "14:05");
    EXPECT_EQ(shortTimeText(QTime(0, 29, 59), QLocale::c()), "00:29");
}

TEST(ShortTime, KeepsTheLocalesOwnShortStyle)
{
    const QTime time(14, 5, 44);
    const QString american = shortTimeText(time, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(american.startsWith("2:05") && american.endsWith("PM")) << american.toStdString();
    EXPECT_EQ(shortTimeText(time, QLocale(QLocale::German, QLocale::Germany)), "14:05");
    for (const QLocale& locale : { QLocale(QLocale::Japanese), QLocale(QLocale::Finnish), QLocale(QLocale::Arabic),
             QLocale(QLocale::Korean), QLocale(QLocale::Bulgarian) }) {
        const QString text = shortTimeText(time, locale);
        EXPECT_EQ(text, locale.toString(time, QLocale::ShortFormat)) << locale.name().toStdString();
        EXPECT_FALSE(text.contains(locale.toString(44))) << locale.name().toStdString();
    }
}

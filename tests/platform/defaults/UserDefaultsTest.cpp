#include "platform/defaults/MemoryUserDefaults.h"

#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

using platform::MemoryUserDefaults;
using Value = platform::UserDefaults::Value;

namespace {

std::unique_ptr<MemoryUserDefaults> defaultsHolding(const Value& value)
{
    auto defaults = std::make_unique<MemoryUserDefaults>();
    defaults->setValue(QStringLiteral("k"), value);
    return defaults;
}

bool readBool(const Value& value)
{
    return defaultsHolding(value)->boolForKey(QStringLiteral("k"));
}
qint64 readInteger(const Value& value)
{
    return defaultsHolding(value)->integerForKey(QStringLiteral("k"));
}
double readDouble(const Value& value)
{
    return defaultsHolding(value)->doubleForKey(QStringLiteral("k"));
}

} // namespace

TEST(UserDefaults, BooleanReadConvertsNumbersAndSomeStrings)
{
    EXPECT_FALSE(MemoryUserDefaults().boolForKey(QStringLiteral("absent")));
    EXPECT_TRUE(readBool(true));
    EXPECT_FALSE(readBool(false));
    EXPECT_TRUE(readBool(qint64(-1)));
    EXPECT_FALSE(readBool(qint64(0)));
    EXPECT_TRUE(readBool(0.25));
    EXPECT_FALSE(readBool(0.0));
    for (const char* text : { "true", "TRUE", "Yes", "yEs", "1" })
        EXPECT_TRUE(readBool(QString::fromLatin1(text))) << text;
    for (const char* text : { "false", "no", "0", "2", " yes", "truex", "" })
        EXPECT_FALSE(readBool(QString::fromLatin1(text))) << text;
    EXPECT_FALSE(readBool(QStringList { QStringLiteral("true") }));
    EXPECT_FALSE(readBool(QByteArray("1")));
}

TEST(UserDefaults, IntegerReadTakesIntegersAndWholeDoublesOnly)
{
    EXPECT_EQ(MemoryUserDefaults().integerForKey(QStringLiteral("absent")), 0);
    EXPECT_EQ(readInteger(qint64(-42)), -42);
    EXPECT_EQ(readInteger(std::numeric_limits<qint64>::max()), std::numeric_limits<qint64>::max());
    EXPECT_EQ(readInteger(45.0), 45);
    EXPECT_EQ(readInteger(-0x1p63), std::numeric_limits<qint64>::min());
    EXPECT_EQ(readInteger(3.5), 0);
    EXPECT_EQ(readInteger(0x1p63), 0);
    EXPECT_EQ(readInteger(1e300), 0);
    EXPECT_EQ(readInteger(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(readInteger(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(readInteger(QStringLiteral("12")), 0);
    EXPECT_EQ(readInteger(true), 0);
}

TEST(UserDefaults, DoubleReadTakesIntegersDoublesAndNumericStrings)
{
    EXPECT_EQ(MemoryUserDefaults().doubleForKey(QStringLiteral("absent")), 0.0);
    EXPECT_EQ(readDouble(qint64(7)), 7.0);
    EXPECT_EQ(readDouble(0.5), 0.5);
    EXPECT_EQ(readDouble(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(readDouble(QStringLiteral("-1e3")), -1000.0);
    EXPECT_EQ(readDouble(QStringLiteral("ten")), 0.0);
    EXPECT_EQ(readDouble(QStringLiteral("inf")), 0.0);
    EXPECT_EQ(readDouble(QStringLiteral("nan")), 0.0);
    EXPECT_EQ(readDouble(true), 0.0);
    EXPECT_EQ(readDouble(QByteArray("1")), 0.0);
}

TEST(UserDefaults, StringArrayStringAndDataReadOnlyTheirOwnType)
{
    const QStringList list { QStringLiteral("b"), QString(), QStringLiteral("ä") };
    EXPECT_EQ(defaultsHolding(list)->stringArrayForKey(QStringLiteral("k")), list);
    EXPECT_EQ(defaultsHolding(QStringList())->stringArrayForKey(QStringLiteral("k")), QStringList());
    EXPECT_EQ(defaultsHolding(QStringLiteral("a"))->stringArrayForKey(QStringLiteral("k")), std::nullopt);

    EXPECT_EQ(defaultsHolding(QStringLiteral("a"))->stringForKey(QStringLiteral("k")), QStringLiteral("a"));
    EXPECT_EQ(defaultsHolding(qint64(1))->stringForKey(QStringLiteral("k")), std::nullopt);

    EXPECT_EQ(defaultsHolding(QByteArray("\0x", 2))->dataForKey(QStringLiteral("k")), QByteArray("\0x", 2));
    EXPECT_EQ(defaultsHolding(QStringLiteral("x"))->dataForKey(QStringLiteral("k")), std::nullopt);
}

TEST(MemoryUserDefaults, SignalsEachRealChange)
{
    MemoryUserDefaults defaults;
    QSignalSpy changed(&defaults, &platform::UserDefaults::changed);
    defaults.setInteger(QStringLiteral("b"), 1);
    defaults.setBool(QStringLiteral("a"), true);
    defaults.remove(QStringLiteral("b"));
    defaults.remove(QStringLiteral("never-set"));
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed.at(2).at(0).toString(), QStringLiteral("b"));
    EXPECT_EQ(defaults.keys(), QStringList { QStringLiteral("a") });
    EXPECT_FALSE(defaults.contains(QStringLiteral("b")));
}

#include "tolvar/availability/AvailabilityMessage.h"
#include "AvailabilityTestSupport.h"

#include <gtest/gtest.h>

using namespace tolvar;
using platform::Date;
using Kind = AvailabilitySlot::Kind;

namespace {
AvailabilitySlot slotAt(
    const char* zone, int month, int day, int hour, int minute, double length = 1800, Kind kind = Kind::free)
{
    const Date start = wallTime(zone, 2026, month, day, hour, minute);
    return { start, start.addingSeconds(length), kind };
}
} // namespace

TEST(OffsetLabelTest, NamesTheZoneAndItsOffsetOnce)
{
    const Date winter = wallTime("UTC", 2026, 1, 15, 12);
    const Date summer = wallTime("UTC", 2026, 7, 15, 12);
    const auto label = [](const char* zone, Date at) { return timeZoneOffsetLabel(QTimeZone(zone), at); };
    EXPECT_EQ(label("UTC", winter), "GMT+0");
    EXPECT_EQ(label("Europe/London", winter), "GMT+0");
    EXPECT_EQ(label("Europe/London", summer), "BST, GMT+1");
    EXPECT_EQ(label("America/Los_Angeles", winter), "PST, GMT-8");
    EXPECT_EQ(label("America/New_York", summer), "EDT, GMT-4");
    EXPECT_EQ(label("Asia/Kolkata", winter), "IST, GMT+5:30");
    EXPECT_EQ(label("America/St_Johns", winter), "NST, GMT-3:30");
    // Zones the database names by their offset print it once.
    EXPECT_EQ(label("Asia/Dubai", winter), "GMT+4");
    EXPECT_EQ(label("Asia/Kathmandu", winter), "GMT+5:45");
    EXPECT_EQ(label("Pacific/Kiritimati", winter), "GMT+14");
    EXPECT_EQ(label("America/Sao_Paulo", winter), "GMT-3");
    // Left-over seconds are dropped.
    EXPECT_EQ(timeZoneOffsetLabel(QTimeZone(5 * 3600 + 53 * 60 + 20), winter), "GMT+5:53");
    EXPECT_EQ(timeZoneOffsetLabel(QTimeZone(-(3 * 3600 + 30 * 60)), winter), "GMT-3:30");
}

TEST(MergeAdjacentSlotsTest, JoinsSlotsLessThanASecondApart)
{
    const auto slot = [](double start, double end) { return AvailabilitySlot { Date(start), Date(end), Kind::free }; };
    const auto range = [](double start, double end) { return AvailabilityRange { Date(start), Date(end) }; };
    EXPECT_TRUE(mergeAdjacentSlots({}).isEmpty());
    // Unordered input; touching, a one-second gap, an overlap and a nested slot all merge.
    EXPECT_EQ(
        mergeAdjacentSlots({ slot(1800, 3600), slot(0, 1800), slot(3601, 5400), slot(5000, 6000), slot(100, 200) }),
        (QList { range(0, 6000) }));
    EXPECT_EQ(
        mergeAdjacentSlots({ slot(0, 1800), slot(1801.5, 3600) }), (QList { range(0, 1800), range(1801.5, 3600) }));
}

TEST(MergeAdjacentSlotsTest, StopsAtABusyGapAndRunsOverMidnight)
{
    // 09:00 and 10:00 picked around a busy 09:30 give two ranges; 23:30 and 00:30 the next day give one.
    const QList<AvailabilitySlot> picked { slotAt("Asia/Kolkata", 3, 26, 9, 0), slotAt("Asia/Kolkata", 3, 26, 10, 0),
        slotAt("Asia/Kolkata", 3, 26, 23, 30), slotAt("Asia/Kolkata", 3, 27, 0, 0) };
    const QList<AvailabilityRange> expected {
        { wallTime("Asia/Kolkata", 2026, 3, 26, 9), wallTime("Asia/Kolkata", 2026, 3, 26, 9, 30) },
        { wallTime("Asia/Kolkata", 2026, 3, 26, 10), wallTime("Asia/Kolkata", 2026, 3, 26, 10, 30) },
        { wallTime("Asia/Kolkata", 2026, 3, 26, 23, 30), wallTime("Asia/Kolkata", 2026, 3, 27, 0, 30) },
    };
    EXPECT_EQ(mergeAdjacentSlots(picked), expected);
    // The kind plays no part.
    AvailabilitySlot busy = slotAt("Asia/Kolkata", 3, 26, 9, 30, 1800, Kind::busy);
    EXPECT_EQ(mergeAdjacentSlots({ picked[0], busy, picked[1] }).size(), 1);
}

TEST(AvailabilityMessageTest, IsEmptyWithoutSlots)
{
    EXPECT_EQ(buildAvailabilityMessage({}, QTimeZone("UTC"), QLocale("en_US")), QString());
}

TEST(AvailabilityMessageTest, ReadsDayByDayInTwoLocales)
{
    // Picked in Berlin across the spring change: the heading keeps the first slot's offset.
    const QList<AvailabilitySlot> picked {
        slotAt("Europe/Berlin", 3, 30, 14, 0, 3600),
        slotAt("Europe/Berlin", 3, 27, 9, 30),
        slotAt("Europe/Berlin", 3, 27, 9, 0),
        slotAt("Europe/Berlin", 3, 27, 11, 0),
        slotAt("Europe/Berlin", 3, 27, 23, 30),
    };
    const QTimeZone berlin("Europe/Berlin");
    EXPECT_EQ(buildAvailabilityMessage(picked, berlin, QLocale("en_US")),
        "I'm available at these times (CET, GMT+1):\n"
        "\n"
        "Fri, Mar 27\n"
        "  - 9:00 AM–10:00 AM\n"
        "  - 11:00 AM–11:30 AM\n"
        "  - 11:30 PM–12:00 AM\n"
        "\n"
        "Mon, Mar 30\n"
        "  - 2:00 PM–3:00 PM\n"
        "\n"
        "Reply with a time that works for you.");
    EXPECT_EQ(buildAvailabilityMessage(picked, berlin, QLocale("de_DE")),
        "I'm available at these times (CET, GMT+1):\n"
        "\n"
        "Fr., 27. März\n"
        "  - 09:00–10:00\n"
        "  - 11:00–11:30\n"
        "  - 23:30–00:00\n"
        "\n"
        "Mo., 30. März\n"
        "  - 14:00–15:00\n"
        "\n"
        "Reply with a time that works for you.");
}

TEST(SlotTimeRangeLabelTest, WritesStartAndEndInTheZoneAndLocale)
{
    const AvailabilitySlot slot = slotAt("Asia/Tokyo", 3, 27, 9, 30);
    EXPECT_EQ(slotTimeRangeLabel(slot, QTimeZone("Asia/Tokyo"), QLocale("de_DE")), "09:30–10:00");
    EXPECT_EQ(slotTimeRangeLabel(slot, QTimeZone("Asia/Tokyo"), QLocale("en_US")), "9:30 AM–10:00 AM");
    EXPECT_EQ(slotTimeRangeLabel(slot, QTimeZone("Asia/Kolkata"), QLocale("de_DE")), "06:00–06:30");
    EXPECT_EQ(slotTimeRangeLabel(slot, QTimeZone("Asia/Kolkata"), QLocale::c()), "06:00–06:30");
    AvailabilitySlot busy = slot;
    busy.kind = Kind::busy;
    EXPECT_EQ(slotTimeRangeLabel(busy, QTimeZone("Asia/Tokyo"), QLocale("de_DE")), "09:30–10:00");
}

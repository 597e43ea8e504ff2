#include "tolvar/availability/AvailabilitySlot.h"
#include "AvailabilityTestSupport.h"
#include "tolvar/availability/AvailabilityDayGroup.h"
#include "tolvar/availability/AvailabilityDisplayTimeZone.h"
#include "tolvar/availability/AvailabilitySlotDuration.h"
#include "tolvar/availability/BusyInterval.h"

#include <gtest/gtest.h>
#include <limits>

using namespace tolvar;
using platform::Date;
using Kind = AvailabilitySlot::Kind;

namespace {
Date since1970(double seconds)
{
    return Date::fromSecondsSince1970(seconds);
}
} // namespace

TEST(AvailabilitySlotTest, IdIsWholeSecondsCutTowardZeroAndIgnoresTheKind)
{
    EXPECT_EQ((AvailabilitySlot { since1970(0.9), since1970(1800), Kind::free }).id(), "0-1800");
    EXPECT_EQ((AvailabilitySlot { since1970(1'774'515'600.75), since1970(1'774'517'400.999), Kind::free }).id(),
        "1774515600-1774517400");
    EXPECT_EQ((AvailabilitySlot { since1970(-0.5), since1970(-1.5), Kind::past }).id(), "0--1");

    const AvailabilitySlot free { since1970(3600), since1970(5400), Kind::free };
    AvailabilitySlot busy = free;
    busy.kind = Kind::busy;
    EXPECT_EQ(free.id(), busy.id());
    EXPECT_NE(free, busy);
}

TEST(AvailabilitySlotTest, DurationsAreExactRawValues)
{
    EXPECT_EQ(availabilitySlotDurationFromRawValue(3600.0), AvailabilitySlotDuration::oneHour);
    EXPECT_EQ(availabilitySlotDurationFromRawValue(1800.0), AvailabilitySlotDuration::thirtyMinutes);
    EXPECT_EQ(availabilitySlotDurationFromRawValue(900.0), std::nullopt);
    EXPECT_EQ(availabilitySlotDurationFromRawValue(1800.5), std::nullopt);
    EXPECT_EQ(allAvailabilitySlotDurations(),
        (QList { AvailabilitySlotDuration::thirtyMinutes, AvailabilitySlotDuration::oneHour }));
}

TEST(AvailabilityDisplayTimeZoneTest, OptionsAreTheSystemThenTheTableInOrder)
{
    const QList<AvailabilityDisplayTimeZone>& options = AvailabilityDisplayTimeZone::options();
    ASSERT_EQ(options.size(), 17);
    EXPECT_TRUE(options.first().isSystem());
    EXPECT_EQ(options.first().id(), "system");
    QStringList labels;
    for (const AvailabilityDisplayTimeZone& option : options.mid(1))
        labels.append(option.label());
    EXPECT_EQ(labels,
        QStringList({ "UTC", "US Pacific", "US Mountain", "US Central", "US Eastern", "São Paulo", "London", "Berlin",
            "Paris", "Dubai", "India", "Bangkok (ICT)", "Singapore", "China", "Tokyo", "Sydney" }));
    EXPECT_EQ(options[2].id(), "America/Los_Angeles");
    EXPECT_EQ(options.last().id(), "Australia/Sydney");
}

TEST(AvailabilityDisplayTimeZoneTest, NamesLabelsAndEquality)
{
    EXPECT_EQ(AvailabilityDisplayTimeZone::displayName("Asia/Kolkata"), "India");
    EXPECT_EQ(
        AvailabilityDisplayTimeZone::displayName("America/Argentina/Buenos_Aires"), "America/Argentina/Buenos Aires");
    EXPECT_EQ(AvailabilityDisplayTimeZone::displayName("asia/kolkata"), "asia/kolkata");

    const Date winter = wallTime("UTC", 2026, 1, 15, 12);
    const Date summer = wallTime("UTC", 2026, 7, 15, 12);
    const AvailabilityDisplayTimeZone system = AvailabilityDisplayTimeZone::system();
    EXPECT_EQ(system.label(QTimeZone("America/Los_Angeles"), winter), "My timezone (PST)");
    EXPECT_EQ(system.label(QTimeZone("America/Los_Angeles"), summer), "My timezone (PDT)");
    EXPECT_EQ(system.label(QTimeZone("Asia/Dubai"), winter), "My timezone (+04)");

    EXPECT_EQ(system, AvailabilityDisplayTimeZone::system());
    EXPECT_EQ(AvailabilityDisplayTimeZone::identifier("UTC"), AvailabilityDisplayTimeZone::identifier("UTC"));
    EXPECT_NE(AvailabilityDisplayTimeZone::identifier("UTC"), system);
    // An identifier that happens to read "system" is still not the system zone.
    EXPECT_NE(AvailabilityDisplayTimeZone::identifier("system"), system);
    EXPECT_NE(AvailabilityDisplayTimeZone::identifier(""), system);
    EXPECT_NE(qHash(AvailabilityDisplayTimeZone::identifier("UTC")), qHash(system));
}

TEST(BusyIntervalsTest, ClipsSortsAndMergesMeetingsInsideTheWindow)
{
    const Date from = since1970(10'000);
    const Date to = since1970(20'000);
    const auto meeting = [](double start, double end) { return busyMeeting(since1970(start), since1970(end)); };
    const QList<MeetingSnapshot> meetings {
        meeting(15'000, 16'000), // touches the next
        meeting(14'000, 15'000), meeting(11'000, 12'500), // overlaps the next
        meeting(12'000, 13'000), meeting(11'500, 11'600), // nested
        meeting(5'000, 10'000), // ends at the window start
        meeting(1'000, 2'000), // before the window
        meeting(25'000, 26'000), // after it
        meeting(17'000, 17'000), // no length
        meeting(19'000, 30'000), // runs past the end
        meeting(18'500, 18'000), // ends before it starts
    };
    const QList<BusyInterval> expected {
        { since1970(11'000), since1970(13'000) },
        { since1970(14'000), since1970(16'000) },
        { since1970(19'000), since1970(20'000) },
    };
    EXPECT_EQ(busyIntervals(meetings, from, to), expected);
    EXPECT_EQ(busyIntervals({ meeting(0, 100'000) }, from, to), (QList<BusyInterval> { { from, to } }));
    EXPECT_TRUE(busyIntervals({}, from, to).isEmpty());

    MeetingSnapshot broken = meeting(12'000, 13'000);
    broken.endDate = Date(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(busyIntervals({ broken }, from, to).isEmpty());
}

TEST(BusyIntervalsTest, OverlapIsStrictAtBothEdges)
{
    const QList<BusyInterval> busy { { since1970(1000), since1970(2000) } };
    EXPECT_FALSE(overlapsBusy(since1970(0), since1970(1000), busy));
    EXPECT_FALSE(overlapsBusy(since1970(2000), since1970(3000), busy));
    EXPECT_TRUE(overlapsBusy(since1970(0), since1970(1001), busy));
    EXPECT_TRUE(overlapsBusy(since1970(1999), since1970(3000), busy));
    EXPECT_TRUE(overlapsBusy(since1970(1200), since1970(1300), busy));
    EXPECT_TRUE(overlapsBusy(since1970(0), since1970(5000), busy));
    EXPECT_FALSE(overlapsBusy(since1970(0), since1970(5000), {}));
}

TEST(DayGroupingTest, FollowsTheGivenZoneNotTheSystems)
{
    // 22:30 to 23:00 UTC on 10 March is already 11 March in Tokyo; a slot at 23:30 in Tokyo ends on the
    // next day but belongs to the one on which it starts.
    const AvailabilitySlot late { wallTime("UTC", 2026, 3, 10, 22, 30), wallTime("UTC", 2026, 3, 10, 23), Kind::free };
    const AvailabilitySlot morning { wallTime("UTC", 2026, 3, 10, 9), wallTime("UTC", 2026, 3, 10, 9, 30), Kind::busy };
    const AvailabilitySlot tokyoLate { wallTime("Asia/Tokyo", 2026, 3, 11, 23, 30),
        wallTime("Asia/Tokyo", 2026, 3, 12, 0), Kind::free };
    const QList<AvailabilitySlot> unordered { tokyoLate, late, morning };

    const QList<AvailabilityDayGroup> utc = groupSlotsByDay(unordered, QTimeZone("UTC"));
    ASSERT_EQ(utc.size(), 2);
    EXPECT_EQ(utc[0].day, wallTime("UTC", 2026, 3, 10, 0));
    EXPECT_EQ(utc[0].daySlots, (QList { morning, late }));
    EXPECT_EQ(utc[1].day, wallTime("UTC", 2026, 3, 11, 0));
    EXPECT_EQ(utc[1].daySlots, (QList { tokyoLate }));

    const QList<AvailabilityDayGroup> tokyo = groupSlotsByDay(unordered, QTimeZone("Asia/Tokyo"));
    ASSERT_EQ(tokyo.size(), 2);
    EXPECT_EQ(tokyo[0].day, wallTime("Asia/Tokyo", 2026, 3, 10, 0));
    EXPECT_EQ(tokyo[0].daySlots, (QList { morning }));
    EXPECT_EQ(tokyo[1].day, wallTime("Asia/Tokyo", 2026, 3, 11, 0));
    EXPECT_EQ(tokyo[1].daySlots, (QList { late, tokyoLate }));

    // The map keeps input order within a day.
    const auto byDay = slotsByDay(unordered, QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(byDay.at(wallTime("Asia/Tokyo", 2026, 3, 11, 0)), (QList { tokyoLate, late }));
    EXPECT_TRUE(groupSlotsByDay({}, QTimeZone("UTC")).isEmpty());
}

TEST(DayGroupingTest, ADayThatStartsAtOneInTheMorningStillGroups)
{
    // Clocks in Santiago skip midnight when daylight saving begins: the day starts at 01:00.
    const QTimeZone santiago("America/Santiago");
    const AvailabilitySlot slot { wallTime("America/Santiago", 2026, 9, 6, 9),
        wallTime("America/Santiago", 2026, 9, 6, 10), Kind::free };
    const QList<AvailabilityDayGroup> groups = groupSlotsByDay({ slot }, santiago);
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].day.toDateTime().toTimeZone(santiago).time(), QTime(1, 0));
    EXPECT_EQ(groups[0].day.toDateTime().toTimeZone(santiago).date(), QDate(2026, 9, 6));
}

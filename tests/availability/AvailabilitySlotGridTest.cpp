#include "tolvar/availability/AvailabilitySlotGrid.h"
#include "AvailabilityTestSupport.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace tolvar;
using platform::Date;
using Kind = AvailabilitySlot::Kind;

namespace {

int countOf(const QList<AvailabilitySlot>& slotList, Kind kind)
{
    return int(std::count_if(
        slotList.begin(), slotList.end(), [kind](const AvailabilitySlot& slot) { return slot.kind == kind; }));
}

QList<AvailabilitySlot> onDay(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone, QDate day)
{
    QList<AvailabilitySlot> result;
    for (const AvailabilitySlot& slot : slotList) {
        if (slot.start.toDateTime().toTimeZone(zone).date() == day)
            result.append(slot);
    }
    return result;
}

QStringList wallTimes(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone)
{
    QStringList times;
    for (const AvailabilitySlot& slot : slotList)
        times.append(slot.start.toDateTime().toTimeZone(zone).toString(QStringLiteral("HH:mm t")));
    return times;
}

} // namespace

// One zone without daylight saving, one with a half-hour offset, and Berlin, whose week from
// Thursday 26 March 2026 crosses the spring change.
class SlotGridZones : public ::testing::TestWithParam<const char*>
{
};

TEST_P(SlotGridZones, DefaultsAtTwentyToElevenGiveAWeekOfSlots)
{
    const QTimeZone zone(GetParam());
    const Date now = wallTime(GetParam(), 2026, 3, 26, 10, 40);
    const QList<AvailabilitySlot> grid = AvailabilitySlotGrid().makeSlots(now, zone);
    ASSERT_EQ(grid.size(), 112);
    EXPECT_EQ(countOf(grid, Kind::past), 4);
    EXPECT_EQ(countOf(grid, Kind::free), 108);
    EXPECT_EQ(grid[3].start, wallTime(GetParam(), 2026, 3, 26, 10, 30));
    EXPECT_EQ(grid[4].kind, Kind::free);
    for (int day = 0; day < 7; ++day) {
        const QDate date = QDate(2026, 3, 26).addDays(day);
        const QList<AvailabilitySlot> daySlots = onDay(grid, zone, date);
        ASSERT_EQ(daySlots.size(), 16) << day;
        EXPECT_EQ(daySlots.first().start, wallTime(GetParam(), 2026, date.month(), date.day(), 9));
        EXPECT_EQ(daySlots.last().end, wallTime(GetParam(), 2026, date.month(), date.day(), 17));
    }
    QSet<QString> ids;
    for (const AvailabilitySlot& slot : grid)
        ids.insert(slot.id());
    EXPECT_EQ(ids.size(), grid.size());
}

INSTANTIATE_TEST_SUITE_P(Zones, SlotGridZones, ::testing::Values("Asia/Tokyo", "Asia/Kolkata", "Europe/Berlin"));

TEST(SlotGridTest, SlotLengthAndHoursDecideTheCount)
{
    const QTimeZone zone("Asia/Tokyo");
    const Date now = wallTime("Asia/Tokyo", 2026, 3, 26, 6);
    const auto count = [&](AvailabilitySlotDuration duration, int from, int to) {
        return AvailabilitySlotGrid { {}, duration, from, to }.makeSlots(now, zone).size();
    };
    EXPECT_EQ(count(AvailabilitySlotDuration::oneHour, 9, 17), 7 * 8);
    EXPECT_EQ(count(AvailabilitySlotDuration::oneHour, 22, 23), 7);
    EXPECT_EQ(count(AvailabilitySlotDuration::thirtyMinutes, 9, 10), 7 * 2);
    EXPECT_EQ(count(AvailabilitySlotDuration::thirtyMinutes, 0, 23), 7 * 46);
    EXPECT_EQ(count(AvailabilitySlotDuration::thirtyMinutes, 12, 12), 0);
    EXPECT_EQ(count(AvailabilitySlotDuration::thirtyMinutes, 17, 9), 0);
    EXPECT_EQ(count(AvailabilitySlotDuration::thirtyMinutes, -3, 30), 0);
}

TEST(SlotGridTest, MeetingsMarkOnlyTheSlotsTheyOverlap)
{
    const QTimeZone zone("Asia/Kolkata");
    const Date now = wallTime("Asia/Kolkata", 2026, 3, 26, 8);
    const auto at
        = [](int day, int hour, int minute = 0) { return wallTime("Asia/Kolkata", 2026, 3, day, hour, minute); };
    AvailabilitySlotGrid grid;
    grid.meetings = { busyMeeting(at(26, 10), at(26, 10, 30)),
        // Over midnight: cut to each day's hours.
        busyMeeting(at(27, 16, 45), at(28, 9, 15)) };
    const QList<AvailabilitySlot> thirty = grid.makeSlots(now, zone);
    const auto kindAt = [&](const QList<AvailabilitySlot>& slotList, Date start) {
        for (const AvailabilitySlot& slot : slotList) {
            if (slot.start == start)
                return slot.kind;
        }
        ADD_FAILURE() << "no slot at " << start.secondsSince1970();
        return Kind::past;
    };
    EXPECT_EQ(kindAt(thirty, at(26, 9, 30)), Kind::free);
    EXPECT_EQ(kindAt(thirty, at(26, 10)), Kind::busy);
    EXPECT_EQ(kindAt(thirty, at(26, 10, 30)), Kind::free);
    EXPECT_EQ(kindAt(thirty, at(27, 16)), Kind::free);
    EXPECT_EQ(kindAt(thirty, at(27, 16, 30)), Kind::busy);
    EXPECT_EQ(kindAt(thirty, at(28, 9)), Kind::busy);
    EXPECT_EQ(kindAt(thirty, at(28, 9, 30)), Kind::free);
    EXPECT_EQ(countOf(thirty, Kind::busy), 3);

    grid.duration = AvailabilitySlotDuration::oneHour;
    const QList<AvailabilitySlot> hourly = grid.makeSlots(now, zone);
    EXPECT_EQ(kindAt(hourly, at(26, 10)), Kind::busy);
    EXPECT_EQ(kindAt(hourly, at(26, 9)), Kind::free);
}

TEST(SlotGridTest, BadMeetingsGiveSoundSlots)
{
    const QTimeZone zone("Europe/Berlin");
    const Date now = wallTime("Europe/Berlin", 2026, 3, 26, 10, 40);
    AvailabilitySlotGrid grid;
    grid.meetings = {
        busyMeeting(wallTime("Europe/Berlin", 2026, 3, 27, 12), wallTime("Europe/Berlin", 2026, 3, 27, 11)),
        busyMeeting(wallTime("Europe/Berlin", 2026, 1, 1, 0), wallTime("Europe/Berlin", 2026, 3, 26, 10)),
        busyMeeting(Date::distantPast(), Date(std::numeric_limits<double>::infinity())),
    };
    // The last one is no real instant and is ignored, so the rest leave every slot free.
    EXPECT_EQ(countOf(grid.makeSlots(now, zone), Kind::free), 108);

    grid.meetings.append(
        busyMeeting(wallTime("Europe/Berlin", 2026, 3, 20, 0), wallTime("Europe/Berlin", 2026, 4, 9, 0)));
    const QList<AvailabilitySlot> covered = grid.makeSlots(now, zone);
    EXPECT_EQ(covered.size(), 112);
    EXPECT_EQ(countOf(covered, Kind::past), 4);
    EXPECT_EQ(countOf(covered, Kind::busy), 108);
}

TEST(SlotGridTest, NoWorkingTimeIsLostOrDoubledOnDaylightSavingDays)
{
    const QTimeZone berlin("Europe/Berlin");
    // Spring: 02:00 to 03:00 does not exist on 29 March. Hours 1 to 4 are two real hours; from 2 the
    // day starts at 03:00, the first time after the skip.
    const Date beforeSpring = wallTime("Europe/Berlin", 2026, 3, 28, 0);
    const QDate spring(2026, 3, 29);
    EXPECT_EQ(wallTimes(onDay(AvailabilitySlotGrid { {}, AvailabilitySlotDuration::thirtyMinutes, 1, 4 }.makeSlots(
                                  beforeSpring, berlin),
                            berlin, spring),
                  berlin),
        QStringList({ "01:00 CET", "01:30 CET", "03:00 CEST", "03:30 CEST" }));
    EXPECT_EQ(wallTimes(onDay(AvailabilitySlotGrid { {}, AvailabilitySlotDuration::thirtyMinutes, 2, 4 }.makeSlots(
                                  beforeSpring, berlin),
                            berlin, spring),
                  berlin),
        QStringList({ "03:00 CEST", "03:30 CEST" }));

    // Autumn: 02:00 to 03:00 comes twice on 25 October; from 2 the day starts at the first 02:00.
    const Date beforeAutumn = wallTime("Europe/Berlin", 2026, 10, 24, 0);
    const QList<AvailabilitySlot> autumn = onDay(
        AvailabilitySlotGrid { {}, AvailabilitySlotDuration::thirtyMinutes, 2, 4 }.makeSlots(beforeAutumn, berlin),
        berlin, QDate(2026, 10, 25));
    EXPECT_EQ(wallTimes(autumn, berlin),
        QStringList({ "02:00 CEST", "02:30 CEST", "02:00 CET", "02:30 CET", "03:00 CET", "03:30 CET" }));
    for (qsizetype i = 1; i < autumn.size(); ++i)
        EXPECT_EQ(autumn[i].start, autumn[i - 1].end);
}

TEST(SlotGridTest, FirstInstantOfHourSkipsAMissingMidnightAndRefusesBadInput)
{
    const QTimeZone berlin("Europe/Berlin");
    EXPECT_EQ(firstInstantOfHour(QDate(2026, 3, 26), 9, berlin), wallTime("Europe/Berlin", 2026, 3, 26, 9));
    // Santiago skips midnight in spring.
    EXPECT_EQ(firstInstantOfHour(QDate(2026, 9, 6), 0, QTimeZone("America/Santiago")),
        wallTime("America/Santiago", 2026, 9, 6, 1));
    EXPECT_EQ(firstInstantOfHour(QDate(2026, 3, 26), 24, berlin), std::nullopt);
    EXPECT_EQ(firstInstantOfHour(QDate(), 9, berlin), std::nullopt);
}

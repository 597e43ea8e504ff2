// All-day series in a zone whose clocks change at midnight: Santiago's 5 September 2027 has no 00:00, and
// begins at 01:00. The executable runs in that zone.
#include "CalendarTestFiles.h"

using namespace platform;

namespace {

const QTimeZone santiago("America/Santiago");

Date startOf(QDate day)
{
    return Date::fromDateTime(day.startOfDay(santiago));
}

class MidnightChangeTest : public CalendarFilesTest
{
};

} // namespace

// A range that moves an all-day series by a day gives whole days, each from its first instant, across the day
// without a midnight and after it, wherever the range begins.
TEST_F(MidnightChangeTest, AllDayRangesGiveWholeDaysAcrossAMissingMidnight)
{
    ASSERT_EQ(QTimeZone::systemTimeZoneId(), "America/Santiago");
    ASSERT_EQ(startOf(QDate(2027, 9, 5)).toDateTime().toTimeZone(santiago).time(), QTime(1, 0));
    for (const QDate id : { QDate(2027, 9, 3), QDate(2027, 9, 4), QDate(2027, 9, 5) }) {
        SCOPED_TRACE(id.toString(Qt::ISODate).toStdString());
        const auto date = [](QDate day) { return day.toString("yyyyMMdd"); };
        write("cal/days.ics",
            QStringLiteral("BEGIN:VEVENT\nUID:days\nSUMMARY:Day\nDTSTART;VALUE=DATE:20270901\nRRULE:FREQ=DAILY\n"
                           "END:VEVENT\nBEGIN:VEVENT\nUID:days\nRECURRENCE-ID;VALUE=DATE;RANGE=THISANDFUTURE:%1\n"
                           "SUMMARY:Moved\nDTSTART;VALUE=DATE:%2\nDTEND;VALUE=DATE:%3\nEND:VEVENT\n")
                .arg(date(id), date(id.addDays(1)), date(id.addDays(2))));
        ICalendarStore store;
        const auto reading = [](Date start, Date end) {
            return start.toDateTime().toTimeZone(santiago).toString(Qt::ISODateWithMs) + " to "
                + end.toDateTime().toTimeZone(santiago).toString(Qt::ISODateWithMs);
        };
        QStringList seen;
        QStringList expected;
        for (const StoreEvent& event : store.events(startOf(id), startOf(QDate(2027, 9, 10)), { calendar("cal") })) {
            seen.append(reading(event.start, event.end));
        }
        for (QDate day = id.addDays(1); day < QDate(2027, 9, 10); day = day.addDays(1))
            expected.append(reading(startOf(day), startOf(day.addDays(1))));
        seen.sort();
        EXPECT_EQ(seen.join('\n').toStdString(), expected.join('\n').toStdString());
    }
}

// Zones that only a file defines, asked for years in no order: each year's offset must be right however far
// back its last change lies, and whatever was asked before.
#include "CalendarTestFiles.h"

#include <random>

using namespace platform;

namespace {

// Listed first, a rule that never matches (the 60th day of a year is never the 31st of a month) and costs a
// step for every day it is searched. The last change before 7000 comes from a counted rule in September of
// year 2, after every DTSTART; from 7000 on two rules take turns every 500 years.
const QString zone
    = QStringLiteral("BEGIN:VTIMEZONE\nTZID:Sparse\n"
                     "BEGIN:DAYLIGHT\nDTSTART:00010101T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0300\n"
                     "RRULE:FREQ=YEARLY;BYYEARDAY=60;BYMONTHDAY=31\nEND:DAYLIGHT\n"
                     "BEGIN:STANDARD\nDTSTART:00010101T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0100\nEND:STANDARD\n"
                     "BEGIN:DAYLIGHT\nDTSTART:00010901T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0400\n"
                     "RRULE:FREQ=YEARLY;COUNT=2\nEND:DAYLIGHT\n"
                     "BEGIN:STANDARD\nDTSTART:00011001T000000\nTZOFFSETFROM:+0400\nTZOFFSETTO:+0200\nEND:STANDARD\n"
                     "BEGIN:STANDARD\nDTSTART:70000701T000000\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\n"
                     "RRULE:FREQ=YEARLY;INTERVAL=1000\nEND:STANDARD\n"
                     "BEGIN:DAYLIGHT\nDTSTART:75000701T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\n"
                     "RRULE:FREQ=YEARLY;INTERVAL=1000\nEND:DAYLIGHT\n"
                     "END:VTIMEZONE\n");

// The zone's offset in hours on 15 January of `year`, worked out from its definition by hand.
int expectedOffset(int year)
{
    if (year <= 7000)
        return 4;
    // The latest change before 15 January: 1 July of an earlier year.
    const int turns = (year - 1 - 7000) % 1000;
    return turns >= 500 ? 2 : 1;
}

Date utc(int year, int month, int day, int hour)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone::utc()));
}

} // namespace

TEST_F(CalendarFilesTest, ADefinedZoneGivesEveryYearItsOffsetInAnyOrder)
{
    // More years than a zone keeps at once, shuffled.
    QList<int> years;
    for (int year = 3; year <= 9999; year += 29)
        years.append(year);
    std::shuffle(years.begin(), years.end(), std::mt19937(30));
    QString events;
    for (int year : std::as_const(years)) {
        events += QStringLiteral("BEGIN:VEVENT\nUID:y%1\nSUMMARY:%1\nDTSTART;TZID=Sparse:%2\nEND:VEVENT\n")
                      .arg(year)
                      .arg(QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0')) + "0115T090000");
    }
    write("cal/sparse.ics", zone + events);

    ICalendarStore store;
    waitForFirstRead(store);
    int wrong = 0;
    for (int year : std::as_const(years)) {
        const QList<StoreEvent> found = store.events(utc(year, 1, 14, 0), utc(year, 1, 16, 0), { calendar("cal") });
        ASSERT_EQ(found.size(), 1) << year;
        const Date expected = utc(year, 1, 15, 9 - expectedOffset(year));
        if (found.at(0).start != expected && ++wrong <= 5)
            ADD_FAILURE() << "15 January " << year << " 09:00 read at "
                          << found.at(0).start.toDateTime().toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(wrong, 0) << "of " << years.size() << " years";
}

// Counted rules end at their last onset however far out it lies, and one that never matches counts for nothing.
TEST_F(CalendarFilesTest, ADefinedZoneEndsACountedRuleAtItsLastOnset)
{
    // The 1500th 29 February from year 4 on, counted by hand.
    int lastYear = 4;
    for (int leapDays = 0; leapDays < 1500; ++lastYear)
        leapDays += QDate::isLeapYear(lastYear) ? 1 : 0;
    --lastYear;
    const int changeYear = lastYear + 10;
    const QString zone
        = QStringLiteral("BEGIN:VTIMEZONE\nTZID:Counted\n"
                         "BEGIN:DAYLIGHT\nDTSTART:00010101T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0300\n"
                         "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30;COUNT=3\nEND:DAYLIGHT\n"
                         "BEGIN:STANDARD\nDTSTART:00010101T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0100\nEND:STANDARD\n"
                         "BEGIN:DAYLIGHT\nDTSTART:00040229T000000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0500\n"
                         "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;COUNT=1500\nEND:DAYLIGHT\n"
                         "BEGIN:STANDARD\nDTSTART:%1\nTZOFFSETFROM:+0500\nTZOFFSETTO:+0300\nEND:STANDARD\n"
                         "END:VTIMEZONE\n")
              .arg(QString::number(changeYear) + "0101T000000");
    QList<int> years;
    for (int year = 5; year <= 9999; year += 97)
        years.append(year);
    for (int year = lastYear - 2; year <= changeYear + 6; ++year)
        years.append(year);
    std::shuffle(years.begin(), years.end(), std::mt19937(31));
    QString events;
    for (int year : std::as_const(years)) {
        events += QStringLiteral("BEGIN:VEVENT\nUID:y%1\nDTSTART;TZID=Counted:%2\nEND:VEVENT\n")
                      .arg(year)
                      .arg(QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0')) + "0115T090000");
    }
    write("cal/counted.ics", zone + events);

    ICalendarStore store;
    waitForFirstRead(store);
    for (int year : std::as_const(years)) {
        const QList<StoreEvent> found = store.events(utc(year, 1, 14, 0), utc(year, 1, 16, 0), { calendar("cal") });
        ASSERT_EQ(found.size(), 1) << year;
        EXPECT_EQ(found.at(0).start, utc(year, 1, 15, 9 - (year >= changeYear ? 3 : 5))) << year;
    }
}

// A zone rule whose UNTIL names no day (the 0th of January) is read without it, as a series' rule is.
TEST_F(CalendarFilesTest, ADefinedZoneReadsAnUntilThatNamesNoDayAsAbsent)
{
    write("cal/until.ics",
        "BEGIN:VTIMEZONE\nTZID:Until\n"
        "BEGIN:DAYLIGHT\nDTSTART:20000301T020000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=1;UNTIL=20300100T000000Z\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nDTSTART:20001001T030000\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYMONTHDAY=1;UNTIL=20300100\nEND:STANDARD\n"
        "END:VTIMEZONE\n"
        "BEGIN:VEVENT\nUID:summer\nDTSTART;TZID=Until:20260707T090000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:later\nDTSTART;TZID=Until:20400707T090000\nEND:VEVENT\n");
    ICalendarStore store;
    waitForFirstRead(store);
    QList<Date> starts;
    for (const StoreEvent& event : store.events(utc(2026, 1, 1, 0), utc(2041, 1, 1, 0), { calendar("cal") }))
        starts.append(event.start);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, QList<Date>({ utc(2026, 7, 7, 7), utc(2040, 7, 7, 7) }));
}

// Texts that repeat over many files are kept once: a folder of tens of thousands of events otherwise holds
// every attendee's name, address and status once per event.
#include "platform/calendar/ICalendarFile.h"
#include "platform/calendar/TextPool.h"
#include "platform/calendar/TimeZoneCache.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(TextSharingTest, RepeatedTextsOfDifferentFilesShareOneBuffer)
{
    const auto file = [](const char* uid) {
        return QByteArray("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:") + uid
            + "\r\nDTSTART:20260401T100000Z\r\nSUMMARY:Standup\r\nLOCATION:Room 4\r\n"
              "ATTENDEE;CN=Ana;PARTSTAT=ACCEPTED;ROLE=REQ-PARTICIPANT:mailto:ana@example.org\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    TimeZoneCache zones;
    TextPool texts;
    const ICalendarFile first = ICalendarFile::parse(file("a"), zones, texts);
    const ICalendarFile second = ICalendarFile::parse(file("b"), zones, texts);
    ASSERT_EQ(first.events.size(), 1);
    ASSERT_EQ(second.events.size(), 1);
    const ICalendarEvent& a = first.events[0];
    const ICalendarEvent& b = second.events[0];
    EXPECT_EQ(a.title->constData(), b.title->constData());
    EXPECT_EQ(a.location->constData(), b.location->constData());
    ASSERT_EQ(a.attendees.size(), 1);
    ASSERT_EQ(b.attendees.size(), 1);
    EXPECT_EQ(a.attendees[0].name->constData(), b.attendees[0].name->constData());
    EXPECT_EQ(a.attendees[0].emailAddress->constData(), b.attendees[0].emailAddress->constData());
    EXPECT_EQ(a.attendees[0].description.constData(), b.attendees[0].description.constData());
    EXPECT_EQ(a.attendees[0].description,
        "name = Ana; email = ana@example.org; status = PARTSTAT=ACCEPTED; role = ROLE=REQ-PARTICIPANT");
    EXPECT_NE(a.uid->constData(), b.uid->constData());
}

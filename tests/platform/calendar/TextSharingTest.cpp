// Texts that repeat over many files are kept once: a folder of tens of thousands of events otherwise holds
// every attendee's name, address and status once per event, and each attendee once per event.
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
    EXPECT_EQ(a.title.constData(), b.title.constData());
    EXPECT_EQ(a.location.constData(), b.location.constData());
    ASSERT_EQ(a.attendees.size(), 1);
    ASSERT_EQ(b.attendees.size(), 1);
    EXPECT_EQ(a.attendees[0], b.attendees[0]);
    EXPECT_EQ(a.attendees[0]->description,
        "name = Ana; email = ana@example.org; status = PARTSTAT=ACCEPTED; role = ROLE=REQ-PARTICIPANT");
    EXPECT_NE(a.uid.constData(), b.uid.constData());
}

TEST(TextSharingTest, ParticipantsDifferingInAnyPartAreKeptApart)
{
    const auto file = [](const char* attendee) {
        return QByteArray("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART:20260401T100000Z\r\nATTENDEE;")
            + attendee + "\r\nORGANIZER;CN=Ana:mailto:ana@example.org\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    TimeZoneCache zones;
    TextPool texts;
    const QList<const char*> attendees { "CN=Ana:mailto:ana@example.org",
        "CN=Ana;PARTSTAT=DECLINED:mailto:ana@example.org", "CN=Ana:mailto:ana@example.com",
        "CN=Ana;EMAIL=ana@example.com:mailto:ana@example.org", "CN=Ana;CUTYPE=ROOM:mailto:ana@example.org",
        "CN=Anna:mailto:ana@example.org" };
    QList<std::shared_ptr<const Participant>> read;
    for (const char* attendee : attendees) {
        const ICalendarFile parsed = ICalendarFile::parse(file(attendee), zones, texts);
        ASSERT_EQ(parsed.events.size(), 1);
        ASSERT_EQ(parsed.events[0].attendees.size(), 1);
        read.append(parsed.events[0].attendees[0]);
        // The organiser is the first attendee over again.
        EXPECT_EQ(parsed.events[0].organizer, read.first()) << attendee;
    }
    for (qsizetype i = 0; i < read.size(); ++i) {
        for (qsizetype j = i + 1; j < read.size(); ++j)
            EXPECT_NE(*read[i], *read[j]) << attendees[i] << " and " << attendees[j];
    }
}

#include "tolvar/model/MeetingLinks.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <gtest/gtest.h>

using tolvar::MeetingSnapshot;
using tolvar::physicalLocationText;
using tolvar::placeName;

namespace {

std::optional<QString> joinLink(const std::optional<QString>& location, const std::optional<QString>& notes = {},
    const std::optional<QUrl>& url = {})
{
    const std::optional<QUrl> link = MeetingSnapshot::detectJoinURL(url, location, notes);
    if (!link)
        return std::nullopt;
    return link->toString();
}

} // namespace

TEST(MeetingIdentity, NormalisedTitleTrimsLowercasesAndCollapsesWhitespace)
{
    EXPECT_EQ(tolvar::normalizedMeetingTitle("  Weekly \t\n Sync \n"), "weekly sync");
    EXPECT_EQ(tolvar::normalizedMeetingTitle(QString::fromUtf8("\u00a0\u00c9QUIPE\u2003Réunion\u3000")),
        QString::fromUtf8("équipe réunion"));
    EXPECT_EQ(tolvar::normalizedMeetingTitle(""), "");
}

TEST(MeetingIdentity, CalendarKeyIsAbsentOnlyWhenBothPartsAreEmpty)
{
    EXPECT_FALSE(tolvar::makeCalendarKey("", ""));
    EXPECT_FALSE(tolvar::makeCalendarKey(std::nullopt, std::nullopt));
    EXPECT_EQ(tolvar::makeCalendarKey("Work", ""), QString("Work") + QChar(0x1f));
    EXPECT_EQ(tolvar::makeCalendarKey(std::nullopt, "Home"), QChar(0x1f) + QString("Home"));
    EXPECT_EQ(tolvar::makeCalendarKey("iCloud", "Home"), "iCloud\x1fHome");
}

TEST(MeetingIdentity, NotesHashIsAbsentForNoNotes)
{
    EXPECT_FALSE(tolvar::sha256Hex(std::nullopt));
    EXPECT_FALSE(tolvar::sha256Hex(""));
    EXPECT_EQ(
        tolvar::sha256Hex("Agenda: review Q3"), "bdeed525e192119c2aae4f73c514b8b7633bae2cbfad51cf6de646cdab0ba4ef");
}

TEST(MeetingLinks, KeepsOnlyWebLinksInTextOrder)
{
    const QList<QUrl> links = tolvar::detectLinks(
        "mailto:a@example.com ftp://files.example.com b@example.com example.zoom.us/j/1 HTTPS://Example.com/x");
    ASSERT_EQ(links.size(), 2);
    EXPECT_EQ(links[0].toString(), "http://example.zoom.us/j/1");
    EXPECT_EQ(links[1].toString(), "https://example.com/x");
}

TEST(MeetingLinks, JoinLinkPrefersZoomThenMeetThenTeams)
{
    EXPECT_EQ(joinLink("https://teams.microsoft.com/l/1 then https://acme.zoom.us/j/2"), "https://acme.zoom.us/j/2");
    EXPECT_EQ(joinLink("https://teams.microsoft.com/l/1", "https://meet.google.com/abc-defg-hij"),
        "https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(joinLink("https://example.com/a", "https://example.com/b"), "https://example.com/a");
    // The event's own link comes first in the text.
    EXPECT_EQ(joinLink("https://example.com/a", {}, QUrl("https://example.org/event")), "https://example.org/event");
    EXPECT_EQ(joinLink("Room 4", "Dial in: example.zoom.us/j/1."), "http://example.zoom.us/j/1");
}

TEST(MeetingLinks, NonWebLinksNeverBecomeJoinLinks)
{
    EXPECT_FALSE(joinLink("ftp://zoom.us/j/1", "mailto:host@zoom.us and zoommtg://zoom.us/join?confno=1",
        QUrl("msteams:/l/meetup-join/x")));
    EXPECT_FALSE(joinLink(std::nullopt));
    EXPECT_FALSE(joinLink("", ""));
}

TEST(MeetingLinks, PhysicalLocationDropsLinksAndSeparators)
{
    EXPECT_EQ(physicalLocationText(QString::fromUtf8("Room 4 \u2013 https://acme.zoom.us/j/1 \u00b7")), "Room 4");
    EXPECT_EQ(physicalLocationText("  Room   4\n\nFloor 2 ; "), "Room 4 Floor 2");
    EXPECT_EQ(physicalLocationText("Room 4; https://teams.microsoft.com/l/x"), "Room 4");
    EXPECT_FALSE(physicalLocationText("https://acme.zoom.us/j/1"));
    EXPECT_FALSE(physicalLocationText(" - "));
    EXPECT_FALSE(physicalLocationText(" \n "));
    EXPECT_FALSE(physicalLocationText(std::nullopt));
}

TEST(MeetingLinks, AnOnlineServicesNameIsNoPlaceToShowButStaysTheLocation)
{
    for (const char* name : { "Microsoft Teams Meeting", "microsoft teams", "Teams Meeting", "Zoom Meeting", "ZOOM",
             "Google Meet", "google meet meeting", "Webex", "Webex Meeting", "Whereby", " Zoom  Meeting ",
             "Microsoft Teams Meeting; https://teams.microsoft.com/l/x" }) {
        const QString location = QString::fromUtf8(name);
        EXPECT_FALSE(placeName(location)) << name;
        EXPECT_TRUE(physicalLocationText(location)) << name << ": still there to copy";
    }
    EXPECT_EQ(physicalLocationText(" Zoom  Meeting "), "Zoom Meeting");
    EXPECT_EQ(
        physicalLocationText("Microsoft Teams Meeting; https://teams.microsoft.com/l/x"), "Microsoft Teams Meeting");
    // A place that only mentions a service is still a place.
    EXPECT_EQ(placeName("Zoom Room 4"), "Zoom Room 4");
    EXPECT_EQ(placeName("Microsoft Teams Meeting, Room 4"), "Microsoft Teams Meeting, Room 4");
    EXPECT_EQ(placeName("Webex Meetings"), "Webex Meetings");
    EXPECT_EQ(placeName("Room 4; https://teams.microsoft.com/l/x"), "Room 4");
    EXPECT_FALSE(placeName(std::nullopt));

    // An Outlook invitation: the service's name as the place, the link in the description.
    MeetingSnapshot invitation;
    invitation.location = "Microsoft Teams Meeting";
    invitation.joinURL = MeetingSnapshot::detectJoinURL(
        std::nullopt, invitation.location, "Join: https://teams.microsoft.com/l/meetup-join/19%3ameeting");
    ASSERT_TRUE(invitation.joinURL);
    EXPECT_EQ(invitation.kind(), tolvar::MeetingKind::online);
    invitation.joinURL.reset();
    EXPECT_EQ(invitation.kind(), tolvar::MeetingKind::calendarEvent);
}

TEST(MeetingLinks, PhysicalLocationDropsLinksAsWritten)
{
    // Bare and mixed-case links differ from their absolute form; they must not remain as a "place".
    EXPECT_FALSE(physicalLocationText("example.zoom.us/j/1"));
    EXPECT_FALSE(physicalLocationText("HTTPS://Example.Zoom.US/j/1"));
    EXPECT_EQ(physicalLocationText("www.example.com/room | Room 4"), "Room 4");
    // Each link is cut where it stands, the text between the links kept in order.
    EXPECT_EQ(physicalLocationText("a.zoom.us/j/1 Room 4, https://b.example.com/x; Floor 2 (c.example.com) end"),
        "Room 4, ; Floor 2 () end");
    MeetingSnapshot online;
    online.joinURL = QUrl("http://example.zoom.us/j/1");
    online.location = "example.zoom.us/j/1";
    EXPECT_EQ(online.kind(), tolvar::MeetingKind::online);
}

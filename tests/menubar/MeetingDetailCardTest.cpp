#include "tolvar/menubar/MeetingDetailCard.h"
#include "PanelTestSupport.h"
#include "platform/workspace/MemoryWorkspace.h"
#include "tolvar/menubar/AttendeeListView.h"
#include "tolvar/menubar/DetailLinkButton.h"
#include "tolvar/menubar/DetailPopupSide.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

using namespace paneltest;
using tolvar::AttendeeRSVPStatus;
using tolvar::DetailPopupSide;
using tolvar::MeetingAttendee;
using tolvar::MeetingDetailCard;
using tolvar::MeetingSnapshot;

namespace {
MeetingAttendee attendee(const QString& name, AttendeeRSVPStatus status, bool me = false)
{
    MeetingAttendee person;
    person.id = name;
    person.name = name;
    person.status = status;
    person.isCurrentUser = me;
    return person;
}

QList<MeetingAttendee> crowd(int count)
{
    static const QStringList names = { "Noor Haddad", "ana Lima", "Björn Sand", "Chidi Obi", "dana Wu", "Elif Kaya",
        "Farah Khan", "Goran Ilic", "Hana Sato", "Ivo Petrov", "Jun Park", "Kai Berg", "Lea Roth", "Mika Aho",
        "Nils Holm", "Omar Aziz", "Pia Lund", "Quinn Ross", "Rui Costa", "Sara Eng" };
    static const AttendeeRSVPStatus replies[] = { AttendeeRSVPStatus::accepted, AttendeeRSVPStatus::noAnswer,
        AttendeeRSVPStatus::tentative, AttendeeRSVPStatus::declined };
    QList<MeetingAttendee> people;
    for (int i = 0; i < count; ++i)
        people.append(attendee(names[i % names.size()], replies[i % 4], i == 3));
    return people;
}

class MeetingDetailCardTest : public ::testing::Test
{
protected:
    static void settle() { appmodeltest::settle(); }

    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    MeetingSnapshot richMeeting(int attendees) const
    {
        MeetingSnapshot meeting = panelMeeting("Quarterly planning with the design and research teams",
            berlin(2026, 3, 5, 14), 60, QStringLiteral("https://zoom.us/j/7"), QStringLiteral("Room 4, Main building"));
        meeting.recurrenceLabel = QStringLiteral("Every 3 months");
        meeting.organizerName = QStringLiteral("Dana Wu");
        meeting.attendees = crowd(attendees);
        return meeting;
    }

    void show(const MeetingSnapshot& meeting, bool expanded)
    {
        card.setContent(meeting, QStringLiteral("2:00 PM – 3:00 PM"), expanded);
        card.resize(280, card.heightForWidth(280));
        card.show();
        settle();
    }

    platform::MemoryWorkspace workspace;
    MeetingDetailCard card { workspace };
};
} // namespace

TEST(SortedAttendeesTest, CurrentUserFirstThenByReplyThenByNameIgnoringCase)
{
    const QList<MeetingAttendee> sorted = tolvar::sortedAttendees({
        attendee("zed", AttendeeRSVPStatus::noAnswer),
        attendee("Bea", AttendeeRSVPStatus::tentative),
        attendee("amy", AttendeeRSVPStatus::accepted),
        attendee("Me", AttendeeRSVPStatus::noAnswer, true),
        attendee("Cal", AttendeeRSVPStatus::declined),
        attendee("Abe", AttendeeRSVPStatus::accepted),
        attendee("bob", AttendeeRSVPStatus::tentative),
    });
    QStringList names;
    for (const MeetingAttendee& person : sorted)
        names.append(person.name);
    EXPECT_EQ(names, QStringList({ "Me", "Abe", "amy", "Cal", "Bea", "bob", "zed" }));
}

TEST_F(MeetingDetailCardTest, TenAttendeesShowEightThenExpandToAll)
{
    show(richMeeting(10), false);
    EXPECT_EQ(card.visibleAttendees().size(), 8);
    ASSERT_NE(card.moreButton(), nullptr);
    EXPECT_EQ(card.moreButton()->text(), "+2 more");
    EXPECT_EQ(card.moreButton()->accessibleName(), "Show all 10 attendees");
    EXPECT_EQ(card.visibleAttendees().first().name, "Chidi Obi") << "the user comes first";
    QSignalSpy expand(&card, &MeetingDetailCard::showAllAttendeesRequested);
    card.moreButton()->click();
    EXPECT_EQ(expand.size(), 1);
    testsupport::saveScreenshot(card, QStringLiteral("detail-card-collapsed"));

    show(richMeeting(10), true);
    EXPECT_EQ(card.moreButton(), nullptr);
    EXPECT_EQ(card.expandedListHeight(), 216) << "10 × 18 + 9 × 4";
    testsupport::saveScreenshot(card, QStringLiteral("detail-card-expanded"));

    show(richMeeting(20), true);
    EXPECT_EQ(card.expandedListHeight(), 280) << "capped";
    testsupport::saveScreenshot(card, QStringLiteral("detail-card-expanded-long"));
    EXPECT_LT(card.height(), 560) << "the long list scrolls inside the card";
    const auto* scroll = card.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible()) << "with its scroll indicator";
}

TEST_F(MeetingDetailCardTest, EightOrFewerAttendeesNeedNoMoreButton)
{
    show(richMeeting(8), false);
    EXPECT_EQ(card.moreButton(), nullptr);
    EXPECT_EQ(card.hiddenAttendeeCount(), 0);
}

TEST_F(MeetingDetailCardTest, ABareMeetingShowsTitleTimeAndOpenInCalendarOnly)
{
    MeetingSnapshot bare = panelMeeting("Focus", berlin(2026, 3, 5, 14), 60, std::nullopt);
    bare.calendarTitle.reset();
    bare.calendarSourceTitle.reset();
    show(bare, false);
    EXPECT_EQ(card.findChildren<QLabel*>().size(), 2);
    EXPECT_EQ(card.locationButton(), nullptr);
    ASSERT_NE(card.openInCalendarButton(), nullptr);
    EXPECT_EQ(card.openInCalendarButton()->accessibleName(), "Open Focus in Calendar");
    EXPECT_EQ(card.accessibilitySummary(), "Focus, 2:00 PM – 3:00 PM");

    bare.isTask = true;
    show(bare, false);
    EXPECT_EQ(card.openInCalendarButton(), nullptr) << "a task has no calendar event to open";
    testsupport::saveScreenshot(card, QStringLiteral("detail-card-bare-task"));
}

TEST_F(MeetingDetailCardTest, ThePlaceOpensItsMapAndOpenInCalendarAsksTheHost)
{
    show(richMeeting(3), false);
    ASSERT_NE(card.locationButton(), nullptr);
    EXPECT_EQ(card.locationButton()->accessibleName(), "Open Room 4, Main building in Google Maps");
    card.locationButton()->click();
    ASSERT_EQ(workspace.openedUrls().size(), 1);
    EXPECT_EQ(workspace.openedUrls().first().host(), "www.google.com");
    EXPECT_TRUE(workspace.openedUrls().first().query(QUrl::FullyDecoded).contains("Room 4, Main building"));

    QSignalSpy open(&card, &MeetingDetailCard::openInCalendarRequested);
    card.openInCalendarButton()->click();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open.first().first().value<MeetingSnapshot>().title, card.meeting().title);
}

TEST_F(MeetingDetailCardTest, AServicesNameAsThePlaceGetsNoMapLink)
{
    MeetingSnapshot invitation = richMeeting(0);
    invitation.location = QStringLiteral("Microsoft Teams Meeting");
    show(invitation, false);
    EXPECT_EQ(card.locationButton(), nullptr);
    EXPECT_FALSE(card.accessibilitySummary().contains("Teams Meeting"));

    invitation.location = QStringLiteral("Zoom Room 4");
    show(invitation, false);
    ASSERT_NE(card.locationButton(), nullptr) << "a place that only mentions a service is a place";
    EXPECT_EQ(card.locationButton()->accessibleName(), "Open Zoom Room 4 in Google Maps");
}

TEST_F(MeetingDetailCardTest, TheSummaryReadsEveryPartAndANewTitleRedraws)
{
    show(richMeeting(2), false);
    EXPECT_EQ(card.accessibilitySummary(),
        "Quarterly planning with the design and research teams, 2:00 PM – 3:00 PM, Every 3 months, Room 4, Main "
        "building, Team · Work, Organizer: Dana Wu, Attendees: Noor Haddad Accepted, ana Lima No answer");

    MeetingSnapshot renamed = card.meeting();
    renamed.title = QStringLiteral("Planning (moved)");
    show(renamed, false);
    EXPECT_EQ(card.findChildren<QLabel*>().first()->text(), "Planning (moved)");
    EXPECT_TRUE(card.accessibleName().startsWith("Planning (moved)"));
}

TEST(DetailPopupSideTest, TheSideWithRoomWinsAndTheLargerOneWhenNeitherHasIt)
{
    const QRect screen(0, 0, 1280, 800);
    EXPECT_EQ(tolvar::detailPopupSide(QRect(100, 0, 360, 500), screen, 288), DetailPopupSide::trailing);
    EXPECT_EQ(tolvar::detailPopupSide(QRect(900, 0, 360, 500), screen, 288), DetailPopupSide::leading)
        << "no room on the right, room on the left";
    EXPECT_EQ(tolvar::detailPopupSide(QRect(1280 - 360 - 288, 0, 360, 500), screen, 288), DetailPopupSide::trailing)
        << "exactly enough";
    EXPECT_EQ(tolvar::detailPopupSide(QRect(0, 0, 1100, 500), QRect(0, 0, 1280, 800), 288), DetailPopupSide::trailing)
        << "neither fits: the larger side";
    EXPECT_EQ(tolvar::detailPopupSide(QRect(200, 0, 1000, 500), screen, 288), DetailPopupSide::leading);
    EXPECT_EQ(tolvar::detailPopupSide(QRect(140, 0, 1000, 500), screen, 288), DetailPopupSide::trailing)
        << "equal rooms: the right";
    EXPECT_EQ(tolvar::detailPopupSide(QRect(1000, 0, 360, 500), QRect(), 288), DetailPopupSide::trailing)
        << "no screen";
    EXPECT_EQ(tolvar::detailPopupSide(nullptr, 288), DetailPopupSide::trailing) << "no window";
}

TEST_F(MeetingDetailCardTest, ALongPlaceWrapsWholeAndNoAnswerKeepsItsDimColour)
{
    const QString tokyo = QStringLiteral("Tsukiji Sushi Dai, 5-2-1 Tsukiji, Chuo City, Tokyo");
    MeetingSnapshot dinner = panelMeeting("Team dinner", berlin(2026, 3, 5, 19), 120, std::nullopt, tokyo);
    dinner.attendees
        = { attendee("Hana Sato", AttendeeRSVPStatus::accepted), attendee("Kenji Mori", AttendeeRSVPStatus::noAnswer) };
    show(dinner, false);
    // Laid out as the side panel lays it out: a fixed width and the height the card asks for.
    card.setFixedWidth(280);
    card.resize(280, card.heightForWidth(280));
    settle();
    testsupport::saveScreenshot(card, QStringLiteral("detail-card-long-place"));

    tolvar::DetailLinkButton* place = card.locationButton();
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->shownLines().join(QLatin1Char(' ')), tokyo) << "every word shown, none cut";
    EXPECT_GE(place->shownLines().size(), 2);
    EXPECT_GE(place->height(), place->heightForWidth(place->width()));

    // "No answer" is its reply colour, white at 0.45, shown at 0.95: never brighter than the names.
    auto* list = card.findChild<tolvar::AttendeeListView*>();
    ASSERT_NE(list, nullptr);
    QImage image(list->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    list->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const int replyLeft = list->width() - 60;
    const int rowTop = tolvar::AttendeeListView::rowHeight + tolvar::AttendeeListView::rowSpacing;
    int brightest = 0;
    for (int y = rowTop; y < rowTop + tolvar::AttendeeListView::rowHeight; ++y) {
        for (int x = replyLeft; x < list->width(); ++x)
            brightest = std::max(brightest, qAlpha(image.pixel(x, y)));
    }
    EXPECT_GT(brightest, 60) << "the reply is drawn";
    EXPECT_LE(brightest, qRound(0.45 * 0.95 * 255) + 2);
}

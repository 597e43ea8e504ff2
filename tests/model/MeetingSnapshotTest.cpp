#include "tolvar/model/MeetingSnapshot.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using platform::Date;
using tolvar::MeetingAttendee;
using tolvar::MeetingKind;
using tolvar::MeetingSnapshot;

namespace {

using json = nlohmann::json;

// 2026-12-27 08:00:00 UTC, and half an hour later.
const Date start = Date::fromSecondsSince1970(1798307200);
const Date end = Date::fromSecondsSince1970(1798309000);

std::optional<MeetingSnapshot> decode(const char* text, QString* error = nullptr)
{
    return MeetingSnapshot::fromJson(json::parse(text), error);
}

MeetingSnapshot fullSnapshot()
{
    MeetingSnapshot snapshot;
    snapshot.id = "abc";
    snapshot.sourceDeviceID = "device-1";
    snapshot.calendarExternalIdentifier = "cal-1";
    snapshot.calendarTitle = "Work";
    snapshot.calendarSourceTitle = "Fastmail";
    snapshot.title = "Weekly sync";
    snapshot.startDate = Date(820000000.25);
    snapshot.endDate = Date(820001800.5);
    snapshot.originalStartDate = Date(819996400.25);
    snapshot.location = "Room 4";
    snapshot.notesHash = QString(64, u'a');
    snapshot.joinURL = QUrl("https://example.zoom.us/j/1?pwd=x%20y");
    snapshot.eventExternalIdentifier = "event-1";
    snapshot.calendarItemIdentifier = "item-1";
    snapshot.lastSeenAt = Date(819999000);
    snapshot.isTask = false;
    snapshot.attendees = { { "a1", "Ann", tolvar::AttendeeRSVPStatus::accepted, true, "ann@example.com" },
        { "a2", "Bo", tolvar::AttendeeRSVPStatus::noAnswer, false, std::nullopt } };
    snapshot.organizerName = "Ann";
    snapshot.recurrenceLabel = "Weekly";
    return snapshot;
}

} // namespace

TEST(MeetingSnapshotId, ExternalIdentifierAndStartAloneMakeTheId)
{
    const QString expected = "efd1c0f4b029299c2d55dec03ba0ab347107b4302d4e5530f36bf00f3c478f9d"; // event:ABC:1800000000
    const Date eventStart = Date::fromSecondsSince1970(1800000000);
    EXPECT_EQ(MeetingSnapshot::makeStableID("Title", eventStart, eventStart.addingSeconds(60), std::nullopt, "ABC"),
        expected);
    EXPECT_EQ(MeetingSnapshot::makeStableID("Other", eventStart.addingSeconds(0.75), eventStart.addingSeconds(9999),
                  QUrl("https://zoom.us/j/1"), "ABC"),
        expected);
}

TEST(MeetingSnapshotId, WithoutExternalIdentifierUsesNormalisedTitleDatesAndLowercasedLink)
{
    // weekly sync|1798307200|1798309000|https://example.zoom.us/j/abc
    const QString withLink = "0759f448358115a0a30863055f7dadb6959b11b5d4812dec6202998adf648da4";
    EXPECT_EQ(MeetingSnapshot::makeStableID(
                  "  Weekly \t Sync\n", start, end, QUrl("https://example.zoom.us/J/AbC"), std::nullopt),
        withLink);
    EXPECT_EQ(
        MeetingSnapshot::makeStableID("weekly sync", start, end, QUrl("https://example.zoom.us/j/abc"), ""), withLink);
    // weekly sync|1798307200|1798309000|
    EXPECT_EQ(MeetingSnapshot::makeStableID("Weekly Sync", start, end, std::nullopt, std::nullopt),
        "e55a93e7f265e0e61d15e13927cd142bc82721be1085bec3306fd7942bbec4f2");
}

TEST(MeetingSnapshotId, WholeSecondsTruncateTowardZeroAndCoverTheRecordRange)
{
    const auto idFor = [](double secondsSince1970) {
        const Date date = Date::fromSecondsSince1970(secondsSince1970);
        return MeetingSnapshot::makeStableID("", date, date, std::nullopt, "X");
    };
    EXPECT_EQ(idFor(1.9), "f9f133ec3c731f6d13a17fc118f9780a566b2430845910668f596cdbfc6beeab"); // event:X:1
    EXPECT_EQ(idFor(-1.9), "c16b45375470e238123a4986f81dd75767da45ad7206f45d56a5b04f6f3a0f85"); // event:X:-1
    EXPECT_EQ(MeetingSnapshot::makeStableID("", Date::distantPast(), Date::distantPast(), std::nullopt, "E1"),
        "f91bf7f7d2bd3c15c4fbff728f661828105fa5ec78d6a33778f3dec2a53e689d"); // event:E1:-62135769600
    const Date last(Date::distantFutureSeconds);
    EXPECT_EQ(MeetingSnapshot::makeStableID("", last, last, std::nullopt, "E2"),
        "57cff1d9ca920a44229c3c4c47014490ed5e4bb1f1017772255d41b6e964b62a"); // event:E2:253402300799
}

TEST(MeetingSnapshotMergeKey, SameEventOnOneUtcDayMergesWhateverTheHour)
{
    MeetingSnapshot morning;
    morning.id = "one";
    morning.calendarExternalIdentifier = "cal";
    morning.eventExternalIdentifier = "E";
    morning.startDate = Date::fromSecondsSince1970(1800000000); // 08:00 UTC
    MeetingSnapshot evening = morning;
    evening.id = "two";
    evening.startDate = Date::fromSecondsSince1970(1800000000 + 10 * 3600);
    EXPECT_EQ(morning.mergeKey(), "event:cal:E:1799971200");
    EXPECT_EQ(evening.mergeKey(), morning.mergeKey());

    MeetingSnapshot nextDay = morning;
    nextDay.startDate = Date::fromSecondsSince1970(1800000000 + 16 * 3600);
    EXPECT_NE(nextDay.mergeKey(), morning.mergeKey());

    morning.calendarExternalIdentifier.reset();
    EXPECT_EQ(morning.mergeKey(), "event::E:1799971200");
    morning.eventExternalIdentifier = "";
    EXPECT_EQ(morning.mergeKey(), "snapshot:one");
}

TEST(MeetingSnapshotMergeKey, OccurrencesOfOneSeriesOnOneDayStayApart)
{
    MeetingSnapshot ten;
    ten.calendarExternalIdentifier = "cal";
    ten.eventExternalIdentifier = "E";
    ten.startDate = Date::fromSecondsSince1970(1800007200); // 10:00 UTC
    ten.originalStartDate = ten.startDate;
    MeetingSnapshot two = ten;
    two.startDate = Date::fromSecondsSince1970(1800007200 + 4 * 3600);
    two.originalStartDate = two.startDate;
    EXPECT_NE(ten.mergeKey(), two.mergeKey());

    // Moved within the day, or onto the next occurrence's day, it is still its own occurrence.
    MeetingSnapshot tenMoved = ten;
    tenMoved.startDate = ten.startDate.addingSeconds(3 * 3600);
    EXPECT_EQ(tenMoved.mergeKey(), ten.mergeKey());
    MeetingSnapshot nextDay = ten;
    nextDay.startDate = ten.startDate.addingSeconds(86400);
    nextDay.originalStartDate = nextDay.startDate;
    MeetingSnapshot movedOntoNextDay = ten;
    movedOntoNextDay.startDate = nextDay.startDate.addingSeconds(5 * 3600);
    EXPECT_NE(movedOntoNextDay.mergeKey(), nextDay.mergeKey());

    // A single event keeps the day's key, so that moving it within its day still merges.
    MeetingSnapshot single = ten;
    single.originalStartDate.reset();
    MeetingSnapshot singleMoved = single;
    singleMoved.startDate = two.startDate;
    EXPECT_EQ(single.mergeKey(), "event:cal:E:1799971200");
    EXPECT_EQ(singleMoved.mergeKey(), single.mergeKey());
    EXPECT_NE(single.mergeKey(), ten.mergeKey());
}

TEST(MeetingSnapshotMergeKey, DaysBefore1970AndAtTheEndsOfTheRangeRoundDown)
{
    MeetingSnapshot snapshot;
    snapshot.eventExternalIdentifier = "E";
    snapshot.startDate = Date::fromSecondsSince1970(-0.5);
    EXPECT_EQ(snapshot.mergeKey(), "event::E:-86400");
    snapshot.startDate = Date::distantPast().addingSeconds(0.5);
    EXPECT_EQ(snapshot.mergeKey(), "event::E:-62135769600");
    snapshot.startDate = Date(Date::distantFutureSeconds);
    EXPECT_EQ(snapshot.mergeKey(), "event::E:253402214400");
    // Out-of-range dates never come from stored data; they must still not overflow.
    snapshot.startDate = Date(1e300);
    EXPECT_FALSE(snapshot.mergeKey().isEmpty());
}

TEST(MeetingSnapshotJson, RoundTripsEveryField)
{
    const MeetingSnapshot snapshot = fullSnapshot();
    QString error;
    const std::optional<MeetingSnapshot> decoded = MeetingSnapshot::fromJson(snapshot.toJson(), &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(*decoded, snapshot);
    EXPECT_EQ(qHash(*decoded), qHash(snapshot));
    EXPECT_EQ(snapshot.toJson()["startDate"], json(820000000.25));
    EXPECT_EQ(snapshot.toJson()["joinURL"], "https://example.zoom.us/j/1?pwd=x%20y");
}

TEST(MeetingSnapshotJson, LeavesAbsentOptionalsOutButAlwaysWritesTheRest)
{
    MeetingSnapshot snapshot;
    snapshot.id = "x";
    snapshot.title = "T";
    const json encoded = snapshot.toJson();
    std::vector<std::string> keys;
    for (const auto& [key, value] : encoded.items())
        keys.push_back(key);
    EXPECT_EQ(keys,
        (std::vector<std::string> {
            "attendees", "endDate", "id", "isTask", "lastSeenAt", "sourceDeviceID", "startDate", "title" }));
    EXPECT_EQ(encoded["attendees"], json::array());
    EXPECT_EQ(encoded["isTask"], false);
}

TEST(MeetingSnapshotJson, OnlyStartAndEndAreRequired)
{
    const std::optional<MeetingSnapshot> snapshot = decode(R"({"startDate": 820000000, "endDate": 820001800})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->title, "Untitled meeting");
    EXPECT_EQ(snapshot->sourceDeviceID, "");
    EXPECT_EQ(snapshot->lastSeenAt, Date::distantPast());
    EXPECT_FALSE(snapshot->isTask);
    EXPECT_TRUE(snapshot->attendees.isEmpty());
    EXPECT_FALSE(snapshot->location || snapshot->joinURL || snapshot->eventExternalIdentifier || snapshot->calendarTitle
        || snapshot->organizerName);
    // untitled meeting|1798307200|1798309000|
    EXPECT_EQ(snapshot->id, "c4bfa9f24af5af26753027863ffd2ec10db02b9963c7c1c3098f09cbcbdfac3a");

    QString error;
    EXPECT_FALSE(decode(R"({"startDate": 820000000})", &error));
    EXPECT_TRUE(error.contains("endDate")) << error.toStdString();
    EXPECT_FALSE(decode(R"({"startDate": 820000000, "endDate": null})"));
    EXPECT_FALSE(decode(R"({"startDate": "2026-12-27T08:00:00Z", "endDate": 820001800})"));
    EXPECT_FALSE(decode(R"([820000000, 820001800])"));
}

TEST(MeetingSnapshotJson, MissingIdIsComputedFromTheDecodedTitleLinkAndIdentifier)
{
    const auto snapshot = decode(R"({"startDate": 820000000, "endDate": 820001800, "title": "Weekly Sync",
        "joinURL": "https://example.zoom.us/J/AbC"})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->id, "0759f448358115a0a30863055f7dadb6959b11b5d4812dec6202998adf648da4");

    const auto withEvent = decode(R"({"startDate": 821692800, "endDate": 821696400, "eventExternalIdentifier": "ABC",
        "joinURL": "https://example.zoom.us/j/1", "id": null})");
    ASSERT_TRUE(withEvent);
    EXPECT_EQ(withEvent->id, "efd1c0f4b029299c2d55dec03ba0ab347107b4302d4e5530f36bf00f3c478f9d");

    const auto stored = decode(R"({"startDate": 1, "endDate": 2, "id": "kept"})");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->id, "kept");
}

TEST(MeetingSnapshotJson, BadOrNonWebJoinLinksReadAsAbsent)
{
    for (const char* link : { "5", R"("http://exa mple.com")", R"("")", R"("mailto:bob@example.com")",
             R"x("javascript:alert(1)")x", R"("file:///etc/passwd")", R"("zoommtg://zoom.us/join?confno=1")",
             R"("https:///nohost")", R"({"url": "https://zoom.us"})" }) {
        const std::string text = std::string(R"({"startDate": 820000000, "endDate": 820001800, "joinURL": )") + link
            + R"(, "title": "Weekly Sync"})";
        const std::optional<MeetingSnapshot> snapshot = MeetingSnapshot::fromJson(json::parse(text));
        ASSERT_TRUE(snapshot) << link;
        EXPECT_FALSE(snapshot->joinURL) << link;
        // The id is computed as if there were no link.
        EXPECT_EQ(snapshot->id, "e55a93e7f265e0e61d15e13927cd142bc82721be1085bec3306fd7942bbec4f2") << link;
    }
    const auto upper = decode(R"({"startDate": 1, "endDate": 2, "joinURL": "HTTPS://Example.com/x"})");
    ASSERT_TRUE(upper && upper->joinURL);
    EXPECT_EQ(upper->joinURL->host(), "example.com");
}

TEST(MeetingSnapshotJson, WrongTypesFailTheRecord)
{
    for (const char* member :
        { R"("title": 5)", R"("id": 7)", R"("isTask": 1)", R"("isTask": "true")", R"("attendees": {})",
            R"("location": ["Room"])", R"("lastSeenAt": "yesterday")", R"("sourceDeviceID": false)" }) {
        const std::string text = std::string(R"({"startDate": 820000000, "endDate": 820001800, )") + member + "}";
        QString error;
        EXPECT_FALSE(MeetingSnapshot::fromJson(json::parse(text), &error)) << member;
        EXPECT_FALSE(error.isEmpty()) << member;
    }
    // Unknown members and nulls are fine.
    const auto snapshot = decode(R"({"startDate": 1, "endDate": 2, "future": [1, 2], "location": null,
        "title": null, "attendees": null})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->title, "Untitled meeting");
    EXPECT_FALSE(snapshot->location);
}

TEST(MeetingSnapshotJson, DatesOutsideTheRecordRangeFailTheRecord)
{
    for (const char* dates : { R"("startDate": -63114076801, "endDate": 0)", R"("startDate": 0, "endDate": 1e300)",
             R"("startDate": 0, "endDate": 1, "lastSeenAt": -1e20)",
             R"("startDate": 0, "endDate": 18446744073709551615)" }) {
        const std::string text = std::string("{") + dates + "}";
        EXPECT_FALSE(MeetingSnapshot::fromJson(json::parse(text))) << dates;
    }
    EXPECT_TRUE(decode(R"({"startDate": -63114076800, "endDate": 252423993599})"));
}

TEST(MeetingSnapshotJson, ABadAttendeeFailsTheMeeting)
{
    EXPECT_FALSE(decode(R"({"startDate": 1, "endDate": 2,
        "attendees": [{"id": "a", "name": "Ann", "status": "accepted"}, {"id": "b", "name": "Bo", "status": "Accepted"}]})"));
    const auto snapshot = decode(R"({"startDate": 1, "endDate": 2,
        "attendees": [{"id": "a", "name": "Ann", "status": "tentative"}]})");
    ASSERT_TRUE(snapshot);
    ASSERT_EQ(snapshot->attendees.size(), 1);
    EXPECT_EQ(snapshot->attendees[0].status, tolvar::AttendeeRSVPStatus::tentative);
    EXPECT_FALSE(snapshot->attendees[0].isCurrentUser);
}

TEST(MeetingSnapshotLabels, KindFollowsTaskThenLinkAndPlace)
{
    MeetingSnapshot snapshot;
    EXPECT_EQ(snapshot.kind(), MeetingKind::calendarEvent);
    snapshot.location = "Room 4";
    EXPECT_EQ(snapshot.kind(), MeetingKind::inPerson);
    snapshot.joinURL = QUrl("https://zoom.us/j/1");
    EXPECT_EQ(snapshot.kind(), MeetingKind::hybrid);
    snapshot.isTask = true;
    EXPECT_EQ(snapshot.kind(), MeetingKind::task);
    snapshot.isTask = false;
    snapshot.location = " - ";
    EXPECT_EQ(snapshot.kind(), MeetingKind::online);
}

TEST(MeetingSnapshotLabels, CalendarDisplayNameSkipsEmptyParts)
{
    MeetingSnapshot snapshot;
    EXPECT_FALSE(snapshot.calendarDisplayName());
    snapshot.calendarTitle = "";
    snapshot.calendarSourceTitle = "iCloud";
    EXPECT_EQ(snapshot.calendarDisplayName(), "iCloud");
    snapshot.calendarTitle = "Work";
    EXPECT_EQ(snapshot.calendarDisplayName(), QString::fromUtf8("Work \u00b7 iCloud"));
    snapshot.calendarSourceTitle.reset();
    EXPECT_EQ(snapshot.calendarDisplayName(), "Work");
}

TEST(MeetingSnapshotLabels, MapSearchEncodesTheWholePlace)
{
    const std::optional<QUrl> url = MeetingSnapshot::mapSearchURL(QString::fromUtf8("Café 4 & Co + Annex"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(QUrl::FullyEncoded),
        "https://www.google.com/maps/search/?api=1&query=Caf%C3%A9%204%20%26%20Co%20%2B%20Annex");
}

TEST(MeetingSnapshotEquality, EveryFieldCounts)
{
    const MeetingSnapshot base = fullSnapshot();
    MeetingSnapshot changed = base;
    changed.organizerName.reset();
    EXPECT_NE(changed, base);
    changed = base;
    changed.attendees[1].email = "";
    EXPECT_NE(changed, base);
    changed = base;
    changed.originalStartDate.reset();
    EXPECT_NE(changed, base);
    EXPECT_NE(qHash(changed), qHash(base));
    changed = base;
    changed.lastSeenAt = changed.lastSeenAt.addingSeconds(0.001);
    EXPECT_NE(changed, base);
    EXPECT_NE(qHash(changed), qHash(base));

    MeetingSnapshot absent;
    MeetingSnapshot empty;
    empty.location = "";
    EXPECT_NE(absent, empty);
    EXPECT_NE(qHash(absent), qHash(empty));
}

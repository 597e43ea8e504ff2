#include "tolvar/model/AttendeeRSVPStatus.h"
#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/CalendarSource.h"
#include "tolvar/model/EventScope.h"
#include "tolvar/model/MeetingAttendee.h"
#include "tolvar/model/MeetingKind.h"
#include "tolvar/model/PendingActionItemMeeting.h"
#include "tolvar/model/PermissionState.h"
#include "tolvar/model/ReminderState.h"

#include <QSet>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using platform::Date;
using namespace tolvar;

namespace {

using json = nlohmann::json;

const Date now = Date::fromSecondsSince1970(1800000000);

} // namespace

TEST(MeetingAttendee, DecodesWithDefaultsAndRejectsUnknownStatus)
{
    const auto attendee = MeetingAttendee::fromJson(json::parse(R"({"id": "a", "name": "Ann", "status": "noAnswer"})"));
    ASSERT_TRUE(attendee);
    EXPECT_FALSE(attendee->isCurrentUser);
    EXPECT_FALSE(attendee->email);

    QString error;
    EXPECT_FALSE(MeetingAttendee::fromJson(json::parse(R"({"id": "a", "name": "Ann", "status": "Maybe"})"), &error));
    EXPECT_TRUE(error.contains("status")) << error.toStdString();
    EXPECT_FALSE(MeetingAttendee::fromJson(json::parse(R"({"id": "a", "status": "accepted"})")));
    EXPECT_FALSE(MeetingAttendee::fromJson(json::parse(R"({"id": "a", "name": "Ann", "status": 0})")));

    const MeetingAttendee me { "m", "Me Myself", AttendeeRSVPStatus::declined, true, "me@example.com" };
    EXPECT_EQ(MeetingAttendee::fromJson(me.toJson()), me);
}

TEST(MeetingAttendee, DisplayNameShowsTheUserAsMe)
{
    MeetingAttendee attendee { "a", "Ann", AttendeeRSVPStatus::accepted, false, "ann@example.com" };
    EXPECT_EQ(attendee.displayName(), "Ann");
    attendee.isCurrentUser = true;
    EXPECT_EQ(attendee.displayName(), "Me (ann@example.com)");
    attendee.email = "";
    EXPECT_EQ(attendee.displayName(), "Me");
    attendee.email.reset();
    EXPECT_EQ(attendee.displayName(), "Me");
}

TEST(Enumerations, RawValuesAndLabels)
{
    EXPECT_EQ(rawValue(AttendeeRSVPStatus::noAnswer), "noAnswer");
    EXPECT_EQ(attendeeRSVPStatusFromRawValue("tentative"), AttendeeRSVPStatus::tentative);
    EXPECT_FALSE(attendeeRSVPStatusFromRawValue("Tentative"));
    EXPECT_EQ(displayName(AttendeeRSVPStatus::tentative), "Maybe");
    EXPECT_EQ(displayName(AttendeeRSVPStatus::noAnswer), "No answer");
    EXPECT_EQ(eventScopeFromRawValue(1), EventScope::meetingsAndEvents);
    EXPECT_FALSE(eventScopeFromRawValue(2));
    EXPECT_EQ(permissionStateFromRawValue("granted"), PermissionState::granted);
    EXPECT_EQ(rawValue(PermissionState::unknown), "unknown");
    EXPECT_EQ(label(MeetingKind::inPerson), "In person");
    EXPECT_EQ(label(MeetingKind::calendarEvent), "Calendar event");
    EXPECT_NE(qHash(AttendeeRSVPStatus::accepted), qHash(AttendeeRSVPStatus::declined));
}

TEST(ReminderState, SuppressesWhileMutedDismissedOrSnoozedAhead)
{
    ReminderState state;
    state.stableMeetingID = "m";
    EXPECT_FALSE(state.isSuppressed(now));
    state.snoozedUntil = now.addingSeconds(-1);
    EXPECT_FALSE(state.isSuppressed(now));
    state.snoozedUntil = now;
    EXPECT_FALSE(state.isSuppressed(now));
    state.snoozedUntil = now.addingSeconds(1);
    EXPECT_TRUE(state.isSuppressed(now));

    ReminderState fired;
    fired.firedForStartDate = now;
    fired.clearedAt = now;
    EXPECT_FALSE(fired.isSuppressed(now));
    fired.dismissedAt = now.addingSeconds(-3600);
    EXPECT_TRUE(fired.isSuppressed(now));

    ReminderState muted;
    muted.mutedAt = now;
    muted.snoozedUntil = now.addingSeconds(-10);
    EXPECT_TRUE(muted.isSuppressed(now));
}

TEST(ReminderState, EffectiveUpdateFallsBackToTheLatestActionForOldStates)
{
    ReminderState state;
    EXPECT_EQ(state.updatedAt, Date::distantPast());
    EXPECT_EQ(state.effectiveUpdatedAt(), Date::distantPast());
    state.dismissedAt = now;
    state.clearedAt = now.addingSeconds(5);
    state.firedForStartDate = now.addingSeconds(100);
    EXPECT_EQ(state.effectiveUpdatedAt(), now.addingSeconds(5));
    state.mutedAt = now.addingSeconds(7);
    EXPECT_EQ(state.effectiveUpdatedAt(), now.addingSeconds(7));
    state.updatedAt = now.addingSeconds(-100);
    EXPECT_EQ(state.effectiveUpdatedAt(), now.addingSeconds(-100));
}

TEST(ReminderState, JsonNeedsIdAndUpdateTime)
{
    ReminderState state;
    state.stableMeetingID = "m";
    state.snoozedUntil = now;
    state.updatedAt = now.addingSeconds(-0.5);
    const json encoded = state.toJson();
    EXPECT_FALSE(encoded.contains("mutedAt"));
    EXPECT_EQ(ReminderState::fromJson(encoded), state);

    EXPECT_FALSE(ReminderState::fromJson(json::parse(R"({"stableMeetingID": "m"})")));
    EXPECT_FALSE(ReminderState::fromJson(json::parse(R"({"updatedAt": 5})")));
    EXPECT_FALSE(ReminderState::fromJson(json::parse(R"({"stableMeetingID": "m", "updatedAt": 5, "mutedAt": "x"})")));
    EXPECT_FALSE(
        ReminderState::fromJson(json::parse(R"({"stableMeetingID": "m", "updatedAt": 5, "dismissedAt": 1e15})")));
    const auto old = ReminderState::fromJson(json::parse(R"({"stableMeetingID": "m", "updatedAt": -63114076800,
        "dismissedAt": 10, "clearedAt": null})"));
    ASSERT_TRUE(old);
    EXPECT_FALSE(old->clearedAt);
    EXPECT_EQ(old->effectiveUpdatedAt(), Date(10));
}

TEST(CalendarRule, JsonNeedsEveryMember)
{
    const CalendarRule rule { "iCloud\x1fWork", EventScope::meetingsAndEvents, false, true, 3, now };
    const json encoded = rule.toJson();
    EXPECT_EQ(encoded["eventScope"], 1);
    EXPECT_EQ(encoded["soundRepeat"], 3);
    EXPECT_EQ(CalendarRule::fromJson(encoded), rule);

    for (const char* member : { "calendarKey", "eventScope", "showOverlay", "playSound", "soundRepeat", "updatedAt" }) {
        json partial = encoded;
        partial.erase(member);
        EXPECT_FALSE(CalendarRule::fromJson(partial)) << member;
    }
    for (const json& scope : { json(2), json(-1), json("1"), json(1.0) }) {
        json changed = encoded;
        changed["eventScope"] = scope;
        EXPECT_FALSE(CalendarRule::fromJson(changed)) << scope.dump();
    }
    for (const json& repeat : { json(1.5), json(18446744073709551615u), json(true) }) {
        json changed = encoded;
        changed["soundRepeat"] = repeat;
        EXPECT_FALSE(CalendarRule::fromJson(changed)) << repeat.dump();
    }
}

TEST(PendingActionItemMeeting, JsonNeedsEveryMember)
{
    const PendingActionItemMeeting meeting { "id", "Retro", now };
    EXPECT_EQ(PendingActionItemMeeting::fromJson(meeting.toJson()), meeting);
    EXPECT_FALSE(PendingActionItemMeeting::fromJson(json::parse(R"({"id": "x", "title": "Retro"})")));
    EXPECT_FALSE(PendingActionItemMeeting::fromJson(json::parse(R"({"id": "x", "title": 1, "endDate": 0})")));
}

TEST(CalendarSource, DisplayNameAddsTheAccount)
{
    EXPECT_EQ((CalendarSource { "1", "Work", "iCloud" }.displayName()), "Work - iCloud");
    EXPECT_EQ((CalendarSource { "1", "Work", "" }.displayName()), "Work");
}

TEST(Records, EqualRecordsHashAlike)
{
    const QSet<CalendarRule> rules { { "k", EventScope::meetingsOnly, true, true, 0, now },
        { "k", EventScope::meetingsOnly, true, true, 0, now }, { "k", EventScope::meetingsOnly, true, true, 1, now } };
    EXPECT_EQ(rules.size(), 2);
    ReminderState a;
    ReminderState b;
    b.mutedAt = Date::distantPast();
    EXPECT_NE(a, b);
    EXPECT_NE(qHash(a), qHash(b));
    EXPECT_EQ((QSet<CalendarSource> { { "1", "a", "b" }, { "1", "a", "b" } }.size()), 1);
}

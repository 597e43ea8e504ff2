#include "tolvar/core/CalendarService.h"

#include "platform/calendar/ICalendarStore.h"
#include "platform/calendar/TestEventStore.h"
#include "platform/time/TestClock.h"
#include "tolvar/model/MeetingIdentity.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>

using namespace platform;
using namespace tolvar;

namespace {

const bool berlinTime = [] {
    qputenv("TZ", "Europe/Berlin");
    tzset();
    return true;
}();

Date berlin(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return Date::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone("Europe/Berlin")));
}

const StoreCalendar work { "work/team", "Team", "Work" };
const StoreCalendar home { "home", "Home", "" };
const StoreCalendar tasks { "tasks", "Tasks", "Work" };

Participant person(std::optional<QString> name, std::optional<QString> email,
    ParticipantStatus status = ParticipantStatus::accepted, ParticipantType type = ParticipantType::person)
{
    Participant participant;
    participant.name = std::move(name);
    participant.emailAddress = std::move(email);
    participant.status = status;
    participant.type = type;
    return participant;
}

class CalendarServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(berlinTime);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        clock.setNow(berlin(2026, 3, 5, 10));
        store.setAuthorizationStatus(EntityType::event, AuthorizationStatus::fullAccess);
        store.setAuthorizationStatus(EntityType::reminder, AuthorizationStatus::fullAccess);
        store.setCalendars(EntityType::event, { work, home });
        store.setCalendars(EntityType::reminder, { tasks });
    }

    StoreEvent event(const QString& title, Date start, Date end, const StoreCalendar& calendar = work) const
    {
        StoreEvent result;
        result.calendar = calendar;
        result.title = title;
        result.start = start;
        result.end = end;
        result.externalIdentifier = title + "-uid";
        result.itemIdentifier = title + "-item";
        return result;
    }

    QList<MeetingSnapshot> fetch(const QHash<QString, CalendarRule>& rules = {}, int forwardDays = 7)
    {
        return service.fetchMeetings({ work.identifier, home.identifier }, "device", rules, forwardDays);
    }

    static std::optional<QString> label(RecurrenceFrequency frequency, int interval, QList<RecurrenceDay> days = {},
        QList<int> daysOfMonth = {}, QList<int> setPositions = {})
    {
        return CalendarService::recurrenceLabel(
            RecurrenceRule { frequency, interval, days, daysOfMonth, setPositions });
    }

    TestClock clock;
    TestEventStore store;
    CalendarService service { store, clock };
};

} // namespace

TEST_F(CalendarServiceTest, AsksForAccessOnlyWhileUndecided)
{
    store.setAuthorizationStatus(EntityType::event, AuthorizationStatus::notDetermined);
    EXPECT_EQ(QCoro::waitFor(service.requestCalendarAccess()), PermissionState::granted);
    EXPECT_EQ(QCoro::waitFor(service.requestCalendarAccess()), PermissionState::granted);
    EXPECT_EQ(store.accessRequestCount(), 1);

    store.setGrantsAccess(false);
    store.setAuthorizationStatus(EntityType::reminder, AuthorizationStatus::notDetermined);
    EXPECT_EQ(QCoro::waitFor(service.requestRemindersAccess()), PermissionState::denied);
    EXPECT_EQ(store.accessRequestCount(), 2);

    for (auto status :
        { AuthorizationStatus::restricted, AuthorizationStatus::denied, AuthorizationStatus::writeOnly }) {
        store.setAuthorizationStatus(EntityType::reminder, status);
        EXPECT_EQ(QCoro::waitFor(service.requestRemindersAccess()), PermissionState::denied);
    }
    EXPECT_EQ(store.accessRequestCount(), 2);
    EXPECT_EQ(CalendarService::permissionState(AuthorizationStatus(9)), PermissionState::unknown);
}

TEST_F(CalendarServiceTest, SortsSourcesByDisplayNameKeepingEqualOnesInOrder)
{
    store.setCalendars(EntityType::event,
        { { "1", "beta", "" }, { "2", "Alpha", "Zed" }, { "3", "alpha", "zed" }, { "4", "Alpha", "" },
            { "5", "Beta", "" } });
    QStringList ids;
    for (const CalendarSource& source : service.calendarSources())
        ids.append(source.id);
    EXPECT_EQ(ids, QStringList({ "4", "2", "3", "1", "5" }));
    EXPECT_EQ(service.reminderListSources(), QList<CalendarSource>({ { "tasks", "Tasks", "Work" } }));
}

TEST_F(CalendarServiceTest, ReadsNothingWithoutAccessOrSelection)
{
    store.setEvents({ event("Call", berlin(2026, 3, 5, 11), berlin(2026, 3, 5, 12)) });
    store.setAuthorizationStatus(EntityType::event, AuthorizationStatus::denied);
    EXPECT_TRUE(fetch().isEmpty());
    store.setAuthorizationStatus(EntityType::event, AuthorizationStatus::fullAccess);
    EXPECT_TRUE(service.fetchMeetings({}, "device", {}, 7).isEmpty());
    EXPECT_TRUE(service.fetchMeetings({ "gone" }, "device", {}, 7).isEmpty());
    EXPECT_EQ(store.eventQueryCount(), 0);
}

TEST_F(CalendarServiceTest, KeepsPlainEventsOnlyWhereTheCalendarRuleTakesAllEvents)
{
    StoreEvent plain = event("Lunch", berlin(2026, 3, 5, 12), berlin(2026, 3, 5, 13));
    StoreEvent atHome = event("Gym", berlin(2026, 3, 5, 18), berlin(2026, 3, 5, 19), home);
    StoreEvent linked = event("Call", berlin(2026, 3, 5, 14), berlin(2026, 3, 5, 15), home);
    linked.location = "https://example.zoom.us/j/123";
    store.setEvents({ plain, atHome, linked });

    QHash<QString, CalendarRule> rules;
    CalendarRule rule;
    rule.calendarKey = *makeCalendarKey(QString("Work"), QString("Team"));
    rule.eventScope = EventScope::meetingsAndEvents;
    rules.insert(rule.calendarKey, rule);

    const QList<MeetingSnapshot> meetings = fetch(rules);
    ASSERT_EQ(meetings.size(), 2);
    EXPECT_EQ(meetings[0].title, "Lunch");
    EXPECT_TRUE(meetings[0].attendees.isEmpty());
    EXPECT_EQ(meetings[0].location, std::nullopt);
    EXPECT_EQ(meetings[0].joinURL, std::nullopt);
    // A link alone makes a meeting whatever the rule; it is no place.
    EXPECT_EQ(meetings[1].title, "Call");
    EXPECT_EQ(meetings[1].joinURL, QUrl("https://example.zoom.us/j/123"));
    EXPECT_EQ(meetings[1].location, std::nullopt);

    rules[rule.calendarKey].eventScope = EventScope::meetingsOnly;
    EXPECT_EQ(fetch(rules).size(), 1);
}

TEST_F(CalendarServiceTest, FillsTheRecordFields)
{
    StoreEvent meeting = event("Planning", berlin(2026, 3, 5, 11), berlin(2026, 3, 5, 12));
    meeting.location = "Room 4 - https://meet.google.com/abc-defg-hij";
    meeting.notes = "Agenda";
    meeting.organizer = person(std::nullopt, QString(" olga@example.org "));
    meeting.recurrenceRule = RecurrenceRule { RecurrenceFrequency::weekly, 1, { { 3, 0 } }, {}, {} };
    meeting.recurrenceStart = berlin(2026, 3, 5, 9);
    StoreEvent untitled = event("", berlin(2026, 3, 5, 13), berlin(2026, 3, 5, 14));
    untitled.title.reset();
    untitled.location = "Kitchen";
    StoreEvent blank = event("   ", berlin(2026, 3, 5, 15), berlin(2026, 3, 5, 16));
    blank.location = "Kitchen";
    store.setEvents({ meeting, untitled, blank });

    const QList<MeetingSnapshot> meetings = fetch();
    ASSERT_EQ(meetings.size(), 3);
    const MeetingSnapshot& m = meetings[0];
    const QUrl link("https://meet.google.com/abc-defg-hij");
    EXPECT_EQ(m.id, MeetingSnapshot::makeStableID("Planning", meeting.start, meeting.end, link, "Planning-uid"));
    EXPECT_EQ(m.sourceDeviceID, "device");
    EXPECT_EQ(m.calendarExternalIdentifier, QString("work/team"));
    EXPECT_EQ(m.calendarTitle, QString("Team"));
    EXPECT_EQ(m.calendarSourceTitle, QString("Work"));
    EXPECT_EQ(m.startDate, meeting.start);
    EXPECT_EQ(m.endDate, meeting.end);
    EXPECT_EQ(m.originalStartDate, berlin(2026, 3, 5, 9));
    EXPECT_EQ(m.location, QString("Room 4"));
    EXPECT_EQ(m.notesHash, sha256Hex(QString("Agenda")));
    EXPECT_EQ(m.joinURL, link);
    EXPECT_EQ(m.eventExternalIdentifier, QString("Planning-uid"));
    EXPECT_EQ(m.calendarItemIdentifier, QString("Planning-item"));
    EXPECT_EQ(m.lastSeenAt, clock.now());
    EXPECT_FALSE(m.isTask);
    EXPECT_EQ(m.organizerName, QString("olga@example.org"));
    EXPECT_EQ(m.recurrenceLabel, QString("Every week on Tuesday"));
    EXPECT_EQ(meetings[1].originalStartDate, std::nullopt);
    EXPECT_EQ(meetings[1].title, "Untitled meeting");
    EXPECT_EQ(meetings[1].notesHash, std::nullopt);
    EXPECT_EQ(meetings[1].organizerName, std::nullopt);
    EXPECT_EQ(meetings[2].title, "   ");
}

TEST_F(CalendarServiceTest, FetchesFromFiveMinutesAgoToTheEndOfTheLastDay)
{
    QList<StoreEvent> events { event("Ended", berlin(2026, 3, 5, 9), berlin(2026, 3, 5, 9, 54, 59)),
        event("Running", berlin(2026, 3, 5, 9), berlin(2026, 3, 5, 10, 30)),
        event("Tonight", berlin(2026, 3, 5, 23, 30), berlin(2026, 3, 6, 0, 30)),
        event("Tomorrow", berlin(2026, 3, 6, 0), berlin(2026, 3, 6, 1)),
        event("In a week", berlin(2026, 3, 12, 0), berlin(2026, 3, 12, 1)) };
    for (StoreEvent& e : events)
        e.hasAttendees = true;
    store.setEvents(events);
    auto titles = [&](int forwardDays) {
        QStringList result;
        for (const MeetingSnapshot& m : fetch({}, forwardDays))
            result.append(m.title);
        return result;
    };
    EXPECT_EQ(titles(0), QStringList({ "Running", "Tonight" }));
    EXPECT_EQ(titles(-3), QStringList({ "Running", "Tonight" }));
    EXPECT_EQ(titles(1), QStringList({ "Running", "Tonight" }));
    EXPECT_EQ(titles(2), QStringList({ "Running", "Tonight", "Tomorrow" }));
    EXPECT_EQ(titles(7), QStringList({ "Running", "Tonight", "Tomorrow" }));
    EXPECT_EQ(titles(8), QStringList({ "Running", "Tonight", "Tomorrow", "In a week" }));
}

TEST_F(CalendarServiceTest, MakesAttendeesWithTheEmailFallback)
{
    StoreEvent meeting = event("People", berlin(2026, 3, 5, 11), berlin(2026, 3, 5, 12));
    Participant described = person(std::nullopt, std::nullopt, ParticipantStatus::tentative);
    described.description = "name = ; email = Sam@Example.org; status = TENTATIVE";
    Participant noAt = person(std::nullopt, std::nullopt);
    noAt.description = "email = nobody\nstatus = ACCEPTED";
    Participant me = person(QString("  Me Myself \n"), QString("me@example.org"), ParticipantStatus::pending);
    me.isCurrentUser = true;
    meeting.attendees = { me,
        person(QString("Room 4"), QString("room@example.org"), ParticipantStatus::accepted, ParticipantType::room),
        person(QString("Alex"), std::nullopt, ParticipantStatus::declined), described, noAt,
        person(QString("Team"), QString("team@example.org"), ParticipantStatus::delegated, ParticipantType::group),
        person(QString("Lamp"), QString("lamp@example.org"), ParticipantStatus::accepted, ParticipantType::resource) };
    meeting.hasAttendees = true;
    store.setEvents({ meeting });

    const QList<MeetingSnapshot> meetings = fetch();
    ASSERT_EQ(meetings.size(), 1);
    const QList<MeetingAttendee>& a = meetings[0].attendees;
    ASSERT_EQ(a.size(), 4);
    EXPECT_EQ(a[0],
        (MeetingAttendee {
            "me@example.org", "Me Myself", AttendeeRSVPStatus::noAnswer, true, QString("me@example.org") }));
    EXPECT_EQ(a[1], (MeetingAttendee { "Alex#2", "Alex", AttendeeRSVPStatus::declined, false, std::nullopt }));
    EXPECT_EQ(a[2],
        (MeetingAttendee {
            "sam@example.org", "Sam@Example.org", AttendeeRSVPStatus::tentative, false, QString("Sam@Example.org") }));
    EXPECT_EQ(a[3],
        (MeetingAttendee {
            "team@example.org", "Team", AttendeeRSVPStatus::noAnswer, false, QString("team@example.org") }));
}

TEST_F(CalendarServiceTest, LabelsRecurrence)
{
    EXPECT_EQ(CalendarService::recurrenceLabel(std::nullopt), std::nullopt);
    EXPECT_EQ(label(RecurrenceFrequency::daily, 1), QString("Every day"));
    EXPECT_EQ(label(RecurrenceFrequency::daily, 3), QString("Every 3 days"));
    const QList<RecurrenceDay> weekdays { { 6, 0 }, { 2, 0 }, { 3, 0 }, { 4, 0 }, { 5, 0 } };
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 1, weekdays), QString("Every weekday"));
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 2, weekdays), QString("Every 2 weeks on weekdays"));
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 1, weekdays + QList<RecurrenceDay>({ { 7, 0 } })),
        QString("Every week on Monday, Tuesday, Wednesday, Thursday, Friday, and Saturday"));
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 2, { { 5, 0 }, { 3, 0 }, { 9, 0 } }),
        QString("Every 2 weeks on Tuesday and Thursday"));
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 1), QString("Every week"));
    EXPECT_EQ(label(RecurrenceFrequency::weekly, 4), QString("Every 4 weeks"));
    EXPECT_EQ(
        label(RecurrenceFrequency::monthly, 1, { { 6, 0 } }, {}, { -1 }), QString("Every month on the last Friday"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 1, { { 6, 0 } }, {}, { 7 }), QString("Every month on the 7 Friday"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 2, { { 2, 0 } }, {}, { 2 }),
        QString("Every 2 months on the second Monday"));
    // BYDAY=-1FR without BYSETPOS, as calendar servers write "the last Friday".
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 1, { { 6, -1 } }), QString("Every month on the last Friday"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 1, { { 5, 3 } }), QString("Every month on the third Thursday"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 1, { { 6, 0 } }), QString("Every month"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 1, {}, { 15, 1 }), QString("Every month on day 15"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 3, {}, { 15 }), QString("Every 3 months on day 15"));
    EXPECT_EQ(label(RecurrenceFrequency::monthly, 6), QString("Every 6 months"));
    EXPECT_EQ(label(RecurrenceFrequency::yearly, 1), QString("Every year"));
    EXPECT_EQ(label(RecurrenceFrequency::yearly, 2), QString("Every 2 years"));
    EXPECT_EQ(label(RecurrenceFrequency::other, 5), QString("Repeats"));
}

TEST_F(CalendarServiceTest, TurnsDueTasksIntoRecords)
{
    StoreReminder allDay { tasks, QString("Taxes"), DueDate { berlin(2026, 3, 5), false }, QString("taxes"), "t1" };
    StoreReminder timed { tasks, QString(" \n"), DueDate { berlin(2026, 3, 5, 14, 30), true }, std::nullopt, "t2" };
    StoreReminder undated { tasks, QString("Someday"), std::nullopt, std::nullopt, "t3" };
    store.setReminders({ allDay, timed, undated });
    // The double matches due moments strictly, so the all-day task's midnight must lie in the window.
    clock.setNow(berlin(2026, 3, 5, 0, 1));

    QList<MeetingSnapshot> result = QCoro::waitFor(service.upcomingReminders({ "tasks" }, "device", 9, 1));
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].title, "Taxes");
    EXPECT_EQ(result[0].startDate, berlin(2026, 3, 5, 9));
    EXPECT_EQ(result[0].endDate, berlin(2026, 3, 5, 23, 59, 59));
    EXPECT_TRUE(result[0].isTask);
    EXPECT_EQ(result[0].id,
        MeetingSnapshot::makeStableID("Taxes", result[0].startDate, result[0].endDate, std::nullopt, QString("taxes")));
    EXPECT_EQ(result[0].calendarTitle, QString("Tasks"));
    EXPECT_EQ(result[0].calendarItemIdentifier, QString("t1"));
    EXPECT_EQ(result[0].lastSeenAt, clock.now());
    EXPECT_EQ(result[0].joinURL, std::nullopt);
    EXPECT_EQ(result[1].title, "Untitled task");
    EXPECT_EQ(result[1].startDate, berlin(2026, 3, 5, 14, 30));
    EXPECT_EQ(result[1].endDate, berlin(2026, 3, 5, 15, 30));
    EXPECT_EQ(result[1].eventExternalIdentifier, std::nullopt);

    result = QCoro::waitFor(service.upcomingReminders({ "tasks" }, "device", 30, 1));
    ASSERT_FALSE(result.isEmpty());
    EXPECT_EQ(result[0].startDate, berlin(2026, 3, 5, 23));
    EXPECT_TRUE(QCoro::waitFor(service.upcomingReminders({ "other" }, "device", 9, 1)).isEmpty());
    store.setAuthorizationStatus(EntityType::reminder, AuthorizationStatus::notDetermined);
    EXPECT_TRUE(QCoro::waitFor(service.upcomingReminders({ "tasks" }, "device", 9, 1)).isEmpty());
}

// The whole road from a file on disk to a record.
TEST(CalendarServiceOnFilesTest, MakesRecordsFromCalendarFiles)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString root = ICalendarStore::defaultRoot();
    QDir(root).removeRecursively();
    QDir().mkpath(root + "/me@example.org/team");
    QFile file(root + "/me@example.org/team/review.ics");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:review\r\nSUMMARY:Review\r\n"
        "DTSTART;TZID=Europe/Berlin:20260227T150000\r\nDTEND;TZID=Europe/Berlin:20260227T160000\r\n"
        "RRULE:FREQ=MONTHLY;BYDAY=-1FR\r\nEXDATE;TZID=Europe/Berlin:20260327T150000\r\n"
        "ATTENDEE;CN=Me;PARTSTAT=ACCEPTED:mailto:me@example.org\r\n"
        "ATTENDEE;PARTSTAT=TENTATIVE;EMAIL=kim@example.org:urn:uuid:kim\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VTODO\r\nUID:todo\r\nSUMMARY:Prepare\r\nDUE;VALUE=DATE:20260424\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    file.close();

    TestClock clock(berlin(2026, 4, 24, 10));
    ICalendarStore store;
    CalendarService service(store, clock);
    EXPECT_EQ(QCoro::waitFor(service.requestCalendarAccess()), PermissionState::granted);
    EXPECT_EQ(QCoro::waitFor(service.requestRemindersAccess()), PermissionState::granted);
    EXPECT_EQ(
        service.calendarSources(), QList<CalendarSource>({ { "me@example.org/team", "team", "me@example.org" } }));

    const QList<MeetingSnapshot> meetings = service.fetchMeetings({ "me@example.org/team" }, "device", {}, 1);
    ASSERT_EQ(meetings.size(), 1);
    EXPECT_EQ(meetings[0].startDate, berlin(2026, 4, 24, 15));
    EXPECT_EQ(meetings[0].recurrenceLabel, QString("Every month on the last Friday"));
    EXPECT_EQ(meetings[0].eventExternalIdentifier, QString("review"));
    ASSERT_EQ(meetings[0].attendees.size(), 2);
    EXPECT_TRUE(meetings[0].attendees[0].isCurrentUser);
    EXPECT_EQ(meetings[0].attendees[1].email, QString("kim@example.org"));
    EXPECT_EQ(meetings[0].attendees[1].status, AttendeeRSVPStatus::tentative);

    // Due today without a time: still due at 10:00, and it reminds at the default hour.
    const QList<MeetingSnapshot> due
        = QCoro::waitFor(service.upcomingReminders({ "me@example.org/team" }, "device", 9, 1));
    ASSERT_EQ(due.size(), 1);
    EXPECT_EQ(due[0].startDate, berlin(2026, 4, 24, 9));
    QDir(root).removeRecursively();
}

#include "CalendarTestFiles.h"
#include "tests/support/WarningLog.h"

#include <QCoro/QCoroTask>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// Set before anything reads the local zone.
const bool berlinTime = [] {
    qputenv("TZ", "Europe/Berlin");
    tzset();
    return true;
}();

QStringList identifiersOf(const QList<StoreCalendar>& calendars)
{
    QStringList result;
    for (const StoreCalendar& calendar : calendars)
        result.append(calendar.identifier);
    return result;
}

const StoreEvent* eventTitled(const QList<StoreEvent>& events, const QString& title)
{
    for (const StoreEvent& event : events) {
        if (event.title == title)
            return &event;
    }
    return nullptr;
}

// A store whose every read calls `afterRead` on the read thread with what it read, before the store has it;
// a read abandoned as the store goes has nothing to show.
template <typename AfterRead> std::unique_ptr<ICalendarStore> storeWithRead(const AfterRead& afterRead)
{
    return std::make_unique<ICalendarStore>(
        ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr, [afterRead](auto&&... arguments) {
            std::shared_ptr<CalendarIndex> index = CalendarIndex::read(arguments...);
            if (index)
                afterRead(*index);
            return index;
        });
}

} // namespace

using ICalendarStoreTest = CalendarFilesTest;

TEST_F(ICalendarStoreTest, ReadsCollectionsAccountsAndSingleFiles)
{
    ASSERT_TRUE(berlinTime);
    write("work/displayname", "Work account\n");
    write("work/team/displayname", "Team\n");
    write("work/team/a.ics", "BEGIN:VEVENT\nUID:a\nDTSTART:20260301T100000Z\nEND:VEVENT\n");
    write("work/todo/t.ics", "BEGIN:VTODO\nUID:t\nSUMMARY:Task\nEND:VTODO\n");
    write("personal/b.ics",
        "BEGIN:VEVENT\nUID:b\nDTSTART:20260301T100000Z\nEND:VEVENT\n"
        "BEGIN:VTODO\nUID:bt\nEND:VTODO\n");
    QDir().mkpath(root + "/empty");
    write("holidays.ics",
        "BEGIN:VCALENDAR\nX-WR-CALNAME:Holidays\nBEGIN:VEVENT\nUID:h\n"
        "DTSTART;VALUE=DATE:20260101\nEND:VEVENT\nEND:VCALENDAR\n");
    write("plain.ics", "BEGIN:VEVENT\nUID:p\nDTSTART:20260101T100000Z\nEND:VEVENT\n");

    ICalendarStore store;
    const QList<StoreCalendar> events = store.calendars(EntityType::event);
    EXPECT_EQ(identifiersOf(events), QStringList({ "empty", "holidays.ics", "personal", "plain.ics", "work/team" }));
    // Calendars that no account folder holds belong to the source "Local", never to an untitled one.
    EXPECT_EQ(events.at(0), (StoreCalendar { "empty", "empty", "Local" }));
    EXPECT_EQ(events.at(1), (StoreCalendar { "holidays.ics", "Holidays", "Local" }));
    EXPECT_EQ(events.at(2), (StoreCalendar { "personal", "personal", "Local" }));
    EXPECT_EQ(events.at(3), (StoreCalendar { "plain.ics", "plain", "Local" }));
    EXPECT_EQ(events.at(4), (StoreCalendar { "work/team", "Team", "Work account" }));
    EXPECT_EQ(identifiersOf(store.calendars(EntityType::reminder)), QStringList({ "personal", "work/todo" }));
}

TEST_F(ICalendarStoreTest, ExpandsRecurrenceWithExceptionsAndOverridesAcrossDaylightSaving)
{
    // Daily at 09:00 Berlin time from Wednesday 25 March 2026; summer time begins on Sunday the 29th.
    write("cal/series.ics",
        "BEGIN:VEVENT\nUID:series\nSUMMARY:Standup\nDTSTART;TZID=Europe/Berlin:20260325T090000\n"
        "DTEND;TZID=Europe/Berlin:20260325T093000\nRRULE:FREQ=DAILY;COUNT=10\n"
        "EXDATE;TZID=Europe/Berlin:20260328T090000\n"
        "RDATE;TZID=Europe/Berlin:20260405T110000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:series\nRECURRENCE-ID;TZID=Europe/Berlin:20260330T090000\n"
        "SUMMARY:Standup moved\nDTSTART;TZID=Europe/Berlin:20260330T140000\n"
        "DTEND;TZID=Europe/Berlin:20260330T150000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:series\nRECURRENCE-ID;TZID=Europe/Berlin:20260331T090000\n"
        "STATUS:CANCELLED\nDTSTART;TZID=Europe/Berlin:20260331T090000\nEND:VEVENT\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 3, 26), berlin(2026, 4, 6), { calendar("cal") });

    QList<Date> starts;
    QSet<QString> itemIdentifiers;
    for (const StoreEvent& event : events) {
        starts.append(event.start);
        itemIdentifiers.insert(event.itemIdentifier);
        EXPECT_EQ(event.externalIdentifier, QString("series"));
        ASSERT_TRUE(event.recurrenceRule);
        EXPECT_EQ(event.recurrenceRule->frequency, RecurrenceFrequency::daily);
    }
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts,
        QList<Date>({ berlin(2026, 3, 26, 9), berlin(2026, 3, 27, 9), berlin(2026, 3, 29, 9), berlin(2026, 3, 30, 14),
            berlin(2026, 4, 1, 9), berlin(2026, 4, 2, 9), berlin(2026, 4, 3, 9), berlin(2026, 4, 5, 11) }));
    EXPECT_EQ(itemIdentifiers.size(), events.size());
    // 09:00 is 08:00 UTC in winter and 07:00 UTC in summer; each occurrence keeps its half hour.
    EXPECT_EQ(berlin(2026, 3, 29, 9).secondsSince(berlin(2026, 3, 27, 9)), 2 * 86400.0 - 3600);
    const StoreEvent* moved = eventTitled(events, "Standup moved");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->end, berlin(2026, 3, 30, 15));
    // Each occurrence names the start the series gave it, moved or not.
    EXPECT_EQ(moved->recurrenceStart, berlin(2026, 3, 30, 9));
    for (const StoreEvent& event : events) {
        if (event.title == QString("Standup")) {
            EXPECT_EQ(event.end.secondsSince(event.start), 1800.0);
            EXPECT_EQ(event.recurrenceStart, event.start);
        }
    }
}

TEST_F(ICalendarStoreTest, OverridesWithoutTheirSeriesKeepTheOccurrenceTheyStandFor)
{
    // Invited to two sessions of a series, not to the series: only the overrides arrive.
    write("cal/sessions.ics",
        "BEGIN:VEVENT\nUID:training\nRECURRENCE-ID:20260401T080000Z\nSUMMARY:Training\n"
        "DTSTART:20260401T083000Z\nDTEND:20260401T093000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:training\nRECURRENCE-ID:20260401T120000Z\nSUMMARY:Training\n"
        "DTSTART:20260401T120000Z\nDTEND:20260401T130000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:single\nSUMMARY:Single\nDTSTART:20260401T150000Z\nDTEND:20260401T160000Z\n"
        "END:VEVENT\n");
    ICalendarStore store;
    QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    std::sort(events.begin(), events.end(), [](const StoreEvent& a, const StoreEvent& b) { return a.start < b.start; });
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(
        events[0].recurrenceStart, Date::fromDateTime(QDateTime(QDate(2026, 4, 1), QTime(8, 0), QTimeZone::utc())));
    EXPECT_EQ(events[1].recurrenceStart, events[1].start);
    EXPECT_NE(events[0].itemIdentifier, events[1].itemIdentifier);
    EXPECT_EQ(events[2].recurrenceStart, std::nullopt);
}

TEST_F(ICalendarStoreTest, ReportsTheFirstRuleAndEndsRulesAtTheirUntil)
{
    write("cal/w.ics",
        "BEGIN:VEVENT\nUID:w\nSUMMARY:Last Friday\nDTSTART;TZID=Europe/Berlin:20260130T100000\n"
        "RRULE:FREQ=MONTHLY;BYDAY=-1FR\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:u\nSUMMARY:Until\nDTSTART;TZID=Europe/Berlin:20260323T180000\n"
        "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE;UNTIL=20260406T160000Z\nEND:VEVENT\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 3, 1), berlin(2026, 5, 1), { calendar("cal") });
    QList<Date> untilStarts;
    for (const StoreEvent& event : events) {
        if (event.title == QString("Until"))
            untilStarts.append(event.start);
    }
    // 18:00 on 6 April in Berlin is 16:00 UTC: the last occurrence, exactly at UNTIL.
    EXPECT_EQ(untilStarts, QList<Date>({ berlin(2026, 3, 23, 18), berlin(2026, 3, 25, 18), berlin(2026, 4, 6, 18) }));
    const StoreEvent* lastFriday = eventTitled(events, "Last Friday");
    ASSERT_TRUE(lastFriday);
    EXPECT_EQ(lastFriday->start, berlin(2026, 3, 27, 10));
    EXPECT_EQ(lastFriday->recurrenceRule, (RecurrenceRule { RecurrenceFrequency::monthly, 1, { { 6, -1 } }, {}, {} }));
}

TEST_F(ICalendarStoreTest, ReadsParticipantsOfEveryTypeAndStatus)
{
    write("me@example.org/team/p.ics",
        "BEGIN:VEVENT\nUID:p\nSUMMARY:People\nDTSTART:20260401T100000Z\nDTEND:20260401T110000Z\n"
        "ORGANIZER;CN=Olga:mailto:olga@example.org\n"
        "ATTENDEE;CN=Me;PARTSTAT=ACCEPTED:mailto:ME@example.org\n"
        "ATTENDEE;CUTYPE=INDIVIDUAL;PARTSTAT=DECLINED:mailto:dee@example.org\n"
        "ATTENDEE;CUTYPE=GROUP;PARTSTAT=TENTATIVE;CN=Team:mailto:team@example.org\n"
        "ATTENDEE;CUTYPE=ROOM;PARTSTAT=NEEDS-ACTION;CN=Room 4:mailto:room4@example.org\n"
        "ATTENDEE;CUTYPE=RESOURCE;PARTSTAT=DELEGATED:mailto:beamer@example.org\n"
        "ATTENDEE;CUTYPE=UNKNOWN;PARTSTAT=COMPLETED:mailto:unknown@example.org\n"
        "ATTENDEE;CUTYPE=X-ROBOT;PARTSTAT=IN-PROCESS:mailto:robot@example.org\n"
        "ATTENDEE;PARTSTAT=X-MAYBE;EMAIL=nobody@example.org:urn:uuid:1234\n"
        "ATTENDEE:mailto:owner@example.org\nEND:VEVENT\n");
    write("me@example.org/team/owner", "OWNER@example.org\n");

    ICalendarStore store;
    const QList<StoreEvent> events
        = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("me@example.org/team") });
    ASSERT_EQ(events.size(), 1);
    const StoreEvent& event = events.first();
    EXPECT_TRUE(event.hasAttendees);
    ASSERT_EQ(event.attendees.size(), 9);
    const QList<Participant>& a = event.attendees;

    EXPECT_EQ(a[0].name, QString("Me"));
    EXPECT_EQ(a[0].emailAddress, QString("ME@example.org"));
    EXPECT_TRUE(a[0].isCurrentUser);
    EXPECT_EQ(a[0].type, ParticipantType::person);
    EXPECT_EQ(a[0].status, ParticipantStatus::accepted);
    EXPECT_EQ(a[1].type, ParticipantType::person);
    EXPECT_EQ(a[1].status, ParticipantStatus::declined);
    EXPECT_FALSE(a[1].isCurrentUser);
    EXPECT_EQ(a[1].name, std::nullopt);
    EXPECT_EQ(a[2].type, ParticipantType::group);
    EXPECT_EQ(a[2].status, ParticipantStatus::tentative);
    EXPECT_EQ(a[3].type, ParticipantType::room);
    EXPECT_EQ(a[3].status, ParticipantStatus::pending);
    EXPECT_EQ(a[4].type, ParticipantType::resource);
    EXPECT_EQ(a[4].status, ParticipantStatus::delegated);
    EXPECT_EQ(a[5].type, ParticipantType::unknown);
    EXPECT_EQ(a[5].status, ParticipantStatus::completed);
    EXPECT_EQ(a[6].type, ParticipantType::unknown);
    EXPECT_EQ(a[6].status, ParticipantStatus::inProcess);
    // A calendar address that is no mailto: gives no e-mail, but its EMAIL parameter stays in the text.
    EXPECT_EQ(a[7].emailAddress, std::nullopt);
    EXPECT_EQ(a[7].status, ParticipantStatus::unknown);
    EXPECT_TRUE(a[7].description.contains("email = nobody@example.org;"));
    EXPECT_EQ(a[8].status, ParticipantStatus::pending);
    EXPECT_TRUE(a[8].isCurrentUser);

    ASSERT_TRUE(event.organizer);
    EXPECT_EQ(event.organizer->name, QString("Olga"));
    EXPECT_EQ(event.organizer->emailAddress, QString("olga@example.org"));
}

TEST_F(ICalendarStoreTest, ReturnsIncompleteTasksWithAndWithoutAnHour)
{
    write("tasks/t.ics",
        "BEGIN:VTODO\nUID:timed\nSUMMARY:Timed\nDUE;TZID=Europe/Berlin:20260405T143000\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:day\nSUMMARY:All day\nDUE;VALUE=DATE:20260405\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:done\nDUE;VALUE=DATE:20260405\nSTATUS:COMPLETED\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:done2\nDUE;VALUE=DATE:20260405\nCOMPLETED:20260404T100000Z\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:cancelled\nDUE;VALUE=DATE:20260405\nSTATUS:CANCELLED\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:late\nDUE;TZID=Europe/Berlin:20260405T100000\nEND:VTODO\n"
        "BEGIN:VTODO\nUID:undated\nSUMMARY:Someday\nEND:VTODO\n");
    ICalendarStore store;
    // The window opens at 12:00: the timed task due at 10:00 is past, the all-day one is due all day.
    const QList<StoreReminder> reminders
        = QCoro::waitFor(store.incompleteReminders(berlin(2026, 4, 5, 12), berlin(2026, 4, 6), { calendar("tasks") }));
    ASSERT_EQ(reminders.size(), 2);
    EXPECT_EQ(reminders[0].title, QString("Timed"));
    EXPECT_EQ(reminders[0].due, (DueDate { berlin(2026, 4, 5, 14, 30), true }));
    EXPECT_EQ(reminders[0].externalIdentifier, QString("timed"));
    EXPECT_EQ(reminders[1].title, QString("All day"));
    EXPECT_EQ(reminders[1].due, (DueDate { berlin(2026, 4, 5), false }));
    EXPECT_NE(reminders[0].itemIdentifier, reminders[1].itemIdentifier);

    EXPECT_TRUE(QCoro::waitFor(store.incompleteReminders(berlin(2026, 4, 6), berlin(2026, 4, 7), { calendar("tasks") }))
                    .isEmpty());
    EXPECT_TRUE(QCoro::waitFor(store.incompleteReminders(berlin(2026, 4, 5), berlin(2026, 4, 6), { calendar("other") }))
                    .isEmpty());
}

TEST_F(ICalendarStoreTest, ReturnsEventsThatOverlapTheWindow)
{
    write("cal/e.ics",
        "BEGIN:VEVENT\nUID:before\nSUMMARY:Ends at open\nDTSTART:20260401T090000Z\n"
        "DTEND:20260401T100000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:running\nSUMMARY:Running\nDTSTART:20260401T093000Z\n"
        "DTEND:20260401T103000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:moment\nSUMMARY:Moment\nDTSTART:20260401T100000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:last\nSUMMARY:Starts before close\nDTSTART:20260401T115959Z\n"
        "DURATION:PT1H\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:after\nSUMMARY:Starts at close\nDTSTART:20260401T120000Z\n"
        "DTEND:20260401T130000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:allday\nSUMMARY:All day\nDTSTART;VALUE=DATE:20260401\nEND:VEVENT\n");
    ICalendarStore store;
    const Date open = Date::fromDateTime(QDateTime(QDate(2026, 4, 1), QTime(10, 0), QTimeZone::utc()));
    const QList<StoreEvent> events = store.events(open, open.addingSeconds(7200), { calendar("cal") });
    QStringList titles;
    for (const StoreEvent& event : events)
        titles.append(*event.title);
    EXPECT_EQ(titles, QStringList({ "Running", "Moment", "Starts before close", "All day" }));
    const StoreEvent* allDay = eventTitled(events, "All day");
    ASSERT_TRUE(allDay);
    EXPECT_TRUE(allDay->isAllDay);
    EXPECT_EQ(allDay->start, berlin(2026, 4, 1));
    EXPECT_EQ(allDay->end, berlin(2026, 4, 2));
}

TEST_F(ICalendarStoreTest, PostsChangesAndReadsChangedFilesAfterReset)
{
    write("cal/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:First\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ICalendarStore store;
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);
    ASSERT_EQ(store.events(from, to, { calendar("cal") }).size(), 1);
    QSignalSpy changed(&store, &EventStore::changed);

    write("cal/b.ics", "BEGIN:VEVENT\nUID:b\nSUMMARY:Second\nDTSTART:20260401T110000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return store.events(from, to, { calendar("cal") }).size() == 2; }));

    // Edited in place, as an editor writes it.
    changed.clear();
    write("cal/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:Renamed\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return eventTitled(store.events(from, to, { calendar("cal") }), "Renamed"); }));

    changed.clear();
    write("new/c.ics", "BEGIN:VEVENT\nUID:c\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return identifiersOf(store.calendars(EntityType::event)).contains("new"); }));

    changed.clear();
    ASSERT_TRUE(QFile::remove(root + "/cal/b.ics"));
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return store.events(from, to, { calendar("cal") }).size() == 1; }));
}

TEST_F(ICalendarStoreTest, NoticesEditsInAccountsAndInAFolderMadeAgain)
{
    write("me@example.org/work/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:First\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ICalendarStore store;
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);
    const QList<StoreCalendar> work { calendar("me@example.org/work") };
    ASSERT_EQ(store.events(from, to, work).size(), 1);
    QSignalSpy changed(&store, &EventStore::changed);

    // An item two folders down, edited in place.
    write("me@example.org/work/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:Edited\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return eventTitled(store.events(from, to, work), "Edited"); }));

    // Only its time stamp changed, as a sync tool sets it.
    changed.clear();
    QFile touched(root + "/me@example.org/work/a.ics");
    ASSERT_TRUE(touched.open(QIODevice::ReadOnly));
    ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addDays(1), QFileDevice::FileModificationTime));
    touched.close();
    ASSERT_TRUE(changed.wait(longestWait));

    // The collection removed and made again, then edited in place: its new folder is watched.
    changed.clear();
    ASSERT_TRUE(QDir(root + "/me@example.org/work").removeRecursively());
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return store.events(from, to, work).isEmpty(); }));
    changed.clear();
    write("me@example.org/work/b.ics", "BEGIN:VEVENT\nUID:b\nSUMMARY:Back\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return eventTitled(store.events(from, to, work), "Back"); }));
    changed.clear();
    write("me@example.org/work/b.ics", "BEGIN:VEVENT\nUID:b\nSUMMARY:Again\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    ASSERT_TRUE(changed.wait(longestWait));
    store.reset();
    EXPECT_TRUE(eventually([&] { return eventTitled(store.events(from, to, work), "Again"); }));
}

TEST_F(ICalendarStoreTest, AFirstReadWithTheGlobalPoolBusyOrNotFindsTheSame)
{
    for (int n = 0; n < 40; ++n) {
        const QString start = QString::asprintf("202604%02dT%02d%02d00", 1 + n % 9, n % 10, 10 * (n % 6));
        const QString rule = n % 4 == 0
            ? QString::asprintf("RRULE:FREQ=DAILY;COUNT=5\nEXDATE;TZID=Europe/Berlin:202604%02dT%02d%02d00\n",
                2 + n % 9, n % 10, 10 * (n % 6))
            : QString();
        write(QString::asprintf("account/cal%d/%d.ics", n % 3, n),
            QString::asprintf("BEGIN:VEVENT\nUID:e%d\nSUMMARY:Event %d\n", n, n) + "DTSTART;TZID=Europe/Berlin:" + start
                + "\nDTEND;TZID=Europe/Berlin:" + start.left(9) + "235900\n" + rule
                + "ATTENDEE;CN=Ana;PARTSTAT=ACCEPTED:mailto:ana@example.org\nEND:VEVENT\n"
                + QString::asprintf(
                    "BEGIN:VTODO\nUID:t%d\nSUMMARY:Task %d\nDUE:20260402T1%d0000Z\nEND:VTODO\n", n, n, n % 10));
    }
    const Date from = berlin(2026, 3, 30);
    const Date to = berlin(2026, 4, 20);
    struct Read
    {
        QList<StoreCalendar> calendars;
        QList<StoreEvent> events;
        QList<StoreReminder> reminders;
    };
    // Waits for the store's first read, with every thread of the global pool kept busy meanwhile or not.
    const auto read = [&](bool globalPoolBusy) {
        QThreadPool& global = *QThreadPool::globalInstance();
        QSemaphore busy;
        const int threads = globalPoolBusy ? global.maxThreadCount() : 0;
        for (int i = 0; i < threads; ++i)
            global.start([&busy] { busy.acquire(); });
        ICalendarStore store;
        QCoro::Task<QList<StoreReminder>> reading = store.incompleteReminders(from, to, {});
        const bool finished = QTest::qWaitFor([&reading] { return reading.isReady(); }, longestWait);
        busy.release(threads); // lets a stuck read end, so that the store can go
        Read result;
        EXPECT_TRUE(finished) << "the read waited for threads that other work held";
        if (!finished)
            return result;
        result.calendars = store.calendars(EntityType::event);
        result.events = store.events(from, to, result.calendars);
        result.reminders = QCoro::waitFor(store.incompleteReminders(from, to, store.calendars(EntityType::reminder)));
        return result;
    };
    const Read single = read(true);
    const Read all = read(false);
    EXPECT_EQ(single.calendars.size(), 3);
    EXPECT_EQ(single.events.size(), 40 + 10 * 3);
    EXPECT_EQ(single.reminders.size(), 40);
    EXPECT_EQ(single.calendars, all.calendars);
    EXPECT_EQ(single.events, all.events);
    EXPECT_EQ(single.reminders, all.reminders);
}

TEST_F(ICalendarStoreTest, ReadsAgainAFileReplacedByOneOfTheSameSizeAndTimes)
{
    const auto item = [](const char* uid, const char* title) {
        return QStringLiteral("BEGIN:VEVENT\nUID:%1\nSUMMARY:%2\nDTSTART:20260401T100000Z\nEND:VEVENT\n")
            .arg(QLatin1String(uid), QLatin1String(title));
    };
    write("cal/in-place.ics", item("a", "Before"));
    write("cal/renamed.ics", item("b", "Before"));
    write("cal/leased.ics", item("c", "Leased"));
    const auto statusOf = [this](const char* name) {
        struct stat status = {};
        EXPECT_EQ(stat(QFile::encodeName(root + "/cal/" + name).constData(), &status), 0);
        return status;
    };
    // Gives `name` the modification time of `status`, as cp -p and rsync -a do.
    const auto keepTime = [this](const char* name, const struct stat& status) {
        const struct timespec times[2] = { status.st_atim, status.st_mtim };
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(root + "/cal/" + name).constData(), times, 0), 0);
    };
    // A read that fails: while a file server holds a lease on the file, opening it without waiting fails.
    const sighandler_t previousHandler = signal(SIGIO, SIG_IGN);
    const int leaseHolder = open(QFile::encodeName(root + "/cal/leased.ics").constData(), O_RDONLY);
    ASSERT_GE(leaseHolder, 0);
    ASSERT_EQ(fcntl(leaseHolder, F_SETLEASE, F_WRLCK), 0);

    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);
    WarningLog log;
    ICalendarStore store;
    ASSERT_EQ(titlesOf(store.events(from, to, { calendar("cal") })), QStringList({ "Before", "Before" }));
    EXPECT_EQ(log.linesWith("/cal/leased.ics: Resource temporarily unavailable").size(), 1);

    const struct stat inPlace = statusOf("in-place.ics");
    const struct stat renamed = statusOf("renamed.ics");
    const struct stat leased = statusOf("leased.ics");
    // The file system's clock moves in steps of some milliseconds: a write now gets a change time of its own.
    QTest::qWait(30);
    // Written over in place, then given its old time back.
    write("cal/in-place.ics", item("a", "Beyond"));
    keepTime("in-place.ics", inPlace);
    // A new file of the same size and time put in its place.
    write("cal/.part-renamed.ics", item("b", "Beyond"));
    keepTime(".part-renamed.ics", renamed);
    ASSERT_EQ(rename(QFile::encodeName(root + "/cal/.part-renamed.ics").constData(),
                  QFile::encodeName(root + "/cal/renamed.ics").constData()),
        0);
    // The lease let go: the file is as it was when its read failed.
    ASSERT_EQ(fcntl(leaseHolder, F_SETLEASE, F_UNLCK), 0);
    close(leaseHolder);
    signal(SIGIO, previousHandler);
    for (const auto& [name, before] : { std::pair { "in-place.ics", inPlace }, std::pair { "renamed.ics", renamed },
             std::pair { "leased.ics", leased } }) {
        const struct stat after = statusOf(name);
        ASSERT_EQ(after.st_size, before.st_size) << name;
        ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << name;
        ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << name;
    }

    store.reset();
    const QStringList expected { "Beyond", "Beyond", "Leased" };
    EXPECT_TRUE(eventually([&] { return titlesOf(store.events(from, to, { calendar("cal") })) == expected; }))
        << titlesOf(store.events(from, to, { calendar("cal") })).join(", ").toStdString();
}

TEST_F(ICalendarStoreTest, RemembersGivenAccessInItsOwnFile)
{
    QFile::remove(CalendarAccessFile::defaultPath());
    {
        ICalendarStore store;
        EXPECT_EQ(store.authorizationStatus(EntityType::event), AuthorizationStatus::notDetermined);
        EXPECT_TRUE(QCoro::waitFor(store.requestFullAccess(EntityType::event)));
        EXPECT_EQ(store.authorizationStatus(EntityType::event), AuthorizationStatus::fullAccess);
        EXPECT_EQ(store.authorizationStatus(EntityType::reminder), AuthorizationStatus::notDetermined);
    }
    ICalendarStore again;
    EXPECT_EQ(again.authorizationStatus(EntityType::event), AuthorizationStatus::fullAccess);
    EXPECT_TRUE(QFileInfo::exists(CalendarAccessFile::defaultPath()));

    writeBytes("../tolvar/calendar-access.json", "{not json");
    EXPECT_EQ(again.authorizationStatus(EntityType::event), AuthorizationStatus::notDetermined);
    EXPECT_TRUE(QCoro::waitFor(again.requestFullAccess(EntityType::reminder)));
    EXPECT_EQ(again.authorizationStatus(EntityType::reminder), AuthorizationStatus::fullAccess);
}

TEST_F(ICalendarStoreTest, ListsNothingUntilAccessIsGiven)
{
    write("work/team/a.ics",
        "BEGIN:VEVENT\nUID:a\nDTSTART:20260401T090000Z\nDTEND:20260401T100000Z\nSUMMARY:A\nEND:VEVENT\n");
    write("work/todo/t.ics", "BEGIN:VTODO\nUID:t\nDUE:20260401T090000Z\nSUMMARY:T\nEND:VTODO\n");
    QFile::remove(CalendarAccessFile::defaultPath());
    ICalendarStore store;
    EXPECT_TRUE(store.calendars(EntityType::event).isEmpty());
    EXPECT_TRUE(store.calendars(EntityType::reminder).isEmpty());
    EXPECT_TRUE(QCoro::waitFor(store.requestFullAccess(EntityType::event)));
    EXPECT_EQ(identifiersOf(store.calendars(EntityType::event)), QStringList({ "work/team" }));
    EXPECT_TRUE(store.calendars(EntityType::reminder).isEmpty()) << "each kind is given on its own";
}

// The first answer waits two seconds at most; on the thread Quit runs on, not at all.
TEST_F(ICalendarStoreTest, AnswersBeforeASlowFirstReadAndPostsAChangeWhenItIsDone)
{
    const struct
    {
        const char* name;
        std::optional<std::chrono::milliseconds> firstAnswerWait;
        qint64 longestAnswerMs;
    } rows[] = {
        { "the two seconds", std::nullopt, longestWait / 5 },
        { "none", std::chrono::milliseconds(0), 1000 },
    };
    write("cal/a.ics", goodEvent);
    write("tasks/t.ics", "BEGIN:VTODO\nUID:t\nDUE:20260401T090000Z\nEND:VTODO\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QSemaphore letGo;
        std::atomic<bool> readDone = false;
        // As slow as a file whose zone takes minutes, until the test lets it go.
        const std::unique_ptr<ICalendarStore> store = storeWithRead([&](const CalendarIndex&) {
            letGo.tryAcquire(1, longestWait);
            readDone = true;
        });
        if (row.firstAnswerWait)
            store->setFirstAnswerWait(*row.firstAnswerWait);
        QSignalSpy changed(store.get(), &EventStore::changed);
        const Date from = berlin(2026, 4, 1);
        const Date to = berlin(2026, 4, 2);

        QElapsedTimer timer;
        timer.start();
        const QList<StoreCalendar> calendars = store->calendars(EntityType::event);
        const QList<StoreCalendar> lists = store->calendars(EntityType::reminder);
        const QList<StoreEvent> events = store->events(from, to, { calendar("cal") });
        const qint64 waited = timer.elapsed();
        // Nothing is complete yet, so nothing is answered; and only the first answer waits.
        EXPECT_FALSE(readDone);
        EXPECT_FALSE(store->isFirstReadComplete());
        EXPECT_TRUE(calendars.isEmpty());
        EXPECT_TRUE(lists.isEmpty());
        EXPECT_TRUE(events.isEmpty());
        EXPECT_LT(waited, row.longestAnswerMs);

        letGo.release();
        ASSERT_TRUE(changed.wait(longestWait));
        EXPECT_EQ(identifiersOf(store->calendars(EntityType::event)), QStringList({ "cal" }));
        EXPECT_EQ(titlesOf(store->events(from, to, { calendar("cal") })), QStringList({ "Good" }));
        EXPECT_EQ(QCoro::waitFor(store->incompleteReminders(from, to, { calendar("tasks") })).size(), 1);
    }
}

TEST_F(ICalendarStoreTest, AFileChangedOrAddedDuringTheFirstReadIsReadAgain)
{
    write("cal/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:Before\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
    std::atomic<int> reads = 0;
    // The first read has listed and parsed everything when the sync tool writes.
    const std::unique_ptr<ICalendarStore> store = storeWithRead([&](const CalendarIndex&) {
        if (reads++ > 0)
            return;
        write("cal/a.ics", "BEGIN:VEVENT\nUID:a\nSUMMARY:Edited\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
        write("new/b.ics", "BEGIN:VEVENT\nUID:b\nSUMMARY:New\nDTSTART:20260401T110000Z\nEND:VEVENT\n");
    });
    QSignalSpy changed(store.get(), &EventStore::changed);
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);
    EXPECT_EQ(titlesOf(store->events(from, to, { calendar("cal") })), QStringList({ "Before" }));

    ASSERT_TRUE(changed.wait(longestWait));
    EXPECT_EQ(identifiersOf(store->calendars(EntityType::event)), QStringList({ "cal", "new" }));
    EXPECT_EQ(
        titlesOf(store->events(from, to, { calendar("cal"), calendar("new") })), QStringList({ "Edited", "New" }));
}

TEST_F(ICalendarStoreTest, ItemsWrittenIntoANewFolderDuringItsFirstReadAreRead)
{
    write("cal/a.ics", goodEvent);
    const QString late = root + "/account/late";
    // The first read that finds the new collection still empty: the sync tool fills it just after.
    const std::unique_ptr<ICalendarStore> store = storeWithRead([&](const CalendarIndex& index) {
        if (index.folder().folders.contains(late) && !QFileInfo::exists(late + "/c.ics"))
            write("account/late/c.ics", "BEGIN:VEVENT\nUID:c\nSUMMARY:Late\nDTSTART:20260401T110000Z\nEND:VEVENT\n");
    });
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);
    ASSERT_EQ(store->calendars(EntityType::event).size(), 1);
    QSignalSpy changed(store.get(), &EventStore::changed);

    ASSERT_TRUE(QDir().mkpath(late));
    ASSERT_TRUE(changed.wait(longestWait));
    // The change that shows the empty collection may come first; the one that shows its item must follow.
    EXPECT_TRUE(eventually(
        [&] { return titlesOf(store->events(from, to, { calendar("account/late") })) == QStringList({ "Late" }); }));
}

TEST_F(ICalendarStoreTest, AQuestionWaitingForTheFirstReadOutlivesTheStore)
{
    write("tasks/t.ics", "BEGIN:VTODO\nUID:t\nDUE:20260401T090000Z\nEND:VTODO\n");
    QSemaphore letGo;
    std::unique_ptr<ICalendarStore> store = storeWithRead([&](const CalendarIndex&) { letGo.tryAcquire(1, 500); });
    QCoro::Task<QList<StoreReminder>> asked
        = store->incompleteReminders(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("tasks") });

    store.reset();
    EXPECT_TRUE(QCoro::waitFor(std::move(asked)).isEmpty());
}

TEST_F(ICalendarStoreTest, AStoreThatGoesAbandonsItsReadAtAnyPoint)
{
    write("cal/a.ics", goodEvent);
    writeBytes("big/big.ics", largeCalendar(20'000'000));
    // How far the read is when the store goes: in the folder, a while into the parse of the large file, or with
    // the large file waiting for memory that another holds (0).
    for (const int parsingMs : { -1, 300, 0 }) {
        SCOPED_TRACE(parsingMs);
        const WarningLog warnings;
        QSemaphore entered;
        std::atomic<bool> read = false;
        std::atomic<bool> readSomething = true;
        const qint64 budget = qint64(1) << 40;
        auto store = std::make_unique<ICalendarStore>(
            ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr,
            [&](const QString& root, const CalendarIndex::Contents& last, TimeZoneCache& zones, QThreadPool& pool,
                MemoryGate& memory, const CalendarFolder::Entering& entering, const CalendarIndex::Published& published,
                const std::atomic<bool>* abandoned) {
                if (parsingMs == 0) {
                    EXPECT_EQ(memory.reserve(budget - 1024 * 1024, nullptr), MemoryGate::Answer::reserved);
                }
                const auto enteringSlowly = [&](const QString& folder) {
                    entering(folder);
                    entered.release();
                    if (parsingMs < 0)
                        QThread::msleep(50);
                };
                const auto index
                    = CalendarIndex::read(root, last, zones, pool, memory, enteringSlowly, published, abandoned);
                readSomething = index != nullptr;
                read = true;
                return index;
            },
            CalendarMemory { [budget] { return std::optional(budget); } });
        ASSERT_TRUE(entered.tryAcquire(1, longestWait));
        if (parsingMs > 0)
            QThread::msleep(parsingMs);
        // The small file is answered once the large one waits.
        if (parsingMs == 0) {
            EXPECT_TRUE(eventually(
                [&] { return !store->events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") }).isEmpty(); }));
        }

        QElapsedTimer going;
        going.start();
        store.reset();
        std::printf("The store went in %lld ms\n", static_cast<long long>(going.elapsed()));
        EXPECT_TRUE(read);
        EXPECT_FALSE(readSomething) << "the read went on to its end";
        EXPECT_TRUE(warnings.linesWith("big.ics").isEmpty()) << "an abandoned file is no bad file";
    }
}

TEST_F(ICalendarStoreTest, TheFilesReadSoFarAreAnsweredWhileALargeOneIsStillRead)
{
    write("cal/a.ics", goodEvent);
    writeBytes("big/big.ics", heldCalendar("Big"));
    MemoryHold hold;
    hold.hold();
    ICalendarStore store(
        ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr, hold.reader(), hold.memory());
    QSignalSpy changed(&store, &EventStore::changed);
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 2);

    EXPECT_TRUE(
        eventually([&] { return titlesOf(store.events(from, to, { calendar("cal") })) == QStringList { "Good" }; }));
    EXPECT_FALSE(store.isFirstReadComplete());
    EXPECT_FALSE(store.isReadComplete());
    EXPECT_EQ(identifiersOf(store.calendars(EntityType::event)), QStringList({ "big", "cal" }));
    EXPECT_TRUE(store.events(from, to, { calendar("big") }).isEmpty());

    hold.letGo();
    EXPECT_TRUE(eventually([&] { return store.isFirstReadComplete(); }));
    EXPECT_TRUE(store.isReadComplete());
    EXPECT_GE(changed.size(), 1);
    EXPECT_EQ(titlesOf(store.events(from, to, { calendar("big"), calendar("cal") })), QStringList({ "Big", "Good" }));
}

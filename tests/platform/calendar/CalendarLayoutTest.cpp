// The folders below the calendar root that become calendars, what they are called and which account holds
// them: the identifiers key the user's selections and rules, so a layout read before keeps its names.
#include "CalendarTestFiles.h"
#include "InotifyWatches.h"
#include "MainThreadWatch.h"
#include "tests/support/WarningLog.h"
#include "tests/support/WithoutPrivileges.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace platform;

namespace {

QString event(const QString& title, const QString& attendee = {})
{
    return QStringLiteral("BEGIN:VEVENT\nUID:%1\nSUMMARY:%1\nDTSTART:20260401T100000Z\nDTEND:20260401T110000Z\n")
               .arg(title)
        + (attendee.isEmpty() ? QString() : QStringLiteral("ATTENDEE:mailto:%1\n").arg(attendee))
        + QStringLiteral("END:VEVENT\n");
}

// "identifier | title | source title" of each calendar, a line each in the store's order.
std::string described(const QList<StoreCalendar>& calendars)
{
    QStringList lines;
    for (const StoreCalendar& calendar : calendars)
        lines.append(calendar.identifier + " | " + calendar.title + " | " + calendar.sourceTitle);
    return lines.join('\n').toStdString();
}

// The titles of the events in which the user is an attendee, sorted.
std::string titlesWithTheUser(const QList<StoreEvent>& events)
{
    QStringList titles;
    for (const StoreEvent& event : events) {
        if (std::any_of(event.attendees.cbegin(), event.attendees.cend(),
                [](const Participant& attendee) { return attendee.isCurrentUser; }))
            titles.append(event.title.value_or(QString()));
    }
    titles.sort();
    return titles.join(' ').toStdString();
}

} // namespace

class CalendarLayoutTest : public CalendarFilesTest
{
protected:
    void link(const QString& target, const QString& relativePath)
    {
        ASSERT_TRUE(QFile::link(target, root + '/' + relativePath)) << relativePath.toStdString();
    }

    QList<StoreEvent> eventsOf(ICalendarStore& store)
    {
        return store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), store.calendars(EntityType::event));
    }
};

TEST_F(CalendarLayoutTest, TheLayoutsReadBeforeKeepTheirIdentifiersTitlesAndAccounts)
{
    write("single.ics", "X-WR-CALNAME:Holidays\n" + event("Single"));
    write("bare.ics", event("Bare"));
    write("personal/displayname", "Personal\n");
    write("personal/p.ics", event("Personal"));
    // A folder inside a calendar of the root has always been read, with that calendar as its account.
    write("personal/archive/old.ics", event("Archived"));
    write("empty/displayname", "Nothing yet\n");
    write("me@example.org/displayname", "Me\n");
    write("me@example.org/work/displayname", "Work\n");
    write("me@example.org/work/w.ics", event("Work", "me@example.org"));
    write("team/owner", "mailto:Lead@Example.org\n");
    write("team/cal/t.ics", event("Team", "lead@example.org"));
    // A link in the root names the calendar it leads to, even now that its own path is read too.
    write("provider/account/cal/displayname", "Linked\n");
    write("provider/account/cal/l.ics", event("Linked"));
    link(root + "/provider/account/cal", "cal-link");

    ICalendarStore store;
    waitForFirstRead(store);
    EXPECT_EQ(described(store.calendars(EntityType::event)),
        "bare.ics | bare | Local\n"
        "cal-link | Linked | Local\n"
        "empty | Nothing yet | Local\n"
        "me@example.org/work | Work | Me\n"
        "personal | Personal | Local\n"
        "personal/archive | archive | Personal\n"
        "single.ics | Holidays | Local\n"
        "team/cal | cal | team");
    const QList<StoreEvent> events = eventsOf(store);
    EXPECT_EQ(titlesOf(events).join(' ').toStdString(), "Archived Bare Linked Personal Single Team Work");
    EXPECT_EQ(titlesWithTheUser(events), "Team Work");
}

TEST_F(CalendarLayoutTest, ReadsCollectionsAtTheDepthsALayoutHasAndNoLinkBackUp)
{
    // Accounts grouped by provider, with a folder kept inside a calendar.
    write("google/displayname", "Google\n");
    write("google/me@example.org/displayname", "Me at Google\n");
    write("google/me@example.org/work/displayname", "Work\n");
    write("google/me@example.org/work/w.ics", event("Work", "me@example.org"));
    write("google/me@example.org/work/2025/old.ics", event("Old", "me@example.org"));
    // A folder kept inside an account's calendar.
    write("account/personal/p.ics", event("Personal"));
    write("account/personal/trips/t.ics", event("Trip"));
    write("a/b/c/d/e/f/g/h/deep.ics", event("Deep"));
    write("a/b/c/d/e/f/g/h/i/too-deep.ics", event("Too deep"));
    link("/", "google/me@example.org/work/everything");
    link(root + "/google/me@example.org", "google/me@example.org/work/account");
    link(root + "/account/personal", "account/personal/trips/up");
    link(root + "/google/me@example.org/work", "account/personal/trips/work");

    WarningLog log;
    const int watchesBefore = inotifyWatches();
    ICalendarStore store;
    waitForFirstRead(store);
    EXPECT_EQ(described(store.calendars(EntityType::event)),
        "a/b/c/d/e/f/g/h | h | g\n"
        "account/personal | personal | account\n"
        "account/personal/trips | trips | personal\n"
        "google/me@example.org/work | Work | Me at Google\n"
        "google/me@example.org/work/2025 | 2025 | Work");
    const QList<StoreEvent> events = eventsOf(store);
    EXPECT_EQ(titlesOf(events).join(' ').toStdString(), "Deep Old Personal Trip Work");
    EXPECT_EQ(titlesWithTheUser(events), "Old Work");
    // The root, a to a/.../h, account and its two folders, google and its three.
    EXPECT_EQ(inotifyWatches() - watchesBefore, 16);

    const QStringList unread[] = { { "/a/b/c/d/e/f/g/h/i", "it lies more than 8 folders deep" },
        { "/google/me@example.org/work/everything", "it leads to a folder that holds it" },
        { "/google/me@example.org/work/account", "it leads to a folder that holds it" },
        { "/account/personal/trips/up", "it leads to a folder that holds it" },
        { "/account/personal/trips/work", "it is read already by another path" } };
    const auto toldOnce = [&] {
        for (const QStringList& folder : unread) {
            EXPECT_EQ(
                log.linesWith("Did not read the calendar folder " + root + folder[0] + ": " + folder[1]).size(), 1)
                << folder[0].toStdString();
        }
        EXPECT_EQ(log.linesWith("Did not read the calendar folder").size(), std::size(unread));
    };
    toldOnce();

    // Read again after a change: the same folders are left, and not told of again.
    QSignalSpy changed(&store, &EventStore::changed);
    write("account/personal/p2.ics", event("Personal again"));
    ASSERT_TRUE(changed.wait(120000));
    EXPECT_EQ(titlesOf(eventsOf(store)).size(), 6);
    toldOnce();
}

TEST_F(CalendarLayoutTest, ALinkIntoALargeTreeCostsABoundedNumberOfWatches)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    for (int i = 0; i < 600; ++i)
        ASSERT_TRUE(
            QDir().mkpath(QStringLiteral("%1/folder-%2/inner").arg(elsewhere.path()).arg(i, 4, 10, QChar('0'))));
    write("account/cal/c.ics", event("Calendar"));
    link(elsewhere.path(), "account/cal/large");
    write("provider/account/cal/n.ics", event("Nested"));

    WarningLog log;
    const int watchesBefore = inotifyWatches();
    ICalendarStore store;
    waitForFirstRead(store);
    // The calendars lie higher than the tree, so they are read before it.
    EXPECT_EQ(titlesOf(eventsOf(store)).join(' ').toStdString(), "Calendar Nested");
    // The root, account, account/cal, provider and provider/account, then 500 deeper folders.
    EXPECT_EQ(inotifyWatches() - watchesBefore, 505);
    const QStringList tooMany = log.linesWith(
        ": the read stops at 500 folders deeper than an account's calendars; it and those after it are left");
    ASSERT_EQ(tooMany.size(), 1);
    EXPECT_TRUE(tooMany.first().contains("/account/cal/large/folder-")) << tooMany.first().toStdString();
}

TEST_F(CalendarLayoutTest, AFolderThatCannotBeReadIsToldOfAndKeepsItsCalendar)
{
    QTemporaryDir calendars;
    ASSERT_TRUE(calendars.isValid());
    ASSERT_TRUE(QFile::setPermissions(
        calendars.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(QDir().mkpath(calendars.path() + "/closed/inner"));
    ASSERT_TRUE(QFile::setPermissions(calendars.path() + "/closed", QFile::WriteOwner));
    EXPECT_TRUE(holdsWithoutPrivileges([&] {
        const CalendarFolder folder = CalendarFolder::scan(calendars.path());
        return folder.unread
            == QList<UnreadFolder>({ { calendars.path() + "/closed", UnreadFolder::Reason::unreadable } })
            && folder.collections.size() == 1 && folder.collections.first().identifier == "closed";
    }));
    QFile::setPermissions(calendars.path() + "/closed", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(CalendarLayoutTest, ThousandsOfLinksBackUpAreToldOfInALineWithoutHoldingTheMainThread)
{
    write("cal/c.ics", event("Calendar"));
    for (int i = 0; i < 20000; ++i)
        link("/", QStringLiteral("cal/up-%1").arg(i, 5, 10, QChar('0')));

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    EXPECT_EQ(titlesOf(eventsOf(store)).join(' ').toStdString(), "Calendar");
    const QString cal = root + "/cal/";
    EXPECT_EQ(log.linesWith("calendar folder").join('\n'),
        "Did not read 20000 calendar folders: it leads to a folder that holds it; among them " + cal + "up-00000, "
            + cal + "up-00001, " + cal + "up-00002");

    // Read again: only the new one is told of, and the main thread goes on (a search of the list told before for
    // each folder held it for seconds).
    MainThreadWatch watch;
    QSignalSpy changed(&store, &EventStore::changed);
    link("/", "cal/one-more");
    ASSERT_TRUE(changed.wait(120000));
    EXPECT_LT(watch.longestGapMSecs(), 500);
    EXPECT_EQ(log.linesWith("calendar folder").size(), 2);
    EXPECT_EQ(log.linesWith("Did not read the calendar folder " + cal + "one-more: it leads to a folder that holds it")
                  .size(),
        1);
}

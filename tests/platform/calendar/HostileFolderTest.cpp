// Calendar folders as a synchronised folder can really hold them, at the sizes that once crashed or froze the
// program: each bad file is skipped alone and the main thread keeps running.
#include "CalendarTestFiles.h"
#include "InotifyWatches.h"
#include "MainThreadWatch.h"
#include "tests/support/WarningLog.h"

#include <QSignalSpy>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// A calendar of `depth` events one in the other, after the items of `first`.
QByteArray nested(
    int depth, const QByteArray& lineEnd, const QByteArray& begin = "BEGIN:VEVENT", const QByteArray& first = {})
{
    QByteArray text = "BEGIN:VCALENDAR" + lineEnd + first;
    for (int i = 0; i < depth; ++i)
        text += begin + lineEnd;
    text += "UID:deep" + lineEnd + "DTSTART:20260401T100000Z" + lineEnd + "SUMMARY:Deep" + lineEnd;
    for (int i = 0; i < depth; ++i)
        text += "END:VEVENT" + lineEnd;
    return text + "END:VCALENDAR" + lineEnd;
}

} // namespace

using HostileFolderTest = CalendarFilesTest;

TEST_F(HostileFolderTest, SkipsOnlyTheFileWhoseComponentsNestTooDeep)
{
    write("cal/good.ics", goodEvent);
    // 300,000 levels, 7.8 MB: freeing libical's tree of it overflowed the reading thread's stack.
    writeBytes("cal/deep.ics", nested(300000, "\r\n"));
    // libical ends lines at a bare CR as well, and reads BEGIN and END in any case.
    writeBytes("cal/deep-cr.ics", nested(20000, "\r").toLower());
    // Lines that look like closing ones but that libical does not count as such must not hide the depth: an END
    // without its colon, one after an empty line that ends in a bare LF (so that it is no folded line), another
    // name.
    QByteArray sneaky = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:sneaky\r\nSUMMARY:Sneaky\r\n"
                        "DTSTART:20260401T100000Z\r\nEND:VEVENT\r\n";
    for (int i = 0; i < 20000; ++i)
        sneaky += "BEGIN:VEVENT\r\nEND\r\n\n END:VEVENT\r\nX-END:VEVENT\r\n";
    writeBytes("cal/sneaky.ics", sneaky);
    // An alarm inside an event inside the calendar is as deep as real files go.
    write("cal/alarm.ics",
        "BEGIN:VEVENT\nUID:alarm\nSUMMARY:With alarm\nDTSTART:20260401T120000Z\n"
        "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT10M\nEND:VALARM\nEND:VEVENT\n");

    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(titlesOf(events), QStringList({ "Good", "With alarm" }));
}

TEST_F(HostileFolderTest, ABeginSplitByAFoldStillOpensAComponent)
{
    write("cal/good.ics", goodEvent);
    // 300,000 levels whose BEGIN lines libical joins again: freeing their tree overflowed the reading thread's
    // stack at every start.
    writeBytes("cal/folded.ics", nested(300000, "\r\n", "BEG\r\n IN:VEVENT"));
    // Folded after a bare LF or CR, by a tab, in lower case, with white space before the colon: each opens.
    // Each begins with an event that shows unless the file is skipped.
    const QByteArray event = "BEGIN:VEVENT\nUID:shallow\nSUMMARY:Shown were it not skipped\n"
                             "DTSTART:20260401T120000Z\nEND:VEVENT\n";
    writeBytes("cal/folded-lf.ics", nested(20000, "\n", "BEG\n IN:VEVENT", event));
    writeBytes("cal/folded-cr.ics", nested(20000, "\r", "beg\r\tin;x=1:vevent", QByteArray(event).replace('\n', '\r')));
    writeBytes("cal/spaced.ics", nested(20000, "\r\n", "BEGIN \t:VEVENT", QByteArray(event).replace("\n", "\r\n")));

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(titlesOf(events), QStringList({ "Good" }));
    for (const char* name : { "folded.ics", "folded-lf.ics", "folded-cr.ics", "spaced.ics" })
        EXPECT_EQ(log.linesWith(QString("/cal/%1: its components are nested").arg(name)).size(), 1) << name;
}

TEST_F(HostileFolderTest, AnEndSplitByAFoldStillClosesItsComponent)
{
    // Twelve events one after the other, which libical reads side by side: none of them is nested, whatever
    // way their END lines are written.
    const QByteArray ends[] = { "END:VEVEN\r\n T", "END:VEVENT\r\n ", "E\r\n\tND:VEVENT", "END \t:VEVENT",
        "end;x=1:vevent", "END:VEVENT\r\n \r\n " };
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\n";
    for (int i = 0; i < 12; ++i) {
        text += QStringLiteral("BEGIN:VEVENT\r\nUID:item-%1\r\nSUMMARY:Item %1\r\nDTSTART:20260401T%20000Z\r\n")
                    .arg(i)
                    .arg(8 + i, 2, 10, QLatin1Char('0'))
                    .toUtf8();
        text += ends[i % std::size(ends)] + "\r\n";
    }
    writeBytes("cal/folded-ends.ics", text + "END:VCALENDAR\r\n");

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(events.size(), 12);
    EXPECT_TRUE(log.linesWith("folded-ends.ics").isEmpty())
        << log.linesWith("folded-ends.ics").join('\n').toStdString();
}

TEST_F(HostileFolderTest, FifosInTheFolderNeverHoldTheRead)
{
    write("account/cal/good.ics", goodEvent);
    write("account/other/good.ics", goodEvent);
    for (const char* fifo : { "account/displayname", "account/owner", "account/cal/displayname", "account/cal/owner",
             "account/other/pipe" })
        ASSERT_EQ(mkfifo(QFile::encodeName(root + '/' + fifo).constData(), 0600), 0) << fifo;
    // Behind a link, with the names of the files that are read.
    ASSERT_TRUE(QFile::link(root + "/account/other/pipe", root + "/account/other/displayname"));
    ASSERT_TRUE(QFile::link(root + "/account/other/pipe", root + "/account/other/linked.ics"));

    MainThreadWatch watch;
    ICalendarStore store;
    const QList<StoreCalendar> calendars = store.calendars(EntityType::event);
    ASSERT_EQ(calendars.size(), 2);
    EXPECT_EQ(calendars[0].title, "cal");
    EXPECT_EQ(calendars[0].sourceTitle, "account");
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), calendars);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].itemIdentifier, "account/cal/good.ics#good");
}

// A file read before that can no longer be opened is not empty: it stands as last read. One never read is not known.
TEST_F(HostileFolderTest, AFileThatCanNoLongerBeOpenedKeepsItsLastParse)
{
    write("cal/good.ics", goodEvent);
    write("cal/big.ics", QString(goodEvent).replace("Good", "Big"));
    ICalendarStore store;
    waitForFirstRead(store);
    ASSERT_TRUE(QFile::remove(root + "/cal/big.ics"));
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/cal/big.ics").constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/cal/pipe.ics").constData(), 0600), 0);
    ASSERT_TRUE(eventually([&] { return store.filesLeftUnread().size() == 2; }));
    EXPECT_EQ(titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") })),
        QStringList({ "Big", "Good" }));
    EXPECT_EQ(store.unknownFiles(), QList<UnknownFile>({ { "cal", "cal/pipe.ics#", false } }));
}

TEST_F(HostileFolderTest, ARepeatedUidGivesEveryEventItsOwnIdentifierQuickly)
{
    // 16,000 events under one UID held every refresh for up to 44 s when their identifiers were counted up
    // one by one.
    for (const int count : { 8000, 16000 }) {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("BEGIN:VEVENT\nUID:same\nSUMMARY:Copy\nDTSTART:20260401T100000Z\nEND:VEVENT\n");
        write("cal/copies.ics", text);
        ICalendarStore store;
        waitForFirstRead(store);
        ASSERT_EQ(store.calendars(EntityType::event).size(), 1);

        MainThreadWatch watch;
        const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
        watch.beat();
        ASSERT_EQ(events.size(), count);
        QSet<QString> identifiers;
        for (const StoreEvent& event : events)
            identifiers.insert(event.itemIdentifier);
        EXPECT_EQ(identifiers.size(), count);
        EXPECT_LT(watch.longestGapMSecs(), 3000) << count << " copies";
    }
}

TEST_F(HostileFolderTest, TheMainThreadKeepsItsHeartbeatWhileALargeFolderIsReadAgain)
{
    constexpr int files = 4000;
    const auto item = [](int i, const char* title) {
        return QStringLiteral("BEGIN:VEVENT\nUID:item-%1\nSUMMARY:%2\nLOCATION:Room %1\nDTSTART:20260401T%30000Z\n"
                              "DTEND:20260401T235900Z\nEND:VEVENT\n")
            .arg(i)
            .arg(QLatin1String(title))
            .arg(i % 24, 2, 10, QLatin1Char('0'));
    };
    for (int i = 0; i < files; ++i)
        write(QStringLiteral("account/cal%1/item-%2.ics").arg(i % 8).arg(i), item(i, "Before"));
    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreCalendar> calendars = store.calendars(EntityType::event);
    const Date from = berlin(2026, 4, 1);
    const Date to = berlin(2026, 4, 3);
    ASSERT_EQ(store.events(from, to, calendars).size(), files);

    // Every file changes, so every file is parsed again.
    for (int i = 0; i < files; ++i)
        write(QStringLiteral("account/cal%1/item-%2.ics").arg(i % 8).arg(i), item(i, "After"));
    QSignalSpy changed(&store, &EventStore::changed);
    store.reset();
    // Answered at once from what was read before, while the files are read again on another thread.
    EXPECT_EQ(titlesOf(store.events(from, to, calendars)).count("Before"), files);
    MainThreadWatch watch;
    // The read may be adopted in parts before it is whole.
    ASSERT_TRUE(changed.wait(120000));
    while (!store.isReadComplete())
        ASSERT_TRUE(changed.wait(120000));
    // The new read was adopted on the main thread, between two beats.
    EXPECT_LT(watch.longestGapMSecs(), 100);
    EXPECT_EQ(titlesOf(store.events(from, to, calendars)).count("After"), files);
}

TEST_F(HostileFolderTest, ReadsTheCalendarLayoutAndFollowsNoLinkBackIntoIt)
{
    write("single.ics", goodEvent);
    write("personal/p.ics", goodEvent);
    write("account/cal/a.ics", goodEvent);
    // A folder inside a calendar, and one beside the calendars of an account.
    write("account/cal/deeper/d.ics", goodEvent);
    write("account/other/deeper/d.ics", goodEvent);
    // Beside the calendars, where only a link back up leads.
    write("../beside/b.ics", goodEvent);
    const QStringList links[] = { { "/", "everything" }, { root + "/..", "account/up" }, { root, "loop" },
        { root + "/account", "account/self" } };
    for (const QStringList& link : links)
        ASSERT_TRUE(QFile::link(link[0], root + '/' + link[1])) << link[1].toStdString();

    const int watchesBefore = inotifyWatches();
    ICalendarStore store;
    QStringList identifiers;
    for (const StoreCalendar& calendar : store.calendars(EntityType::event))
        identifiers.append(calendar.identifier);
    // account/other holds only a folder: no collection, as before.
    EXPECT_EQ(
        identifiers.join(' ').toStdString(), "account/cal account/cal/deeper account/other/deeper personal single.ics");
    EXPECT_EQ(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), store.calendars(EntityType::event)).size(), 5);
    // The root, account, account/cal, its folder, account/other, its folder and personal.
    EXPECT_EQ(inotifyWatches() - watchesBefore, 7);
}

TEST_F(HostileFolderTest, AZoneThatCarriesItsHistoryCostsLittle)
{
    // US Eastern time as a definition of 5,000 observances whose yearly rules run from year 1 until one year
    // after another; libical's zone expansion held the read for minutes over such a definition.
    QString zone = "BEGIN:VTIMEZONE\nTZID:History\n";
    for (int year = 1; year <= 2500; ++year) {
        zone += QStringLiteral("BEGIN:DAYLIGHT\nDTSTART:00010311T020000\nTZOFFSETFROM:-0500\nTZOFFSETTO:-0400\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL=%1\nEND:DAYLIGHT\n"
                               "BEGIN:STANDARD\nDTSTART:00011104T020000\nTZOFFSETFROM:-0400\nTZOFFSETTO:-0500\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU;UNTIL=%1\nEND:STANDARD\n")
                    .arg(QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0')) + "1231T235959Z");
    }
    zone += "END:VTIMEZONE\n";
    write("cal/history.ics",
        zone
            + "BEGIN:VEVENT\nUID:w\nSUMMARY:Winter\nDTSTART;TZID=History:20260107T090000\nEND:VEVENT\n"
              "BEGIN:VEVENT\nUID:s\nSUMMARY:Summer\nDTSTART;TZID=History:20260707T090000\nEND:VEVENT\n"
              "BEGIN:VEVENT\nUID:o\nSUMMARY:Old\nDTSTART;TZID=History:15000707T090000\nEND:VEVENT\n"
              "BEGIN:VEVENT\nUID:f\nSUMMARY:First\nDTSTART;TZID=History:00010101T090000\nEND:VEVENT\n"
              "BEGIN:VEVENT\nUID:r\nSUMMARY:Weekly\nDTSTART;TZID=History:20260302T090000\nRRULE:FREQ=WEEKLY\n"
              "END:VEVENT\n");
    write("cal/good.ics", goodEvent);

    MainThreadWatch watch;
    ICalendarStore store;
    waitForFirstRead(store);
    const auto startsIn = [&](Date from, Date to) {
        QList<Date> starts;
        for (const StoreEvent& event : store.events(from, to, { calendar("cal") }))
            starts.append(event.start);
        std::sort(starts.begin(), starts.end());
        return starts;
    };
    const auto utc = [](int year, int month, int day, int hour) {
        return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, 0), QTimeZone::utc()));
    };
    EXPECT_EQ(startsIn(utc(2026, 1, 1, 0), utc(2026, 1, 10, 0)), QList<Date>({ utc(2026, 1, 7, 14) }));
    // Summer time from Sunday 8 March 2026.
    EXPECT_EQ(
        startsIn(utc(2026, 3, 2, 0), utc(2026, 3, 11, 0)), QList<Date>({ utc(2026, 3, 2, 14), utc(2026, 3, 9, 13) }));
    EXPECT_EQ(startsIn(utc(2026, 7, 7, 0), utc(2026, 7, 8, 0)), QList<Date>({ utc(2026, 7, 7, 13) }));
    EXPECT_EQ(startsIn(utc(1500, 7, 7, 0), utc(1500, 7, 8, 0)), QList<Date>({ utc(1500, 7, 7, 13) }));
    // Before its first onset, a zone has the offset that onset changes from.
    EXPECT_EQ(startsIn(utc(1, 1, 1, 0), utc(1, 1, 2, 0)), QList<Date>({ utc(1, 1, 1, 14) }));
    EXPECT_EQ(titlesOf(store.events(berlin(2026, 3, 30), berlin(2026, 4, 2), { calendar("cal") })),
        QStringList({ "Good", "Weekly" }));
}

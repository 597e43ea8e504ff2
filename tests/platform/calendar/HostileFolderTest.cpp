// Calendar folders as a synchronised folder can really hold them, at the sizes that once crashed or froze the
// program: each bad file is skipped alone and the main thread keeps running.
#include "CalendarTestFiles.h"
#include "MainThreadWatch.h"
#include "WarningLog.h"

#include <QSignalSpy>
#include <sys/stat.h>

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
    ASSERT_TRUE(changed.wait(120000));
    while (changed.wait(500)) { }
    // The new read was adopted on the main thread, between two beats.
    EXPECT_LT(watch.longestGapMSecs(), 100);
    EXPECT_EQ(titlesOf(store.events(from, to, calendars)).count("After"), files);
}

#include "CalendarTestFiles.h"
#include "MainThreadWatch.h"
#include "tests/support/WarningLog.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

using BadInputTest = CalendarFilesTest;

TEST_F(BadInputTest, RulesThatSpinInLibicalNeverHoldTheMainThread)
{
    write("cal/good.ics", goodEvent);
    QString hostile;
    const char* rules[] = { "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30", "FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=HOURLY;BYDAY=-1SU", "FREQ=MONTHLY;BYMONTHDAY=2,-1;BYSETPOS=9", "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", "FREQ=WEEKLY;BYDAY=MO;BYSETPOS=9",
        "FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30;COUNT=5", "FREQ=DAILY;INTERVAL=4294967297" };
    for (const char* rule : rules) {
        hostile += QStringLiteral("BEGIN:VEVENT\nUID:%1\nDTSTART:20250602T110000Z\nSUMMARY:x\nRRULE:%1\nEND:VEVENT\n")
                       .arg(QLatin1String(rule));
    }
    // Sparse, but it does match: the first of April, every year.
    hostile += "BEGIN:VEVENT\nUID:sparse\nDTSTART:20250401T120000Z\nSUMMARY:Sparse\n"
               "RRULE:FREQ=MONTHLY;BYMONTH=4;BYMONTHDAY=1\nEND:VEVENT\n";
    write("cal/hostile.ics", hostile);

    ICalendarStore store;
    QSignalSpy changed(&store, &EventStore::changed);
    MainThreadWatch watch;
    const QList<StoreEvent> first = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    watch.beat();
    EXPECT_TRUE(titlesOf(first).contains("Good"));
    EXPECT_FALSE(titlesOf(first).contains("x"));

    // The sparse rules were expanded away from the main thread, which ran its event loop meanwhile.
    ASSERT_TRUE(changed.wait(longestWait));
    const QList<StoreEvent> second = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    watch.beat();
    EXPECT_EQ(titlesOf(second), QStringList({ "Good", "Sparse" }));
    EXPECT_LT(watch.longestGapMSecs(), 2000);
}

TEST_F(BadInputTest, SkipsMalformedFilesAndComponentsAlone)
{
    write("cal/good.ics", goodEvent);
    writeBytes("cal/garbage.ics", "this is no calendar\x01\x02\n\n:::;;;\r\nBEGIN:VEVENT\r\n");
    writeBytes("cal/empty.ics", "");
    write("cal/mixed.ics",
        "BEGIN:VEVENT\nUID:nostart\nSUMMARY:No start\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:badstart\nSUMMARY:Bad start\nDTSTART:2026-04-01 10:00\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:badrule\nSUMMARY:Bad rule\nDTSTART:20260401T120000Z\n"
        "RRULE:FREQ=SOMETIMES;BYDAY=XX\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:backwards\nSUMMARY:Backwards\nDTSTART:20260401T130000Z\n"
        "DTEND:20260401T120000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:fine\nSUMMARY:Fine\nDTSTART:20260401T140000Z\nEND:VEVENT\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(titlesOf(events), QStringList({ "Backwards", "Bad rule", "Fine", "Good" }));
    for (const StoreEvent& event : events)
        EXPECT_GE(event.end, event.start);
}

TEST_F(BadInputTest, RepeatedUidsAndRecurrenceIdsStillGiveEachEventItsOwnIdentifier)
{
    write("cal/twice.ics",
        "BEGIN:VEVENT\nUID:same\nSUMMARY:First\nDTSTART:20260401T100000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:same\nSUMMARY:Second\nDTSTART:20260401T120000Z\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:orphan\nRECURRENCE-ID:20260401T080000Z\nSUMMARY:Moved\nDTSTART:20260401T090000Z\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:orphan\nRECURRENCE-ID:20260401T080000Z\nSUMMARY:Moved again\n"
        "DTSTART:20260401T130000Z\nEND:VEVENT\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    ASSERT_EQ(events.size(), 4);
    QSet<QString> identifiers;
    for (const StoreEvent& event : events)
        identifiers.insert(event.itemIdentifier);
    EXPECT_EQ(identifiers.size(), 4);
}

TEST_F(BadInputTest, ReadsAnUnknownTimeZoneAsTheUsersOwn)
{
    write("cal/tz.ics",
        "BEGIN:VEVENT\nUID:tz\nSUMMARY:Somewhere\nDTSTART;TZID=Mars/Olympus_Mons:20260401T100000\n"
        "DTEND;TZID=Mars/Olympus_Mons:20260401T110000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:win\nSUMMARY:Windows\nDTSTART;TZID=W. Europe Standard Time:20260401T120000\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:prefixed\nSUMMARY:Prefixed\n"
        "DTSTART;TZID=/example.org/20050126_1/America/New_York:20260401T080000\nEND:VEVENT\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].start, berlin(2026, 4, 1, 10));
    EXPECT_EQ(events[0].end, berlin(2026, 4, 1, 11));
    EXPECT_EQ(events[1].start, berlin(2026, 4, 1, 12));
    // 08:00 in New York is 14:00 in Berlin.
    EXPECT_EQ(events[2].start, berlin(2026, 4, 1, 14));
}

TEST_F(BadInputTest, BoundsRulesWithoutEnd)
{
    write("cal/good.ics", goodEvent);
    write("cal/endless.ics",
        "BEGIN:VEVENT\nUID:minutely\nSUMMARY:Minutely\nDTSTART:19900101T000000Z\n"
        "RRULE:FREQ=MINUTELY;INTERVAL=7\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:secondly\nSUMMARY:Secondly\nDTSTART:20000101T000000Z\n"
        "RRULE:FREQ=SECONDLY;COUNT=2000000000\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:weekly\nSUMMARY:Weekly\nDTSTART:19700101T100000Z\n"
        "RRULE:FREQ=WEEKLY\nEND:VEVENT\n");
    ICalendarStore store;
    QElapsedTimer timer;
    timer.start();
    const Date from = berlin(2026, 4, 1);
    const QList<StoreEvent> events = store.events(from, berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_LT(timer.elapsed(), 20000);
    int minutely = 0;
    for (const StoreEvent& event : events) {
        if (event.title == QString("Minutely")) {
            ++minutely;
            // Every 7 minutes on the phase of the first start.
            EXPECT_EQ((qint64(event.start.secondsSince1970()) - 631152000) % 420, 0);
        }
    }
    // A day has 1440 minutes; the phase allows 205 or 206 of them.
    EXPECT_GE(minutely, 205);
    EXPECT_LE(minutely, 206);
    EXPECT_TRUE(titlesOf(events).contains("Good"));
    // 1 January 1970 was a Thursday, and so is 2 April 2026.
    EXPECT_TRUE(titlesOf(store.events(from, berlin(2026, 4, 3), { calendar("cal") })).contains("Weekly"));
}

TEST_F(BadInputTest, ReadsBytesThatAreNotUtf8AsLatin1)
{
    writeBytes("cal/latin1.ics",
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:l\r\nSUMMARY:Caf\xe9 \xff\r\n"
        "DTSTART:20260401T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].title, QString::fromUtf8("Caf\u00e9 \u00ff"));
}

TEST_F(BadInputTest, SkipsUnreadableAndLoopingFiles)
{
    write("cal/good.ics", goodEvent);
    write("cal/locked.ics", goodEvent);
    ASSERT_TRUE(QFile::setPermissions(root + "/cal/locked.ics", QFileDevice::Permissions()));
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/cal/pipe.ics").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(root + "/cal/self.ics", root + "/cal/self.ics"));
    ASSERT_TRUE(QFile::link(root + "/cal", root + "/cal/loop"));
    ASSERT_TRUE(QFile::link(root, root + "/cal/up"));

    ICalendarStore store;
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    // The locked file can still be read by root, who is not kept out by its permissions.
    const QStringList expected = geteuid() == 0 ? QStringList({ "Good", "Good" }) : QStringList({ "Good" });
    EXPECT_EQ(titlesOf(events), expected);
    for (const StoreCalendar& calendar : store.calendars(EntityType::event))
        EXPECT_FALSE(calendar.identifier.contains("loop") || calendar.identifier.contains("up/"));
}

TEST_F(BadInputTest, ReadsACalendarFileOfFortyMebibytes)
{
    // A single-file export of a long work calendar: everything but its last event lies years back.
    write("cal/good.ics", goodEvent);
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\n";
    const QByteArray notes = "DESCRIPTION:" + QByteArray(400, 'n') + "\r\n";
    for (int i = 0; text.size() < 40 * 1024 * 1024; ++i) {
        text += "BEGIN:VEVENT\r\nUID:past-" + QByteArray::number(i) + "\r\nSUMMARY:Past\r\n" + notes
            + "DTSTART:20200101T100000Z\r\nEND:VEVENT\r\n";
    }
    text += "BEGIN:VEVENT\r\nUID:last\r\nSUMMARY:Last of many\r\nDTSTART:20260401T120000Z\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n";
    ASSERT_GT(text.size(), 32 * 1024 * 1024);
    writeBytes("cal/export.ics", text);

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(titlesOf(events), QStringList({ "Good", "Last of many" }));
    EXPECT_TRUE(log.linesWith("export.ics").isEmpty());
}

TEST_F(BadInputTest, EverySkippedFileLeavesOneLineNamingItAndWhy)
{
    write("cal/good.ics", goodEvent);
    {
        // More than any machine's memory holds the tree of; sparse, it takes no room on the disk.
        QFile vast(root + "/cal/vast.ics");
        ASSERT_TRUE(vast.open(QIODevice::WriteOnly));
        ASSERT_TRUE(vast.resize(qint64(1) << 40));
    }
    QByteArray deep = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < 20; ++i)
        deep += "BEGIN:VEVENT\r\n";
    writeBytes("cal/deep.ics", deep + "DTSTART:20260401T100000Z\r\n" + QByteArray("END:VEVENT\r\n").repeated(20));
    writeBytes("cal/garbage.ics", "this is no calendar\r\n");
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/cal/pipe.ics").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(root + "/cal/gone", root + "/cal/dangling.ics"));

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    const QList<StoreEvent> events = store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") });
    EXPECT_EQ(titlesOf(events), QStringList({ "Good" }));
    const std::pair<const char*, const char*> skipped[] = { { "vast.ics", "takes more memory than is available" },
        { "deep.ics", "nested more than 10 deep" }, { "garbage.ics", "holds no iCalendar component" },
        { "pipe.ics", "not a regular file" }, { "dangling.ics", "No such file or directory" } };
    for (const auto& [name, reason] : skipped) {
        const QStringList lines = log.linesWith(QString("/cal/%1: ").arg(name));
        ASSERT_EQ(lines.size(), 1) << name;
        EXPECT_TRUE(lines.first().contains(reason)) << lines.first().toStdString();
    }
    EXPECT_TRUE(log.linesWith("good.ics").isEmpty());
}

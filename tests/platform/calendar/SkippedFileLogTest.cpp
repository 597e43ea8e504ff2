#include "CalendarTestFiles.h"
#include "tests/support/WarningLog.h"

using namespace platform;

using SkippedFileLogTest = CalendarFilesTest;

// A folder is read again at every change in it: a file that cannot be opened says so once per version of it,
// and is still tried every time.
TEST_F(SkippedFileLogTest, LogsAnUnopenableFileOnceUntilItChangesOrComesBack)
{
    write("cal/good.ics", goodEvent);
    const QString link = root + "/cal/dangling.ics";
    ASSERT_TRUE(QFile::link(root + "/gone", link));

    WarningLog log;
    ICalendarStore store;
    waitForFirstRead(store);
    const auto skipLines = [&] { return log.linesWith("/cal/dangling.ics: ").size(); };
    const auto titles
        = [&] { return titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") })); };
    const auto addEvent = [&](const QString& title) {
        write("cal/" + title + ".ics",
            QString("BEGIN:VEVENT\nUID:%1\nSUMMARY:%1\nDTSTART:20260401T120000Z\nEND:VEVENT\n").arg(title));
        return eventually([&] { return titles().contains(title); });
    };
    ASSERT_EQ(skipLines(), 1);

    ASSERT_TRUE(addEvent("Second"));
    ASSERT_TRUE(addEvent("Third"));
    EXPECT_EQ(skipLines(), 1);

    // Tried at every read, it is read once it can be; failing again after that, it says so again.
    writeBytes("gone",
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:linked\r\nSUMMARY:Linked\r\n"
        "DTSTART:20260401T130000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    EXPECT_TRUE(eventually([&] { return titles().contains("Linked"); }));
    ASSERT_TRUE(QFile::remove(root + "/gone"));
    ASSERT_TRUE(addEvent("Fourth"));
    EXPECT_FALSE(titles().contains("Linked"));
    EXPECT_EQ(skipLines(), 2);
    EXPECT_TRUE(log.linesWith("/cal/dangling.ics: ").last().contains("No such file or directory"));
}

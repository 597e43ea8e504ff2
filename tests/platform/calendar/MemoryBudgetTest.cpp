#include "CalendarTestFiles.h"
#include "tests/support/WarningLog.h"

#include <QSignalSpy>
#include <sys/inotify.h>
#include <unistd.h>

using namespace platform;

using MemoryBudgetTest = CalendarFilesTest;

namespace {

const QString item = QStringLiteral("BEGIN:VEVENT\nUID:%1\nSUMMARY:%1\nDTSTART:20260401T120000Z\nEND:VEVENT\n");

// The memory left is what the test sets; a file left unread is looked at again soon.
CalendarMemory retryingWithin(const std::atomic<qint64>& available)
{
    return { [&available] { return std::optional(available.load()); }, std::chrono::milliseconds(20) };
}

} // namespace

// During a read again, what the last complete read found stays in the answers until the new read is whole,
// however long a file of it takes: the model would otherwise withdraw its meetings from the other machines. A small
// file is never queued behind files that wait for memory, those of the read or one written while they wait.
TEST_F(MemoryBudgetTest, AReadAgainKeepsEverythingOfTheLastCompleteReadUntilItIsWhole)
{
    enum class Change { renamed, removed, edited, crowded };
    const struct
    {
        Change change;
        QStringList whole;
    } rows[] = {
        { Change::renamed, { "Big", "Kept", "Later", "New" } },
        { Change::removed, { "Kept", "Later", "New", "Slow" } },
        { Change::edited, { "Big edited", "Kept", "Later", "New" } },
        // More files wait for memory than the parses have threads.
        { Change::crowded, { "Big", "Crowd", "Kept", "Later", "New" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.change));
        QDir(root).removeRecursively();
        write("cal/kept.ics", item.arg("Kept"));
        writeBytes("cal/big.ics", heldCalendar("Big"));
        MemoryHold hold;
        ICalendarStore store(
            ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr, hold.reader(), hold.memory());
        const auto titles
            = [&] { return titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") })); };
        ASSERT_EQ(titles(), QStringList({ "Big", "Kept" }));
        ASSERT_TRUE(store.isReadComplete());
        QStringList lost;
        QObject::connect(&store, &EventStore::changed, [&] {
            if (!store.isReadComplete() && !titles().contains("Big"))
                lost = titles();
        });

        // A sync tool writes a burst: a new file, and a change to the large one, whose read waits.
        hold.hold();
        write("cal/new.ics", item.arg("New"));
        if (row.change == Change::renamed) {
            ASSERT_TRUE(QFile::rename(root + "/cal/big.ics", root + "/cal/moved.ics"));
        } else if (row.change == Change::removed) {
            ASSERT_TRUE(QFile::remove(root + "/cal/big.ics"));
            writeBytes("cal/slow.ics", heldCalendar("Slow"));
        } else if (row.change == Change::edited) {
            writeBytes("cal/big.ics", heldCalendar("Big edited"));
        } else {
            for (int i = 0; i <= QThread::idealThreadCount(); ++i)
                writeBytes(QString("cal/crowd-%1.ics").arg(i), heldCalendar("Crowd"));
        }
        ASSERT_TRUE(eventually([&] { return titles().contains("New"); }));
        write("cal/later.ics", item.arg("Later"));
        ASSERT_TRUE(eventually([&] { return titles().contains("Later"); }));
        EXPECT_FALSE(store.isReadComplete());
        EXPECT_TRUE(titles().contains("Big")) << titles().join(", ").toStdString();
        EXPECT_FALSE(titles().contains("Slow") || titles().contains("Big edited"));

        hold.letGo();
        const auto distinct = [&] {
            QStringList all = titles();
            all.removeDuplicates();
            return all;
        };
        EXPECT_TRUE(eventually([&] { return store.isReadComplete() && distinct() == row.whole; }))
            << titles().join(", ").toStdString();
        EXPECT_EQ(lost, QStringList()) << "a partial answer lost the large file's meeting";
    }
}

// A file whose parse cannot fit in the memory left even alone is left unread: what its last read gave stays, it
// alone is not known, every other file and every calendar is as read, and it is read once the memory is there,
// changed or not.
TEST_F(MemoryBudgetTest, AFileThatCannotFitKeepsItsLastParseAndIsReadWhenMemoryFrees)
{
    const struct
    {
        const char* name;
        bool readBefore;
        QStringList whileShort;
        QStringList whole;
    } rows[] = {
        { "first read", false, { "Good" }, { "Big", "Good" } },
        { "edited", true, { "Big", "Good" }, { "Big edited", "Good" } },
    };
    constexpr qint64 plenty = qint64(1) << 30;
    // A small file's parse fits; one of heldCalendar's does not.
    constexpr qint64 scarce = 32 * 1024;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(root).removeRecursively();
        write("cal/good.ics", goodEvent);
        writeBytes("cal/big.ics", heldCalendar("Big"));
        std::atomic<qint64> available = row.readBefore ? plenty : scarce;
        const WarningLog log;
        ICalendarStore store(ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr,
            &CalendarIndex::read, retryingWithin(available));
        const auto titles
            = [&] { return titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") })); };
        waitForFirstRead(store);
        const auto skipped = [&] { return log.linesWith("/cal/big.ics: reading its").size(); };
        const QStringList big { root + "/cal/big.ics" };
        if (row.readBefore) {
            ASSERT_TRUE(store.isReadComplete());
            EXPECT_EQ(store.filesLeftUnread(), QStringList());
            available = scarce;
            writeBytes("cal/big.ics", heldCalendar("Big edited"));
            ASSERT_TRUE(eventually([&] { return store.filesLeftUnread() == big; }));
        }
        EXPECT_EQ(store.filesLeftUnread(), big);
        EXPECT_EQ(titles(), row.whileShort);
        EXPECT_TRUE(store.isFirstReadComplete());
        EXPECT_TRUE(store.isReadComplete()) << "one file left unread makes no other unknown";
        EXPECT_EQ(store.calendars(EntityType::event).size(), 1);
        EXPECT_EQ(skipped(), 1);

        available = plenty;
        EXPECT_TRUE(eventually([&] { return store.filesLeftUnread().isEmpty() && titles() == row.whole; }))
            << titles().join(", ").toStdString();
        EXPECT_TRUE(store.isReadComplete());
        EXPECT_EQ(skipped(), 1);
    }
}

// A file of many short lines needs more memory than its size tells. Once read and found too large, it is not read
// again, at a retry or a change elsewhere in the folder, until what it needs is there.
TEST_F(MemoryBudgetTest, AFileFoundToNeedMoreThanItsSizeToldIsNotReadAgainUntilThatFits)
{
    const QByteArray text = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:lines\r\nSUMMARY:Lines\r\n"
                            "DTSTART:20260401T140000Z\r\n"
        + QByteArray("X:1\r\n").repeated(20000) + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    writeBytes("cal/lines.ics", text);
    write("cal/good.ics", goodEvent);
    const qint64 needed = ICalendarFile::memoryToRead(text);
    ASSERT_GT(needed, text.size() * 8 * 2);
    std::atomic<qint64> available = needed - 1;
    const int changes = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(changes, 0);
    ASSERT_GE(inotify_add_watch(changes, QFile::encodeName(root + "/cal/lines.ics").constData(), IN_ACCESS), 0);
    const auto readSince = [changes] {
        char events[4096];
        bool read = false;
        while (::read(changes, events, sizeof events) > 0)
            read = true;
        return read;
    };
    ICalendarStore store(ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr,
        &CalendarIndex::read, retryingWithin(available));
    const auto titles
        = [&] { return titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") })); };
    waitForFirstRead(store);
    EXPECT_TRUE(readSince());
    EXPECT_EQ(titles(), QStringList({ "Good" }));

    write("cal/second.ics", item.arg("Second"));
    ASSERT_TRUE(eventually([&] { return titles().contains("Second"); }));
    EXPECT_FALSE(readSince()) << "read again to learn what it needs";

    available = needed;
    EXPECT_TRUE(eventually([&] { return store.isReadComplete() && store.filesLeftUnread().isEmpty(); }));
    EXPECT_EQ(titles(), QStringList({ "Good", "Lines", "Second" }));
    close(changes);
}

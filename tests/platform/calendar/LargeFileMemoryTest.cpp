#include "CalendarTestFiles.h"
#include "platform/files/ProcessMemory.h"

#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <limits>

using namespace platform;

namespace {

// A line of /proc/self/status, in bytes.
qint64 statusBytes(const QByteArray& name)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

} // namespace

class LargeFileMemoryTest : public CalendarFilesTest
{
protected:
    // A long work calendar's export: everything but its last event lies years back. Gives what reading it takes.
    qint64 writeExport(const QString& name)
    {
        QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\n";
        text.reserve(32 * 1024 * 1024);
        const QByteArray notes = "DESCRIPTION:" + QByteArray(400, 'n') + "\r\n";
        // Below 32 MiB, which files once were always parsed at, side by side.
        for (int i = 0; text.size() < 31 * 1024 * 1024; ++i) {
            text += "BEGIN:VEVENT\r\nUID:past-" + QByteArray::number(i) + "\r\nSUMMARY:Past\r\n" + notes
                + "DTSTART:20200101T100000Z\r\nEND:VEVENT\r\n";
        }
        text += "BEGIN:VEVENT\r\nUID:" + name.toUtf8() + "\r\nSUMMARY:" + name.toUtf8()
            + "\r\nDTSTART:20260401T120000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        writeBytes("cal/" + name + ".ics", text);
        return ICalendarFile::memoryToRead(text);
    }

    // What a first read of the folder adds to the process's peak resident memory, with the events it finds, when
    // the process can take `budget` bytes more.
    std::pair<qint64, QStringList> readPeak(qint64 budget)
    {
        QFile clear("/proc/self/clear_refs");
        EXPECT_TRUE(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1);
        clear.close();
        const qint64 before = statusBytes("VmRSS");
        ICalendarStore store(ICalendarStore::defaultRoot(), CalendarAccessFile::defaultPath(), nullptr,
            &CalendarIndex::read, { [budget] { return budget; } });
        waitForFirstRead(store);
        const QStringList titles = titlesOf(store.events(berlin(2026, 4, 1), berlin(2026, 4, 2), { calendar("cal") }));
        return { statusBytes("VmHWM") - before, titles };
    }
};

// Writes as many large files as TOLVAR_TEST_LARGE_FILES says (one when unset) and reads them with memory for one
// file's read and a half: run alone, and in processes of its own by ThreeLargeFilesPeakLittleAboveOne, so that no
// earlier read's memory hides a peak.
TEST_F(LargeFileMemoryTest, ReadsLargeFilesWithTheirPeakMemory)
{
    const int count = std::max(1, qEnvironmentVariableIntValue("TOLVAR_TEST_LARGE_FILES"));
    QStringList names;
    qint64 budget = 0;
    for (int i = 0; i < count; ++i) {
        names.append(QString("Export %1").arg(i));
        budget = writeExport(names.last()) * 3 / 2;
    }
    const auto [peak, titles] = readPeak(budget);
    EXPECT_EQ(titles, names);
    EXPECT_GT(peak, 31 * 1024 * 1024);
    std::printf("peak of the read: %lld\n", static_cast<long long>(peak));
}

// Read side by side, files that each fit in memory alone could together take more than there is: they wait for
// each other.
TEST_F(LargeFileMemoryTest, ThreeLargeFilesPeakLittleAboveOne)
{
    const auto peakOf = [](int count) -> qint64 {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TOLVAR_TEST_LARGE_FILES", QString::number(count));
        child.setProcessEnvironment(environment);
        child.start(QFile::symLinkTarget("/proc/self/exe"),
            { "--gtest_filter=LargeFileMemoryTest.ReadsLargeFilesWithTheirPeakMemory" });
        EXPECT_TRUE(child.waitForFinished(300000));
        const QByteArray output = child.readAllStandardOutput();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        const qsizetype at = output.indexOf("peak of the read: ");
        return at < 0 ? -1 : output.mid(at + 18).split('\n').value(0).toLongLong();
    };
    const qint64 one = peakOf(1);
    const qint64 three = peakOf(3);
    ASSERT_GT(one, 0);
    ASSERT_GT(three, 0);
    EXPECT_LE(three, one * 3 / 2) << "one: " << one / 1048576 << " MiB, three: " << three / 1048576 << " MiB";
}

class ProcessMemoryTest : public ::testing::Test
{
protected:
    void write(const QString& path, const QByteArray& text)
    {
        const QString full = dir.path() + path;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile file(full);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void writeMemInfo(qint64 availableKilobytes)
    {
        write("/proc/meminfo",
            "MemTotal:       25165824 kB\nMemFree:         1000000 kB\nMemAvailable:   "
                + QByteArray::number(availableKilobytes) + " kB\nBuffers:          100 kB\n");
    }

    QTemporaryDir dir;
};

TEST_F(ProcessMemoryTest, TakesTheLeastOfTheSystemAndEveryControlGroupAbove)
{
    writeMemInfo(8 * 1024 * 1024);
    EXPECT_EQ(ProcessMemory::available(dir.path()), qint64(8) << 30);

    // Version 2: the process's own group sets no limit, but the slice above it does.
    write("/proc/self/cgroup", "0::/user.slice/app.scope\n");
    write("/sys/fs/cgroup/user.slice/app.scope/memory.max", "max\n");
    write("/sys/fs/cgroup/user.slice/app.scope/memory.current", "1000\n");
    write("/sys/fs/cgroup/user.slice/memory.max", "3000000000\n");
    write("/sys/fs/cgroup/user.slice/memory.current", "1000000000\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), 2000000000);

    // A group over its limit has nothing left.
    write("/sys/fs/cgroup/user.slice/app.scope/memory.max", "500\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), 0);

    // Version 1's memory controller, beside other controllers' lines.
    write("/proc/self/cgroup", "9:name=systemd:/\n5:cpu,cpuacct:/box\n4:memory:/box/job\n0::/\n");
    write("/sys/fs/cgroup/memory/box/job/memory.limit_in_bytes", "9223372036854771712\n");
    write("/sys/fs/cgroup/memory/box/job/memory.usage_in_bytes", "272449536\n");
    write("/sys/fs/cgroup/memory/box/memory.limit_in_bytes", "1272449536\n");
    write("/sys/fs/cgroup/memory/box/memory.usage_in_bytes", "272449536\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), 1000000000);

    // Below the limits, the system's memory is the bound.
    writeMemInfo(512 * 1024);
    EXPECT_EQ(ProcessMemory::available(dir.path()), qint64(512) << 20);
}

// The file cache the kernel can take back counts as free, as in the system's MemAvailable.
TEST_F(ProcessMemoryTest, AGroupsReclaimableFileCacheCountsAsFree)
{
    writeMemInfo(8 * 1024 * 1024);
    const struct
    {
        QByteArray cgroup;
        QString folder;
        QByteArray limit;
        QByteArray usage;
        QByteArray stat;
        std::optional<qint64> expected;
    } rows[] = {
        { "0::/app\n", "/sys/fs/cgroup/app/", "memory.max", "memory.current",
            "anon 100\nfile 700000000\nactive_file 100000000\ninactive_file 600000000\n", 900000000 },
        { "4:memory:/app\n", "/sys/fs/cgroup/memory/app/", "memory.limit_in_bytes", "memory.usage_in_bytes",
            "cache 700000000\ninactive_file 1\ntotal_inactive_file 600000000\n", 900000000 },
        // More cache than use (figures read at different moments) frees no more than the use.
        { "0::/app\n", "/sys/fs/cgroup/app/", "memory.max", "memory.current", "inactive_file 9000000000\n",
            1000000000 },
        // Without a memory.stat, or a garbled one, the whole use counts.
        { "0::/app\n", "/sys/fs/cgroup/app/", "memory.max", "memory.current", {}, 300000000 },
        { "0::/app\n", "/sys/fs/cgroup/app/", "memory.max", "memory.current", "inactive_file lots\ninactive_file\n",
            300000000 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stat.toStdString());
        QDir(dir.path() + "/sys").removeRecursively();
        write("/proc/self/cgroup", row.cgroup);
        write(row.folder + row.limit, "1000000000\n");
        write(row.folder + row.usage, "700000000\n");
        if (!row.stat.isNull())
            write(row.folder + "memory.stat", row.stat);
        EXPECT_EQ(ProcessMemory::available(dir.path()), row.expected);
    }
}

TEST_F(ProcessMemoryTest, UnknownOrGarbledFiguresBoundNothing)
{
    EXPECT_EQ(ProcessMemory::available(dir.path()), std::nullopt);
    write("/proc/meminfo", "MemAvailable: lots\n");
    write("/proc/self/cgroup", "0::/../../etc\n::\ngarbage\n4:memory:relative\n");
    write("/etc/memory.max", "1\n");
    write("/etc/memory.current", "0\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), std::nullopt);

    // Figures past any machine, or below nothing, neither overflow nor go negative.
    write("/proc/meminfo", "MemAvailable: 99999999999999999 kB\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), std::numeric_limits<qint64>::max() / 1024 * 1024);
    write("/proc/self/cgroup", "0::/a\n");
    write("/sys/fs/cgroup/a/memory.max", "-9000000000000000000\n");
    write("/sys/fs/cgroup/a/memory.current", "9000000000000000000\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), 0);
    write("/proc/meminfo", "MemAvailable: -5 kB\n");
    write("/sys/fs/cgroup/a/memory.max", "max\n");
    EXPECT_EQ(ProcessMemory::available(dir.path()), 0);
}

// Measures what reading a large calendar file costs in memory, for the shapes of text that cost the most per byte
// or per line, against what the store reckons before it reads one; then the peak of reading one and three files of
// 40 MiB through the calendar index, with memory for one parse and a half and with plenty: large parses take turns
// whatever is free. Each reading runs in a process of its own,
// so that one peak never hides in another. Fails when a shape costs more than the store reckons, when a reading
// finds no events (it measured nothing), or when three files peak at more than 1.5 times one.
#include "bench/support/ProcessStatus.h"
#include "platform/calendar/CalendarIndex.h"
#include "platform/calendar/ICalendarFile.h"
#include "platform/files/MemoryGate.h"
#include "platform/calendar/TextPool.h"
#include "platform/calendar/TimeZoneCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

constexpr qint64 fileSize = 40 * 1024 * 1024;

// What the store reckons reading a file takes: kept in step with ICalendarFile.cpp.
constexpr qint64 reckonedPerByte = 8;
constexpr qint64 reckonedPerLine = 400;

// Lines that hold a property or a component's start or end: empty ones and folded continuations hold none.
qint64 linesIn(const QByteArray& text)
{
    qint64 lines = 1;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        lines += text[i] == '\n' && !QByteArrayView("\r\n \t").contains(text[i + 1]);
    return lines;
}

struct Shape
{
    const char* name;
    QByteArray event;
};

// Events of `shape` until the text holds `size` bytes.
QByteArray calendarOf(const QByteArray& event, qint64 size)
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n";
    text.reserve(size + event.size() + 64);
    for (int i = 0; text.size() < size; ++i)
        text += QByteArray(event).replace("#", QByteArray::number(i));
    return text + "END:VCALENDAR\r\n";
}

// The peak resident memory, in bytes, that `work` adds in a child process; -1 when it fails or finds no events.
qint64 peakOf(const std::function<qsizetype()>& work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
            _exit(1);
        clear.close();
        const qint64 before = statusKilobytes("VmRSS");
        const qsizetype events = work();
        const qint64 peak = events > 0 ? (statusKilobytes("VmHWM") - before) * 1024 : -1;
        const bool written = write(pipeEnds[1], &peak, sizeof peak) == sizeof peak;
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    qint64 peak = -1;
    if (child < 0 || read(pipeEnds[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    close(pipeEnds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return peak;
}

qsizetype eventsOf(const CalendarIndex& index)
{
    qsizetype events = 0;
    for (const auto& file : index.files())
        events += file->events.size();
    return events;
}

} // namespace

int main()
{
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    const Shape shapes[] = {
        { "long notes",
            "BEGIN:VEVENT\r\nUID:past-#\r\nSUMMARY:Past\r\nDESCRIPTION:" + QByteArray(400, 'n')
                + "\r\nDTSTART:20200101T100000Z\r\nEND:VEVENT\r\n" },
        { "long distinct notes",
            "BEGIN:VEVENT\r\nUID:past-#\r\nSUMMARY:Past\r\nDESCRIPTION:#" + QByteArray(65536, 'n')
                + "\r\nDTSTART:20200101T100000Z\r\nEND:VEVENT\r\n" },
        { "latin-1 long notes",
            "BEGIN:VEVENT\r\nUID:past-#\r\nSUMMARY:Past\r\nDESCRIPTION:#" + QByteArray(65536, '\xe9')
                + "\r\nDTSTART:20200101T100000Z\r\nEND:VEVENT\r\n" },
        { "folded notes",
            "BEGIN:VEVENT\r\nUID:past-#\r\nSUMMARY:Past\r\nDESCRIPTION:#"
                + (QByteArray(73, 'n') + "\r\n ").repeated(400) + "\r\nDTSTART:20200101T100000Z\r\nEND:VEVENT\r\n" },
        { "plain meetings",
            "BEGIN:VEVENT\r\nUID:#@example.org\r\nSUMMARY:Weekly sync\r\nLOCATION:Room 4\r\n"
            "DTSTART;TZID=Europe/Berlin:20200101T100000\r\nDTEND;TZID=Europe/Berlin:20200101T110000\r\n"
            "ORGANIZER;CN=Ann:mailto:ann@example.org\r\n"
            "ATTENDEE;CN=Bob;PARTSTAT=ACCEPTED:mailto:bob@example.org\r\nEND:VEVENT\r\n" },
        { "only starts", "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\nEND:VEVENT\r\n" },
        { "short lines",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("X:1\r\n").repeated(1000) + "END:VEVENT\r\n" },
        { "short named lines",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("X-A:1\r\n").repeated(1000)
                + "END:VEVENT\r\n" },
        { "short parameters",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("X-A;A=1;B=2;C=3;D=4;E=5:1\r\n").repeated(1000)
                + "END:VEVENT\r\n" },
        { "empty lines",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("\n").repeated(1000) + "END:VEVENT\r\n" },
        { "empty components",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("BEGIN:VALARM\r\nEND:VALARM\r\n").repeated(1000)
                + "END:VEVENT\r\n" },
        { "latin-1 short lines",
            "BEGIN:VEVENT\r\nDTSTART:20200101T100000Z\r\n" + QByteArray("X:\xe9\r\n").repeated(1000)
                + "END:VEVENT\r\n" },
    };

    bool ok = true;
    std::printf("| shape | text | lines | peak | peak / text | reckoned |\n|---|---|---|---|---|---|\n");
    for (const Shape& shape : shapes) {
        const QString path = work.filePath(QStringLiteral("shape.ics"));
        qint64 lines = 0;
        {
            const QByteArray text = calendarOf(shape.event, fileSize);
            lines = linesIn(text);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
                return 1;
        }
        const qint64 size = QFileInfo(path).size();
        const qint64 peak = peakOf([&path] {
            TimeZoneCache zones;
            TextPool texts;
            MemoryGate memory([] { return std::nullopt; });
            return ICalendarFile::read(path, zones, texts, memory, {}).file->events.size();
        });
        const qint64 reckoned = size * reckonedPerByte + lines * reckonedPerLine;
        std::printf("| %s | %.1f MiB | %lld | %.0f MiB | %.1f | %.0f MiB |\n", shape.name, size / 1048576.0,
            qlonglong(lines), peak / 1048576.0, double(peak) / size, reckoned / 1048576.0);
        std::fflush(stdout);
        if (peak < 0 || peak > reckoned) {
            std::fprintf(stderr, "bench_calendar_parse_cost: %s: %s\n", shape.name,
                peak < 0 ? "no events read, nothing measured" : "costs more than the store reckons");
            ok = false;
        }
        QFile::remove(path);
    }

    // Three files of 40 MiB in three calendars, against one: with memory for one parse and a half, the others wait
    // for it; with plenty free, large parses still take turns.
    const struct
    {
        const char* name;
        const Shape& shape;
        bool scarce;
    } readings[] = {
        { "long notes, memory for one parse and a half", shapes[0], true },
        { "only starts, plenty of memory", shapes[5], false },
    };
    for (const auto& reading : readings) {
        const QByteArray large = calendarOf(reading.shape.event, fileSize);
        const std::optional<qint64> budget
            = reading.scarce ? std::optional(ICalendarFile::memoryToRead(large) * 3 / 2) : std::nullopt;
        qint64 peaks[2] = {};
        for (int count : { 1, 3 }) {
            const QString root = work.filePath(QStringLiteral("calendars-%1").arg(count));
            for (int i = 0; i < count; ++i) {
                QDir().mkpath(root + QStringLiteral("/calendar-%1").arg(i));
                QFile file(root + QStringLiteral("/calendar-%1/export.ics").arg(i));
                if (!file.open(QIODevice::WriteOnly) || file.write(large) != large.size())
                    return 1;
            }
            peaks[count == 3] = peakOf([&root, budget] {
                TimeZoneCache zones;
                QThreadPool pool;
                MemoryGate memory([budget] { return budget; });
                return eventsOf(*CalendarIndex::read(root, {}, zones, pool, memory));
            });
            QDir(root).removeRecursively();
        }
        if (peaks[0] <= 0 || peaks[1] <= 0) {
            std::fprintf(stderr, "bench_calendar_parse_cost: %s: a folder of large files read no events\n",
                reading.name);
            ok = false;
            continue;
        }
        std::printf("three large files (%s): one %.0f MiB, three %.0f MiB, three against one: %.2f (aim: at most "
                    "1.5)\n",
            reading.name, peaks[0] / 1048576.0, peaks[1] / 1048576.0, double(peaks[1]) / peaks[0]);
        std::fflush(stdout);
        ok = ok && peaks[1] <= peaks[0] * 3 / 2;
    }
    return ok ? 0 : 1;
}

// How long the calendar store takes to go while it reads large files, at several points of the read: what
// quitting, a logout or a restart of the session waits for. Writes the given number (6 by default) of calendars
// of plain events of the given size (MiB, 31 by default) beside a small one into a folder of its own, times one
// whole read, and prints one line per point of the read, given as a share of that time. The store is set up and
// asked as the program does, and Quit may be asked just as the first answer begins: the time counts the answer
// too. Fails when that takes a second or more.
#include "platform/calendar/ICalendarStore.h"
#include "platform/time/Date.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

bool writeCalendar(const QString& path, qint64 bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n");
    for (qint64 i = 0; file.size() < bytes; ++i) {
        file.write("BEGIN:VEVENT\r\nUID:filler-" + QByteArray::number(i) + "\r\nSUMMARY:Filler " + QByteArray::number(i)
            + "\r\nDTSTART:20260301T100000Z\r\nDURATION:PT30M\r\n"
            + "DESCRIPTION:Room for the notes of a meeting that fill a line\r\nEND:VEVENT\r\n");
    }
    file.write("END:VCALENDAR\r\n");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 31;
    const int count = argc > 2 ? QByteArray(argv[2]).toInt() : 6;
    QTemporaryDir folder;
    const QString root = folder.filePath(QStringLiteral("calendars"));
    for (int i = 0; i < count; ++i) {
        if (!writeCalendar(root + QStringLiteral("/big/big-%1.ics").arg(i), mebibytes * 1024 * 1024))
            return 1;
    }
    if (!writeCalendar(root + QStringLiteral("/cal/small.ics"), 1024))
        return 1;

    QElapsedTimer whole;
    whole.start();
    {
        platform::ICalendarStore store(root, folder.filePath(QStringLiteral("access")));
        while (!store.isFirstReadComplete())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const qint64 readMs = whole.elapsed();
    std::printf("%d x %lld MiB: the whole read takes %lld ms\n", count, mebibytes, readMs);
    double longest = 0;
    for (const int percent : { 0, 5, 25, 50, 75, 90, 98 }) {
        auto store = std::make_unique<platform::ICalendarStore>(root, folder.filePath(QStringLiteral("access")));
        store->setFirstAnswerWait(std::chrono::milliseconds(0));
        QThread::msleep(readMs * percent / 100);
        QElapsedTimer going;
        going.start();
        const platform::Date now = platform::Date::fromDateTime(QDateTime::currentDateTimeUtc());
        store->events(now, now.addingSeconds(86400), {});
        store.reset();
        const double ms = going.nsecsElapsed() / 1e6;
        longest = std::max(longest, ms);
        std::printf("asked and gone %d %% into the read: %.1f ms\n", percent, ms);
        std::fflush(stdout);
    }
    if (longest >= 1000) {
        std::fprintf(stderr, "bench_calendar_quit: the store took %.0f ms to go (aim: under 1 s)\n", longest);
        return 1;
    }
    return 0;
}

// Measures what reading a device file of the shared folder costs in memory at its peak, its meeting records decoded
// as the sync service decodes them, against what the store reckons before it reads one (and holds in the memory
// gate): our own file of 37 MB, another machine's of 31 MB (just under what is read of a peer), and our own read and
// then written back once, against that and the file's text; and our own deduplicated with the same meetings as the
// first refresh finds them in the calendars, against that and the file's size again; and at a start, our own file and
// the local copy of it that the store keeps outside the folder, the same text, against the store's reckoning, and a
// file that a stalled folder left behind its local copy, which the store writes back, against that and its size. Each
// reading runs in a process of its own, so that one peak never hides in another. Fails when a reading costs more than
// reckoned, or finds no records (it measured nothing).
#include "bench/support/ProcessStatus.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/time/TestClock.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/model/CloudSyncService.h"
#include "tolvar/model/RecordJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvar;
using platform::Date;

namespace {

const Date now = Date::fromSecondsSince1970(1'790'000'000);

// Meetings of one machine's calendars as its refresh records them: each its own event, a minute apart.
QByteArray recordsOf(int count)
{
    QList<MeetingSnapshot> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        MeetingSnapshot snapshot;
        snapshot.title = QStringLiteral("Meeting %1").arg(i);
        snapshot.startDate = now.addingSeconds(3600 + 60.0 * i);
        snapshot.endDate = snapshot.startDate.addingSeconds(1800);
        snapshot.eventExternalIdentifier = QStringLiteral("event-%1").arg(i);
        snapshot.calendarItemIdentifier = QStringLiteral("work/team/events.ics#event-%1").arg(i);
        snapshot.calendarExternalIdentifier = QStringLiteral("work/team");
        snapshot.calendarTitle = QStringLiteral("team");
        snapshot.calendarSourceTitle = QStringLiteral("work");
        snapshot.joinURL = QUrl(QStringLiteral("https://meet.example.com/event-%1").arg(i));
        snapshot.sourceDeviceID = QStringLiteral("6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
        snapshot.lastSeenAt = now;
        snapshot.attendees = { { QStringLiteral("mailto:a%1@example.com").arg(i % 50), QStringLiteral("Person A"),
            AttendeeRSVPStatus::accepted, false, QStringLiteral("a%1@example.com").arg(i % 50) } };
        snapshot.id = MeetingSnapshot::makeStableID(
            snapshot.title, snapshot.startDate, snapshot.endDate, snapshot.joinURL, snapshot.eventExternalIdentifier);
        records.append(snapshot);
    }
    return encodeRecordArray(records);
}

// A device's whole file as its store writes it, the records making about `size` bytes, written `ago` seconds before
// now.
QByteArray deviceFile(const char* device, qint64 size, double ago = 0)
{
    const auto entry = [&](const QByteArray& value) {
        return nlohmann::json { { "value", value.toBase64().toStdString() },
            { "time", now.secondsSinceReferenceDate() - ago }, { "device", device } };
    };
    constexpr int sample = 1000;
    const qint64 perRecord = recordsOf(sample).toBase64().size() / sample;
    const nlohmann::json file = {
        { CloudKey::meetingSnapshots, entry(recordsOf(int(size / perRecord))) },
        { CloudKey::reminderStates, entry("[]") },
        { CloudKey::calendarRules, entry("[]") },
    };
    return QByteArray::fromStdString(file.dump(1, '\t') + '\n');
}

struct Reading
{
    const char* name;
    const char* file;
    qint64 size;
    bool writtenBack;
    bool deduped;
    // The local copy, when it is kept: none, the file's own text, or later records, of a run whose folder stalled.
    enum class LocalCopy { none, same, later } localCopy;
};

struct Peak
{
    qint64 bytes = -1;
    qsizetype records = 0;
};

QString localCopyOf(const QString& folder)
{
    return folder + QStringLiteral("-own-values.json");
}

// The peak resident memory that reading the folder adds in a child process, with the records it decoded.
Peak peakOf(const QString& folder, const Reading& reading)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        int argc = 1;
        char name[] = "bench_device_file_read";
        char* argv[] = { name, nullptr };
        QCoreApplication app(argc, argv);
        platform::TestClock clock(now);
        platform::TestCloudAccount account;
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
            _exit(1);
        clear.close();
        const qint64 before = statusKilobytes("VmRSS");
        Peak peak;
        {
            platform::FolderKeyValueStore store(folder, QStringLiteral("desk"), clock,
                reading.localCopy != Reading::LocalCopy::none ? localCopyOf(folder) : QString());
            CloudSyncService service(store, account, clock);
            while (!store.hasReadOwnValues() || !store.hasReadPeerFiles())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const QString key = QLatin1String(CloudKey::meetingSnapshots);
            for (const QVariant& records : store.everyDecodedData(key))
                peak.records += records.value<QList<MeetingSnapshot>>().size();
            if (reading.deduped) {
                const QList<MeetingSnapshot> ours = store.decodedData(key).value<QList<MeetingSnapshot>>();
                peak.records = AppModel::dedupeMeetings(ours, ours, now, {})->size();
            }
            if (reading.writtenBack) {
                // Behind its local copy, our file is written back by the store itself.
                if (reading.localCopy != Reading::LocalCopy::later) {
                    clock.advance(1);
                    store.setDecodedData(*store.data(key), store.decodedData(key), key);
                }
                if (!store.flush())
                    _exit(1);
            }
            peak.bytes = (statusKilobytes("VmHWM") - before) * 1024;
        }
        const bool written = write(pipeEnds[1], &peak, sizeof peak) == sizeof peak;
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    Peak peak;
    if (child < 0 || read(pipeEnds[0], &peak, sizeof peak) != sizeof peak)
        peak = {};
    close(pipeEnds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return peak;
}

} // namespace

int main()
{
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    const Reading readings[] = {
        { "our own file", "desk.json", 37'000'000, false, false, Reading::LocalCopy::none },
        { "another machine's file", "laptop.json", 31'000'000, false, false, Reading::LocalCopy::none },
        { "our own file, written back", "desk.json", 37'000'000, true, false, Reading::LocalCopy::none },
        { "our own file, deduplicated", "desk.json", 37'000'000, false, true, Reading::LocalCopy::none },
        { "our own file and its local copy", "desk.json", 37'000'000, false, false, Reading::LocalCopy::same },
        { "our own file behind its local copy, written back", "desk.json", 37'000'000, true, false,
            Reading::LocalCopy::later },
    };
    bool ok = true;
    std::printf("| file | size | records | peak above idle | peak / size | reckoned |\n|---|---|---|---|---|---|\n");
    for (const Reading& reading : readings) {
        const QString folder = work.filePath(QStringLiteral("cloud"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        qint64 size = 0;
        {
            const bool behind = reading.localCopy == Reading::LocalCopy::later;
            const QByteArray bytes = deviceFile(
                reading.file == QLatin1String("desk.json") ? "desk" : "laptop", reading.size, behind ? 60 : 0);
            QFile file(folder + u'/' + QLatin1String(reading.file));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 1;
            size = bytes.size();
            const QByteArray copied = behind ? deviceFile("desk", reading.size - 1'000'000) : bytes;
            QFile copy(localCopyOf(folder));
            if (reading.localCopy != Reading::LocalCopy::none
                && (!copy.open(QIODevice::WriteOnly) || copy.write(copied) != copied.size()))
                return 1;
        }
        // What the file was made with goes back, so that the reading's process starts with none of it.
        malloc_trim(0);
        const Peak peak = peakOf(folder, reading);
        const qint64 reckoned
            = platform::FolderKeyValueStore::memoryToRead(size) + (reading.writtenBack || reading.deduped ? size : 0);
        std::printf("| %s | %.1f MiB | %lld | %.0f MiB | %.2f | %.0f MiB |\n", reading.name, size / 1048576.0,
            qlonglong(peak.records), peak.bytes / 1048576.0, double(peak.bytes) / size, reckoned / 1048576.0);
        std::fflush(stdout);
        if (peak.bytes < 0 || peak.records == 0 || peak.bytes > reckoned) {
            std::fprintf(stderr, "bench_device_file_read: %s: %s\n", reading.name,
                peak.records == 0 ? "no records read, nothing measured" : "costs more than the store reckons");
            ok = false;
        }
    }
    return ok ? 0 : 1;
}

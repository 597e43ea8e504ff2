// Start, answer and quit through the real stores, the real model and the real scheduler on the set clock, while
// the calendars and the other machines' files are read in every order that matters.
#include "AppModelHarness.h"

#include "platform/activity/MemoryProcessActivity.h"
#include "platform/calendar/ICalendarStore.h"
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "tolvar/model/RecordJson.h"
#include "tolvar/reminders/ReminderScheduler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>

using namespace appmodeltest;
using namespace tolvar;

namespace {

enum class CalendarRead { fast, slowFirstRead, slowRereadOfARenamedFile, fileSkippedForMemory };
enum class PeerFiles { none, small, largeBeingRead };
enum class Event { start, answer, quit };

// Far above what any wait here needs, on the busiest machine.
constexpr int longestWaitMs = 60'000;

template <typename Condition> bool pumpUntil(Condition done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < longestWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.commit());
}

// One event with a join link, begun a minute before the test's start (9:00 UTC) and lasting half an hour.
QByteArray meetingFile(const QString& uid, const QString& title)
{
    return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                          "SUMMARY:%2\r\nDTSTART:20260305T085900Z\r\nDURATION:PT30M\r\nURL:https://zoom.us/j/42\r\n"
                          "END:VEVENT\r\nEND:VCALENDAR\r\n")
        .arg(uid, title)
        .toUtf8();
}

QString meetingID(const QString& uid, const QString& title)
{
    const platform::Date start = berlin(2026, 3, 5, 9, 59);
    return MeetingSnapshot::makeStableID(title, start, start.addingSeconds(1800), QUrl("https://zoom.us/j/42"), uid);
}

// What a device file holds under `key`, as the folder store writes it.
template <typename Record> QList<Record> recordsIn(const QString& deviceFile, const char* key)
{
    QFile file(deviceFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject entry = QJsonDocument::fromJson(file.readAll()).object().value(key).toObject();
    return decodeRecordArray<Record>(QByteArray::fromBase64(entry.value("value").toString().toLatin1()))
        .value_or(QList<Record>());
}

// Sorted and joined, to read in a failure.
std::string sorted(QStringList list)
{
    list.sort();
    return list.join(", ").toStdString();
}

// The calendar read the test holds: the first, or the read after the files changed, which first offers the files
// read so far (the changed file without the renamed one), as a read of a large file does.
struct CalendarGate
{
    CalendarRead kind = CalendarRead::fast;
    QString partialRoot;
    QSemaphore letGo;
    std::atomic<int> reads = 0;
    std::atomic<bool> holding = false;

    std::shared_ptr<platform::CalendarIndex> read(const QString& root, const platform::ICalendarFiles& previous,
        platform::TimeZoneCache& zones, const platform::CalendarFolder::Entering& entering,
        const platform::CalendarIndex::Published& published, const std::atomic<bool>* abandoned)
    {
        const int read = reads++;
        const bool held = (read == 0 && kind == CalendarRead::slowFirstRead)
            || (read == 1 && kind != CalendarRead::fast && kind != CalendarRead::slowFirstRead);
        if (held) {
            if (read == 1)
                published(platform::CalendarIndex::read(partialRoot, {}, zones));
            holding = true;
            letGo.tryAcquire(1, longestWaitMs);
            holding = false;
        }
        return platform::CalendarIndex::read(root, previous, zones, entering, published, abandoned);
    }
    void release()
    {
        if (holding)
            letGo.release();
    }
};

struct Row
{
    CalendarRead calendars;
    PeerFiles peers;
    Event event;
};

std::string nameOf(const Row& row)
{
    static const char* calendars[]
        = { "fast read", "slow first read", "slow re-read of a renamed file", "a file skipped for memory" };
    static const char* peers[] = { "no peer files", "a small peer file", "a large peer file being read" };
    static const char* events[] = { "start", "answer", "quit" };
    return std::string(calendars[int(row.calendars)]) + ", " + peers[int(row.peers)] + ", " + events[int(row.event)];
}

} // namespace

class AnswersHoldTest : public AppModelTest
{
protected:
    void run(const Row& row);
};

TEST_F(AnswersHoldTest, NoAnsweredMeetingIsRemindedAndEveryAnswerIsWrittenAtOnce)
{
    for (CalendarRead calendars : { CalendarRead::fast, CalendarRead::slowFirstRead,
             CalendarRead::slowRereadOfARenamedFile, CalendarRead::fileSkippedForMemory })
        for (PeerFiles peers : { PeerFiles::none, PeerFiles::small, PeerFiles::largeBeingRead })
            for (Event event : { Event::start, Event::answer, Event::quit }) {
                const Row row { calendars, peers, event };
                SCOPED_TRACE(nameOf(row));
                run(row);
            }
}

void AnswersHoldTest::run(const Row& row)
{
    clock.setNow(berlin(2026, 3, 5, 10));
    QTemporaryDir root;
    const QString calendarRoot = root.filePath("calendars");
    writeFile(calendarRoot + "/work/standup.ics", meetingFile("standup-uid", "Standup"));
    writeFile(calendarRoot + "/work/review.ics", meetingFile("review-uid", "Review"));
    const QString cloud = root.filePath("cloud");
    platform::FolderCloudAccount::createFolderIfMissing(cloud);
    const QString ourFile = cloud + "/laptop.json";

    // Another machine dismissed the review; a large file holds many more records beside.
    const platform::Date now = clock.now();
    const auto writePeerFile = [&](double writtenAt) {
        ReminderState dismissed;
        dismissed.stableMeetingID = meetingID("review-uid", "Review");
        dismissed.dismissedAt = now.addingSeconds(-120);
        dismissed.updatedAt = *dismissed.dismissedAt;
        dismissed.firedForStartDate = berlin(2026, 3, 5, 9, 59);
        QList<ReminderState> states { dismissed };
        for (int i = 0; row.peers == PeerFiles::largeBeingRead && i < 20'000; ++i) {
            ReminderState other = dismissed;
            other.stableMeetingID = QStringLiteral("elsewhere-%1").arg(i);
            states.append(other);
        }
        writeFile(cloud + "/desk.json",
            QByteArray::fromStdString(nlohmann::json {
                { CloudKey::reminderStates,
                    { { "value", encodeRecordArray(states).toBase64().toStdString() },
                        { "time", now.secondsSinceReferenceDate() + writtenAt }, { "device", "desk" } } } }
                                          .dump()));
    };
    if (row.peers != PeerFiles::none)
        writePeerFile(-60);
    const bool answeredElsewhere = row.peers != PeerFiles::none;

    CalendarGate gate;
    gate.kind = row.calendars;
    gate.partialRoot = root.filePath("partial");
    // What the re-read has read first: the review changed, the standup's renamed file not yet read.
    writeFile(gate.partialRoot + "/work/review.ics", meetingFile("review-uid", "Review"));
    auto calendars = std::make_unique<platform::ICalendarStore>(calendarRoot, root.filePath("access"), nullptr,
        [&gate](auto&&... arguments) { return gate.read(arguments...); });
    QCoro::waitFor(calendars->requestFullAccess(platform::EntityType::event));
    auto cloudStore = std::make_unique<platform::FolderKeyValueStore>(cloud, "laptop", clock);
    const platform::FolderCloudAccount cloudAccount { cloud };
    Machine laptop(clock, defaults, *cloudStore, cloudAccount);
    laptop.realEventStore = calendars.get();
    defaults.setString(SettingsKey::deviceID, "laptop");
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    platform::MemoryProcessActivity activity;
    laptop.makeScheduler = [&](AppModel& app) {
        return std::make_unique<ReminderScheduler>(app, app.overlayController(), clock, activity);
    };
    auto app = laptop.makeModel();

    // The read of the large peer file is held where it decodes, off the main thread, until the test lets it go.
    std::atomic<bool> holdPeers = row.peers == PeerFiles::largeBeingRead;
    const Qt::HANDLE mainThread = QThread::currentThreadId();
    cloudStore->setDecoder(CloudKey::reminderStates, [&holdPeers, mainThread](const QByteArray& data) -> QVariant {
        QElapsedTimer held;
        held.start();
        while (QThread::currentThreadId() != mainThread && holdPeers && held.elapsed() < longestWaitMs)
            QThread::msleep(1);
        const auto states = decodeRecordArray<ReminderState>(data);
        return states ? QVariant::fromValue(*states) : QVariant();
    });
    const auto titles = [&] {
        QStringList listed;
        for (const MeetingSnapshot& meeting : app->meetings())
            listed.append(meeting.title);
        return sorted(listed);
    };
    const auto remindedOf = [&] {
        QStringList reminded;
        for (const QList<MeetingSnapshot>& shown : laptop.overlay.history)
            for (const MeetingSnapshot& meeting : shown)
                reminded.append(meeting.title);
        reminded.removeDuplicates();
        return sorted(reminded);
    };
    const std::string both = "Review, Standup";
    const std::string remindable = answeredElsewhere ? "Standup" : both;

    // Start: the meetings are listed once the calendars are read, the held peer file or not.
    settle();
    gate.release();
    ASSERT_TRUE(pumpUntil([&] {
        clock.advance(0.25);
        return titles() == both;
    }));
    // Listed: the peer file comes a second later, and an unanswered meeting within two seconds whatever it does.
    const platform::Date listedAt = clock.now();
    clock.advance(1);
    holdPeers = false;
    ASSERT_TRUE(pumpUntil([&] { return app->hasPeerReminderStates(); }));
    clock.advance(listedAt.addingSeconds(2).secondsSince(clock.now()));
    EXPECT_EQ(remindedOf(), remindable) << "no answered meeting is reminded; an unanswered one within 2 s";

    // A re-read that is not whole: nothing of the last complete read leaves the list or the shared records.
    if (row.calendars == CalendarRead::slowRereadOfARenamedFile
        || row.calendars == CalendarRead::fileSkippedForMemory) {
        ASSERT_TRUE(QFile::rename(calendarRoot + "/work/standup.ics", calendarRoot + "/work/standup-moved.ics"));
        writeFile(calendarRoot + "/work/review.ics", meetingFile("review-uid", "Review") + "\r\n");
        calendars->reset();
        ASSERT_TRUE(pumpUntil([&] { return gate.holding && !calendars->isReadComplete(); }));
        clock.advance(1);
        ASSERT_TRUE(pumpUntil([&] { return app->lastRefreshAt() == clock.now(); }));
        EXPECT_EQ(titles(), both);
        QStringList shared;
        for (const MeetingSnapshot& record : recordsIn<MeetingSnapshot>(ourFile, CloudKey::meetingSnapshots))
            shared.append(record.sourceDeviceID + ':' + record.title);
        EXPECT_EQ(sorted(shared), "laptop:Review, laptop:Standup");
    }
    if (row.event == Event::start) {
        gate.release();
        app.reset();
        return;
    }

    // Answer while the reads are held: the other machine has written again, and its file is being read.
    if (row.peers == PeerFiles::largeBeingRead) {
        holdPeers = true;
        writePeerFile(1);
        cloudStore->synchronize();
    }
    const auto found = std::find_if(app->meetings().cbegin(), app->meetings().cend(),
        [](const MeetingSnapshot& meeting) { return meeting.title == "Standup"; });
    ASSERT_NE(found, app->meetings().cend());
    const MeetingSnapshot standup = *found;
    app->dismissReminder(standup);
    const auto answerWritten = [&] {
        for (const ReminderState& state : recordsIn<ReminderState>(ourFile, CloudKey::reminderStates))
            if (state.stableMeetingID == standup.id && state.dismissedAt)
                return true;
        return false;
    };
    if (row.event == Event::quit) {
        // The push starts, and no event loop runs again.
        QCoreApplication::sendPostedEvents(app.get(), QEvent::MetaCall);
        holdPeers = false;
        gate.release();
        app.reset();
        cloudStore.reset();
        calendars.reset();
        EXPECT_TRUE(answerWritten()) << "the answer survives Quit";
        return;
    }
    clock.advance(1);
    EXPECT_TRUE(pumpUntil(answerWritten)) << "the answer is in our device file within 1 s";
    EXPECT_TRUE(row.peers != PeerFiles::largeBeingRead || cloudStore->isReadingPeerFiles())
        << "without waiting for the peer file's read";
    holdPeers = false;
    gate.release();
    ASSERT_TRUE(pumpUntil([&] { return !cloudStore->isReadingPeerFiles() && calendars->isReadComplete(); }));
    EXPECT_TRUE(app->isReminderSuppressed(standup));
    app.reset();
}

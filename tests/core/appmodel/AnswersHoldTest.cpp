// Start, answer and quit through the real stores, the real model and the real scheduler on the set clock, while
// the calendars and the other machines' files are read in every order that matters. Reads are held where the
// stores really wait: a calendar file's parse at the memory gate, a peer file's read in its decode.
#include "AppModelHarness.h"
#include "calendar/CalendarTestFiles.h"
#include "cloud/ReadHold.h"

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

// How long the model waits for more calendar changes before it reads them.
constexpr double calendarChangeDebounce = 0.5;

// Far above what any wait here needs, on the busiest machine, and below ReadHold's own bound.
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

struct Meeting
{
    QString uid;
    QString title;
    platform::Date start;

    // Three hours long, so that the set clock, moved on while the test waits, stays inside it.
    platform::Date end() const { return start.addingSeconds(3 * 3600); }
    QString id() const { return MeetingSnapshot::makeStableID(title, start, end(), QUrl("https://zoom.us/j/42"), uid); }

    // A file of this one event; `padding` makes its parse cost more than a MemoryHold leaves.
    QByteArray file(qsizetype padding = 0) const
    {
        return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                              "SUMMARY:%2\r\nDTSTART:%3\r\nDURATION:PT3H\r\nURL:https://zoom.us/j/42\r\n"
                              "DESCRIPTION:%4\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
            .arg(uid, title, start.toDateTime().toUTC().toString("yyyyMMdd'T'HHmmss'Z'"), QString(padding, 'x'))
            .toUtf8();
    }
};

// Begun a minute before the test's start (10:00 in Berlin), but for the planning, which is far off.
const Meeting standup { "standup-uid", "Standup", berlin(2026, 3, 5, 9, 59) };
const Meeting review { "review-uid", "Review", berlin(2026, 3, 5, 9, 59) };
const Meeting planning { "planning-uid", "Planning", berlin(2026, 3, 5, 15) };
// Parsing the standup costs more than a MemoryHold leaves: it is the file held or skipped.
constexpr qsizetype largeFilePadding = 20'000;

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
    list.removeDuplicates();
    return list.join(", ").toStdString();
}

struct Row
{
    CalendarRead calendars;
    PeerFiles peers;
    Event event;
    // The review was dismissed here in the last run, kept in the local copy, and our own file's read is held at the
    // start.
    bool answeredHereBefore = false;
    // The first start of a version that keeps a local copy: none yet, and nothing answered here.
    bool withoutLocalCopy = false;
};

std::string nameOf(const Row& row)
{
    static const char* calendars[]
        = { "fast read", "slow first read", "slow re-read of a renamed file", "a file skipped for memory" };
    static const char* peers[] = { "no peer files", "a small peer file", "a large peer file being read" };
    static const char* events[] = { "start", "answer", "quit" };
    return std::string(calendars[int(row.calendars)]) + ", " + peers[int(row.peers)] + ", " + events[int(row.event)]
        + (row.answeredHereBefore ? ", answered here before, our file being read" : "")
        + (row.withoutLocalCopy ? ", without a local copy" : "");
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
    for (Event event : { Event::start, Event::answer })
        for (bool withoutLocalCopy : { false, true }) {
            const Row row { CalendarRead::fast, PeerFiles::none, event, true, withoutLocalCopy };
            SCOPED_TRACE(nameOf(row));
            run(row);
        }
}

void AnswersHoldTest::run(const Row& row)
{
    clock.setNow(berlin(2026, 3, 5, 10));
    QTemporaryDir root;
    const QString calendarRoot = root.filePath("calendars");
    writeFile(calendarRoot + "/work/standup.ics", standup.file(largeFilePadding));
    writeFile(calendarRoot + "/work/review.ics", review.file());
    const QString cloud = root.filePath("cloud");
    platform::FolderCloudAccount::createFolderIfMissing(cloud);
    const QString ourFile = cloud + "/laptop.json";

    // A machine dismissed `dismissed`; a large file holds many more records beside.
    const auto writePeerFile = [&](QList<Meeting> dismissed, platform::Date writtenAt, const char* device = "desk") {
        QList<ReminderState> states;
        for (const Meeting& meeting : dismissed) {
            ReminderState state;
            state.stableMeetingID = meeting.id();
            state.dismissedAt = writtenAt;
            state.updatedAt = writtenAt;
            state.firedForStartDate = meeting.start;
            states.append(state);
        }
        for (int i = 0; row.peers == PeerFiles::largeBeingRead && i < 5'000; ++i) {
            ReminderState other = states.first();
            other.stableMeetingID = QStringLiteral("elsewhere-%1").arg(i);
            states.append(other);
        }
        writeFile(cloud + '/' + device + ".json",
            QByteArray::fromStdString(
                nlohmann::json { { CloudKey::reminderStates,
                                     { { "value", encodeRecordArray(states).toBase64().toStdString() },
                                         { "time", writtenAt.secondsSinceReferenceDate() }, { "device", device } } } }
                    .dump()));
    };
    if (row.peers != PeerFiles::none)
        writePeerFile({ review }, clock.now().addingSeconds(-120));
    const QString localCopy = root.filePath("own-values.json");
    if (row.withoutLocalCopy) {
        writePeerFile({}, clock.now().addingSeconds(-120), "laptop");
    } else if (row.answeredHereBefore) {
        writePeerFile({ review }, clock.now().addingSeconds(-120), "laptop");
        ASSERT_TRUE(QFile::rename(ourFile, localCopy));
        // An earlier write: the last one did not reach the folder.
        writePeerFile({ review }, clock.now().addingSeconds(-180), "laptop");
    }
    if (row.answeredHereBefore) {
        // The rules of a still earlier run, which a local copy lacks, are what our file's read decodes, and is held in.
        QFile folderFile(ourFile);
        ASSERT_TRUE(folderFile.open(QIODevice::ReadWrite));
        nlohmann::json written = nlohmann::json::parse(folderFile.readAll().toStdString());
        written[CloudKey::calendarRules] = { { "value", QByteArray("[]").toBase64().toStdString() },
            { "time", clock.now().addingSeconds(-240).secondsSinceReferenceDate() }, { "device", "laptop" } };
        folderFile.resize(0);
        folderFile.write(QByteArray::fromStdString(written.dump()));
    }
    const bool answeredElsewhere = row.peers != PeerFiles::none || (row.answeredHereBefore && !row.withoutLocalCopy);

    // The memory the calendar store may take, which the test lowers so that the standup cannot be read.
    std::atomic<qint64> memoryLeft = MemoryHold::budget;
    MemoryHold calendarHold;
    if (row.calendars == CalendarRead::slowFirstRead)
        calendarHold.hold();
    auto calendars = std::make_unique<platform::ICalendarStore>(calendarRoot, root.filePath("access"), nullptr,
        calendarHold.reader(),
        platform::CalendarMemory {
            [&memoryLeft] { return std::optional<qint64>(memoryLeft); }, std::chrono::milliseconds(50) });
    // As the program sets it up: no answer waits for the first read, which the model hears of when it lands.
    calendars->setFirstAnswerWait(std::chrono::milliseconds(0));
    QCoro::waitFor(calendars->requestFullAccess(platform::EntityType::event));
    auto cloudStore = std::make_unique<platform::FolderKeyValueStore>(
        cloud, "laptop", clock, row.answeredHereBefore && !row.withoutLocalCopy ? localCopy : QString());
    const platform::FolderCloudAccount cloudAccount { cloud, clock };
    Machine laptop(clock, defaults, *cloudStore, cloudAccount);
    laptop.realEventStore = calendars.get();
    defaults.setString(SettingsKey::deviceID, "laptop");
    defaults.setStringArray(SettingsKey::selectedCalendarIDs, { "work" });
    platform::MemoryProcessActivity activity;
    laptop.makeScheduler = [&](AppModel& app) {
        return std::make_unique<ReminderScheduler>(app, app.overlayController(), clock, activity);
    };
    auto app = laptop.makeModel();

    // The large peer file's first read, and its read after the other machine writes again, are held where they
    // decode, on the store's reader thread; the service's decoding follows.
    ReadHold peerReads[2];
    std::atomic<int> peerDecodes = 0;
    ReadHold ownRead;
    if (row.answeredHereBefore)
        cloudStore->setDecoder(CloudKey::calendarRules, ownRead.decoder());
    if (row.peers == PeerFiles::largeBeingRead)
        cloudStore->setDecoder(
            CloudKey::reminderStates, [&](const QByteArray& data, const std::function<bool()>& stopped) -> QVariant {
                if (QThread::currentThread() != QCoreApplication::instance()->thread() && peerDecodes < 2)
                    peerReads[peerDecodes++].decoder()(data, stopped);
                const auto states = decodeRecordArray<ReminderState>(data);
                return states ? QVariant::fromValue(*states) : QVariant();
            });
    const auto titles = [&] {
        QStringList listed;
        for (const MeetingSnapshot& meeting : app->meetings())
            listed.append(meeting.title);
        return sorted(listed);
    };
    const auto shared = [&] {
        QStringList records;
        for (const MeetingSnapshot& record : recordsIn<MeetingSnapshot>(ourFile, CloudKey::meetingSnapshots))
            records.append(record.sourceDeviceID + ':' + record.title);
        return sorted(records);
    };
    const auto remindedOf = [&] {
        QStringList reminded;
        for (const QList<MeetingSnapshot>& shown : laptop.overlay.history)
            for (const MeetingSnapshot& meeting : shown)
                reminded.append(meeting.title);
        return sorted(reminded);
    };
    const auto stateIn = [&](const Meeting& meeting) {
        const QList<ReminderState> states = recordsIn<ReminderState>(ourFile, CloudKey::reminderStates);
        return std::any_of(states.cbegin(), states.cend(),
            [&](const ReminderState& state) { return state.stableMeetingID == meeting.id() && state.dismissedAt; });
    };
    const std::string both = "Review, Standup";
    const std::string remindable = answeredElsewhere ? "Standup" : both;

    // Start: a held first calendar read holds no peer read back. Our own file's read held past every reminder's wait
    // for the other machines holds nothing back: the local copy has our answers.
    settle();
    if (row.answeredHereBefore) {
        ASSERT_TRUE(pumpUntil([&] { return ownRead.isHeld(); }));
        ASSERT_TRUE(pumpUntil([&] { return calendars->isFirstReadComplete(); }));
        for (int second = 0; second < 5; ++second) {
            clock.advance(1);
            settle();
        }
        EXPECT_EQ(titles(), both);
        // Without the local copy, a due meeting waits for our answers no longer than for the other machines'.
        EXPECT_EQ(remindedOf(), remindable);
        ownRead.release();
    }
    if (row.peers == PeerFiles::largeBeingRead) {
        ASSERT_TRUE(pumpUntil([&] { return peerReads[0].isHeld(); }));
    }
    if (row.calendars == CalendarRead::slowFirstRead) {
        if (row.peers != PeerFiles::largeBeingRead) {
            EXPECT_TRUE(pumpUntil([&] { return cloudStore->hasReadPeerFiles(); })) << "the peers are read meanwhile";
        }
        EXPECT_FALSE(calendars->isFirstReadComplete());
        calendarHold.letGo();
    }
    // The meetings are listed once the calendars are read and the model's wait for more changes is over, the held
    // peer file or not.
    ASSERT_TRUE(pumpUntil([&] { return calendars->isFirstReadComplete(); }));
    clock.advance(calendarChangeDebounce);
    // Listed by an exchange with the shared store, not only held there while an earlier exchange is still pending.
    ASSERT_TRUE(pumpUntil([&] {
        return titles() == both
            && (row.peers == PeerFiles::largeBeingRead || app->syncState() == AppModel::SyncState::synced);
    }));
    // Listed: the peer file comes a second later, and an unanswered meeting within two seconds whatever it does.
    const platform::Date listedAt = clock.now();
    clock.advance(1);
    peerReads[0].release();
    ASSERT_TRUE(pumpUntil([&] { return app->hasPeerReminderStates(); }));
    clock.advance(listedAt.addingSeconds(2).secondsSince(clock.now()));
    EXPECT_EQ(remindedOf(), remindable) << "no answered meeting is reminded; an unanswered one within 2 s";

    // A re-read that is not whole: the standup's renamed file held at the memory gate, or its changed file too
    // large for the memory left. A new file comes in the same burst, and is listed and shared meanwhile; nothing
    // of the last complete read leaves the list or our records, at any moment.
    const bool rereads = row.calendars == CalendarRead::slowRereadOfARenamedFile
        || row.calendars == CalendarRead::fileSkippedForMemory;
    if (rereads) {
        // Our records are written on the store's own thread: the last complete read is shared before it is read again.
        ASSERT_TRUE(pumpUntil([&] { return shared().find("laptop:Review, laptop:Standup") != std::string::npos; }));
        if (row.calendars == CalendarRead::slowRereadOfARenamedFile) {
            calendarHold.hold();
            ASSERT_TRUE(QFile::rename(calendarRoot + "/work/standup.ics", calendarRoot + "/work/standup-moved.ics"));
        } else {
            memoryLeft = MemoryHold::left;
            writeFile(calendarRoot + "/work/standup.ics", standup.file(largeFilePadding + 1));
            calendars->reset();
            ASSERT_TRUE(pumpUntil([&] { return !calendars->filesLeftUnread().isEmpty(); })) << "the standup is skipped";
        }
        writeFile(calendarRoot + "/work/planning.ics", planning.file());
        calendars->reset();
        std::string lastReadLeft;
        ASSERT_TRUE(pumpUntil([&] {
            // Each change the store announces is read after the model's wait.
            clock.advance(calendarChangeDebounce);
            const std::string listed = titles();
            const std::string records = shared();
            // The store's own answer, which the model's records could otherwise stand in for.
            const std::string read = sorted(titlesOf(calendars->events(
                clock.now(), clock.now().addingSeconds(86400), calendars->calendars(platform::EntityType::event))));
            if (lastReadLeft.empty()
                && (listed.find(both) == std::string::npos || read.find(both) == std::string::npos
                    || records.find("laptop:Review, laptop:Standup") == std::string::npos))
                lastReadLeft = "listed: " + listed + "; read: " + read + "; shared: " + records;
            return listed == "Planning, " + both && records.find("laptop:Planning") != std::string::npos;
        }));
        EXPECT_EQ(lastReadLeft, "") << "a meeting of the last complete read left the list or our records";
        EXPECT_EQ(shared(), "laptop:Planning, laptop:Review, laptop:Standup");
        if (row.calendars == CalendarRead::slowRereadOfARenamedFile) {
            EXPECT_FALSE(calendars->isReadComplete());
        } else {
            // The standup's file alone is not known, maybe for ever: a meeting deleted meanwhile leaves the list and
            // our records, and comes back with its file.
            EXPECT_EQ(calendars->filesLeftUnread(), QStringList { calendarRoot + "/work/standup.ics" });
            const auto listedAndShared = [&](const std::string& listed, const std::string& records) {
                calendars->reset();
                return pumpUntil([&] {
                    clock.advance(calendarChangeDebounce);
                    return titles() == listed && shared() == records;
                });
            };
            ASSERT_TRUE(QFile::remove(calendarRoot + "/work/planning.ics"));
            EXPECT_TRUE(listedAndShared(both, "laptop:Review, laptop:Standup"))
                << "listed: " << titles() << "; shared: " << shared();
            writeFile(calendarRoot + "/work/planning.ics", planning.file());
            EXPECT_TRUE(listedAndShared("Planning, " + both, "laptop:Planning, laptop:Review, laptop:Standup"));
            EXPECT_EQ(calendars->filesLeftUnread(), QStringList { calendarRoot + "/work/standup.ics" });
        }
    }

    // Answer while the reads are held: the other machine has written again, and its file is being read.
    std::optional<MeetingSnapshot> answered;
    if (row.event != Event::start) {
        if (row.peers == PeerFiles::largeBeingRead) {
            writePeerFile({ review, planning }, clock.now().addingSeconds(-0.5));
            cloudStore->synchronize();
            ASSERT_TRUE(pumpUntil([&] { return peerReads[1].isHeld(); }));
        }
        const auto found = std::find_if(app->meetings().cbegin(), app->meetings().cend(),
            [](const MeetingSnapshot& meeting) { return meeting.title == standup.title; });
        ASSERT_NE(found, app->meetings().cend());
        answered = *found;
        app->dismissReminder(*answered);
        if (row.event == Event::quit) {
            // The push starts, and no event loop runs again; the held reads are given up, not released.
            QCoreApplication::sendPostedEvents(app.get(), QEvent::MetaCall);
            app.reset();
            cloudStore.reset();
            calendars.reset();
            EXPECT_TRUE(stateIn(standup)) << "the answer survives Quit";
            EXPECT_TRUE(row.peers != PeerFiles::largeBeingRead || pumpUntil([&] {
                return peerReads[1].sawStop() && !peerReads[1].isHeld();
            })) << "Quit ends the read";
            return;
        }
        clock.advance(1);
        EXPECT_TRUE(pumpUntil([&] { return stateIn(standup); })) << "the answer is in our device file within 1 s";
        EXPECT_TRUE(row.peers != PeerFiles::largeBeingRead || peerReads[1].isHeld())
            << "without waiting for the peer file's read";
        EXPECT_TRUE(row.calendars != CalendarRead::slowRereadOfARenamedFile || !calendars->isReadComplete())
            << "nor for the calendar read";
        EXPECT_TRUE(row.calendars != CalendarRead::fileSkippedForMemory || !calendars->filesLeftUnread().isEmpty())
            << "nor for the file left unread";
    }

    // Let go: the held reads end, the skipped file is read again once its memory is there, and the other machine's
    // write that the answer had not seen is merged with it.
    peerReads[1].release();
    calendarHold.letGo();
    memoryLeft = MemoryHold::budget;
    ASSERT_TRUE(pumpUntil([&] {
        return !cloudStore->isReadingPeerFiles() && calendars->isReadComplete()
            && calendars->filesLeftUnread().isEmpty();
    }));
    if (answered) {
        EXPECT_TRUE(app->isReminderSuppressed(*answered));
        if (row.peers == PeerFiles::largeBeingRead) {
            EXPECT_TRUE(pumpUntil([&] { return stateIn(planning) && stateIn(standup); }))
                << "the other machine's unseen write is merged, not superseded";
        }
    }
    EXPECT_EQ(remindedOf(), remindable) << "no answered meeting is reminded";
    app.reset();
}

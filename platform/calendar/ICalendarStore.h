#pragma once

#include "platform/calendar/CalendarAccessFile.h"
#include "platform/calendar/CalendarIndex.h"
#include "platform/calendar/EventStore.h"
#include "platform/calendar/PathWatcher.h"
#include "platform/calendar/RuleExpansionWorker.h"
#include "platform/calendar/TimeZoneCache.h"
#include "platform/files/MemoryGate.h"
#include "platform/files/ProcessMemory.h"

#include <QDeadlineTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// Where a calendar store learns how much memory the process can still take, and how often it looks again while a
// file is left unread for lack of it; a test gives its own.
struct CalendarMemory
{
    MemoryGate::Measure available = [] { return ProcessMemory::available(); };
    std::chrono::milliseconds retryInterval { 30000 };
};

// The calendars and task lists kept as iCalendar files below one root folder: collection folders of .ics items
// at the depths a layout has (vdirsyncer's account folders holding collections, and deeper groupings), and
// single .ics files. Never writes there.
//
// The files are read off the main thread when the store starts, after every change on disk and on reset.
// Only the very first answer waits for a read, and for two seconds at most unless told otherwise: a read still
// under way by then answers with the files it has read so far, and posts `changed` as more land and when it is
// done. Later answers come from the last read while the next one runs, and `changed` is posted when that one
// finds something different. Recurrence rules that could take long to expand are expanded off the main thread
// too, and their occurrences announced as a change. A store that goes abandons its read.
//
// The read and the parses run on threads of the store's own, and a file's parse waits until what it costs fits
// in the memory left. A file that cannot fit even alone, or cannot be read, keeps what its last read gave (or
// nothing) and is read again once it can be: it alone is not known, maybe for ever, and the rest of the read is
// whole without it.
class ICalendarStore final : public EventStore
{
    Q_OBJECT
public:
    // Reads the root into an index off the main thread: CalendarIndex::read, or one that a test holds back.
    using Reader
        = std::function<std::shared_ptr<CalendarIndex>(const QString& root, const CalendarIndex::Contents& last,
            TimeZoneCache& zones, QThreadPool& pool, MemoryGate& memory, const CalendarFolder::Entering& entering,
            const CalendarIndex::Published& published, const std::atomic<bool>* abandoned)>;

    explicit ICalendarStore(QString root = defaultRoot(), QString accessFilePath = CalendarAccessFile::defaultPath(),
        QObject* parent = nullptr, Reader reader = &CalendarIndex::read, CalendarMemory memory = {});
    ~ICalendarStore() override;

    // $XDG_DATA_HOME/calendars
    static QString defaultRoot();

    AuthorizationStatus authorizationStatus(EntityType type) const override;
    QCoro::Task<bool> requestFullAccess(EntityType type) override;
    QList<StoreCalendar> calendars(EntityType type) override;
    void forEachEvent(Date start, Date end, const QList<StoreCalendar>& calendars,
        const std::function<void(StoreEvent&&)>& take) override;
    QCoro::Task<QList<StoreReminder>> incompleteReminders(
        Date start, Date end, QList<StoreCalendar> calendars) override;
    void reset() override;
    bool isFirstReadComplete() const override { return m_firstReadComplete; }
    // False too while moved or slow occurrences are still being expanded: an answer then lacks some of them.
    bool isReadComplete() const override
    {
        return m_firstReadComplete && m_indexComplete && !m_expansions.isExpanding();
    }

    QList<UnknownFile> unknownFiles() const override;
    // The files whose content is not known, sorted: each left unread for lack of memory, or unreadable.
    QStringList filesLeftUnread() const;
    // How long the very first answer waits for the first read. A thread that must stay free (the one Quit runs
    // on) sets none, and hears of the read through `changed`.
    void setFirstAnswerWait(std::chrono::milliseconds wait) { m_firstAnswerWait = wait; }
    // What the parses take their memory through: the process's other large reads take theirs through it too.
    // Shared with the device files' reads, which a stalled folder may hold past this store.
    std::shared_ptr<MemoryGate> memoryGate() const { return m_memory; }

private:
    struct Reading;

    void startReading(bool notify);
    void finishReading();
    void announcePublished();
    // True when an index of the files read so far was taken, and differs from the one in use.
    bool adoptPublished();
    // True when `index` differs from the one in use.
    bool adopt(std::shared_ptr<CalendarIndex> index, bool complete);
    void watch(const CalendarIndex& index);
    void waitForFirstRead();
    void readAgainIfMemoryFrees();

    QString m_root;
    CalendarAccessFile m_access;
    Reader m_reader;
    // Shared with the reads under way, which may outlive a store that is going away.
    std::shared_ptr<TimeZoneCache> m_zones = std::make_shared<TimeZoneCache>();
    PathWatcher m_watcher;
    RuleExpansionWorker m_expansions;
    std::shared_ptr<CalendarIndex> m_index;
    // The system zone the read under way began in, and the one the index in use was built in: in another zone the
    // same files' floating times and whole days stand for other instants.
    QByteArray m_readingZone;
    QByteArray m_indexZone;
    // False while m_index holds only the files read so far.
    bool m_indexComplete = false;
    bool m_firstReadComplete = false;
    std::shared_ptr<Reading> m_shared;
    QFuture<std::shared_ptr<CalendarIndex>> m_reading;
    QFutureWatcher<std::shared_ptr<CalendarIndex>> m_readingWatcher;
    bool m_readingNotifies = false;
    std::chrono::milliseconds m_firstAnswerWait { 2000 };
    QDeadlineTimer m_firstAnswerDeadline { QDeadlineTimer::Forever };
    bool m_readAgain = false;
    QThreadPool m_readPool;
    // Parses the files of a read and builds its indexes.
    QThreadPool m_parsePool;
    const std::shared_ptr<MemoryGate> m_memory;
    // What reading the smallest file left unread for lack of memory takes, and the timer that looks again.
    qint64 m_memoryWanted = 0;
    QTimer m_memoryRetry;
};

} // namespace platform

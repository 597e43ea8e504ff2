#include "platform/calendar/ICalendarStore.h"

#include "platform/BackgroundRelease.h"
#include "platform/ThreadHandOver.h"
#include "platform/time/SystemZone.h"

#include <QCoro/QCoroFuture>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace platform {

namespace {

QSet<QString> identifiersOf(const QList<StoreCalendar>& calendars)
{
    QSet<QString> identifiers;
    for (const StoreCalendar& calendar : calendars)
        identifiers.insert(calendar.identifier);
    return identifiers;
}

// True when a file of `after` was read where `before` had not read it: one that could not be read before, and was
// tried again unchanged.
bool readAnew(const ICalendarFiles& before, const ICalendarFiles& after)
{
    for (auto file = after.cbegin(); file != after.cend(); ++file) {
        if ((*file)->identity.isValid() && before.value(file.key()) != *file)
            return true;
    }
    return false;
}

} // namespace

// What a read under way shares with its store. The read reaches the store only through this, and not at all
// once the store has abandoned it.
struct ICalendarStore::Reading
{
    // Runs `work` unless the read is abandoned; abandoning waits for it.
    void unlessAbandoned(const std::function<void()>& work)
    {
        const QMutexLocker lock(&mutex);
        if (!abandoned)
            work();
    }

    void abandon()
    {
        const QMutexLocker lock(&mutex);
        abandoned = true;
    }

    std::atomic<bool> abandoned = false;
    QMutex mutex;
    // The latest index of the files read so far, until the store takes it.
    std::shared_ptr<CalendarIndex> published;
};

ICalendarStore::ICalendarStore(
    QString root, QString accessFilePath, QObject* parent, Reader reader, CalendarMemory memory)
    : EventStore(parent)
    , m_root(std::move(root))
    , m_access(std::move(accessFilePath))
    , m_reader(std::move(reader))
    , m_memory(std::make_shared<MemoryGate>(std::move(memory.available)))
{
    // The read waits for its files to be parsed on the parse pool: it must not hold one of its threads itself.
    m_readPool.setMaxThreadCount(1);
    m_parsePool.setMaxThreadCount(QThread::idealThreadCount());
    m_memoryRetry.setInterval(memory.retryInterval);
    connect(&m_memoryRetry, &QTimer::timeout, this, &ICalendarStore::readAgainIfMemoryFrees);
    connect(&m_readingWatcher, &QFutureWatcherBase::finished, this, &ICalendarStore::finishReading);
    connect(&m_watcher, &PathWatcher::changed, this, [this] { startReading(true); });
    connect(&m_expansions, &RuleExpansionWorker::finished, this, &EventStore::changed);
    startReading(false);
}

ICalendarStore::~ICalendarStore()
{
    // The read stops at its next line or wait; what it holds is its own or shared with it.
    if (m_shared)
        m_shared->abandon();
    m_memory->interrupt();
    m_reading.waitForFinished();
    // What the indexes hold takes long to free, and is of no use any more: the one in use, and those of a read that
    // ended or offered its files so far before the event loop took them. A question awaiting the read keeps its own
    // copy of the future.
    QFuture<std::shared_ptr<CalendarIndex>> reading = std::exchange(m_reading, {});
    m_readingWatcher.setFuture(m_reading);
    std::shared_ptr<CalendarIndex> published = m_shared ? std::exchange(m_shared->published, {}) : nullptr;
    releaseInBackground(std::move(m_index), std::move(reading), std::move(published));
}

QString ICalendarStore::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1String("/calendars");
}

AuthorizationStatus ICalendarStore::authorizationStatus(EntityType type) const
{
    return m_access.status(type);
}

QCoro::Task<bool> ICalendarStore::requestFullAccess(EntityType type)
{
    // Linux has no prompt for calendar access: asking gives it, and the answer is remembered.
    co_return m_access.grant(type);
}

QList<StoreCalendar> ICalendarStore::calendars(EntityType type)
{
    // Nothing is listed before the user has given access, so a first launch asks before it shows calendars.
    if (authorizationStatus(type) != AuthorizationStatus::fullAccess)
        return {};
    waitForFirstRead();
    return m_index ? m_index->calendars(type) : QList<StoreCalendar>();
}

void ICalendarStore::forEachEvent(
    Date start, Date end, const QList<StoreCalendar>& calendars, const std::function<void(StoreEvent&&)>& take)
{
    waitForFirstRead();
    // Kept while the events are handed over, even should the store take another index meanwhile.
    if (const std::shared_ptr<CalendarIndex> index = m_index)
        index->forEachEvent(start, end, identifiersOf(calendars), m_expansions, take);
}

QCoro::Task<QList<StoreReminder>> ICalendarStore::incompleteReminders(
    Date start, Date end, QList<StoreCalendar> calendars)
{
    if (!m_index) {
        const QPointer<ICalendarStore> self(this);
        co_await QFuture<std::shared_ptr<CalendarIndex>>(m_reading);
        // The store may have gone meanwhile.
        if (!self)
            co_return {};
        finishReading();
    }
    co_return m_index ? m_index->reminders(start, end, identifiersOf(calendars)) : QList<StoreReminder>();
}

QList<UnknownFile> ICalendarStore::unknownFiles() const
{
    return m_index ? m_index->unknownFiles() : QList<UnknownFile>();
}

QStringList ICalendarStore::filesLeftUnread() const
{
    return m_index ? m_index->filesLeftUnread() : QStringList();
}

void ICalendarStore::reset()
{
    // Read again in the background like after a change on disk; until then every answer comes from the
    // last complete read, and `changed` tells when a new one differs from it.
    startReading(true);
}

void ICalendarStore::startReading(bool notify)
{
    if (m_reading.isValid()) {
        // A burst of changes (a sync writing many files) is read once more after the read under way.
        m_readAgain = m_readAgain || notify;
        return;
    }
    m_readingNotifies = notify;
    m_readingZone = SystemZone::identity();
    m_shared = std::make_shared<Reading>();
    // Each folder is watched before it is looked into, so that whatever changes there while the read runs is
    // read again after it.
    const CalendarFolder::Entering entering = [shared = m_shared, watcher = &m_watcher](const QString& folder) {
        shared->unlessAbandoned([&] { watcher->add(folder); });
    };
    const CalendarIndex::Published published = [shared = m_shared, store = this](std::shared_ptr<CalendarIndex> index) {
        // Freed once the lock is given up; one the store will never take, off the read's thread.
        std::shared_ptr<CalendarIndex> replaced;
        shared->unlessAbandoned([&] {
            replaced = std::exchange(shared->published, std::move(index));
            QMetaObject::invokeMethod(store, &ICalendarStore::announcePublished, Qt::QueuedConnection);
        });
        if (index)
            releaseInBackground(std::move(index));
    };
    m_reading = QtConcurrent::run(&m_readPool,
        handedOver(
            [reader = m_reader, root = m_root, last = m_index ? m_index->contents() : CalendarIndex::Contents(),
                zones = m_zones, pool = &m_parsePool, memory = m_memory.get(), shared = m_shared, entering, published] {
                return reader(root, last, *zones, *pool, *memory, entering, published, &shared->abandoned);
            }));
    m_readingWatcher.setFuture(m_reading);
}

void ICalendarStore::finishReading()
{
    if (!m_reading.isValid() || !m_reading.isFinished())
        return;
    std::shared_ptr<CalendarIndex> index = m_reading.result();
    // The watcher's copy of the future would keep the index read until the next read, even one let go.
    m_reading = {};
    m_readingWatcher.setFuture(m_reading);
    m_shared.reset();
    const bool differs = index && adopt(std::move(index), true);
    if (m_readingNotifies && differs)
        Q_EMIT changed();
    if (m_readAgain) {
        m_readAgain = false;
        startReading(true);
    }
}

void ICalendarStore::announcePublished()
{
    // Before the first answer there is no one to tell: it waits for the whole read.
    if (adoptPublished() && m_readingNotifies)
        Q_EMIT changed();
}

bool ICalendarStore::adoptPublished()
{
    if (!m_shared)
        return false;
    std::shared_ptr<CalendarIndex> index;
    m_shared->unlessAbandoned([&] { index = std::exchange(m_shared->published, {}); });
    return index && adopt(std::move(index), false);
}

bool ICalendarStore::adopt(std::shared_ptr<CalendarIndex> index, bool complete)
{
    // An unchanged tree keeps the index, and with it the recurrences already worked out.
    const bool differs = !m_index || !m_indexComplete || !complete || m_index->folder() != index->folder()
        || m_indexZone != m_readingZone || readAnew(m_index->files(), index->files());
    index->folder().logUnreadSince(m_index ? m_index->folder() : CalendarFolder());
    if (differs) {
        std::swap(m_index, index);
        m_indexZone = m_readingZone;
        m_indexComplete = complete;
        m_memoryWanted = m_index->leastMemoryWanted();
        if (m_memoryWanted == 0)
            m_memoryRetry.stop();
        else if (!m_memoryRetry.isActive())
            m_memoryRetry.start();
    }
    m_firstReadComplete = m_firstReadComplete || complete;
    // Also when unchanged: a folder removed and made again needs its watch again.
    watch(*m_index);
    // The index let go may hold the series of tens of thousands of items: freed off the main thread, so that
    // it goes on at once, and not on the parse pool, which a store that goes would wait for.
    if (index)
        releaseInBackground(std::move(index));
    return differs;
}

void ICalendarStore::readAgainIfMemoryFrees()
{
    // A read under way reads the file again anyway.
    if (m_reading.isValid())
        return;
    const std::optional<qint64> available = m_memory->available();
    if (!available || *available >= m_memoryWanted)
        startReading(true);
}

void ICalendarStore::watch(const CalendarIndex& index)
{
    // The folders' watches report their files' changes too.
    m_watcher.setFolders(QSet<QString>(index.folder().folders.cbegin(), index.folder().folders.cend()));
}

void ICalendarStore::waitForFirstRead()
{
    // Only the first read is waited for: there is nothing to answer with before it. It may take minutes (a
    // zone with thousands of observances), so the wait ends at a deadline set by the first question.
    if (m_firstReadComplete)
        return;
    if (m_firstAnswerDeadline.isForever())
        m_firstAnswerDeadline = QDeadlineTimer(m_firstAnswerWait);
    // Until the first read is adopted, the pool runs nothing else.
    m_readPool.waitForDone(int(m_firstAnswerDeadline.remainingTime()));
    finishReading();
    if (!m_firstReadComplete) {
        m_readingNotifies = true;
        adoptPublished();
    }
}

} // namespace platform

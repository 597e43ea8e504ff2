#include "platform/calendar/ICalendarStore.h"

#include <QCoro/QCoroFuture>
#include <QSet>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace platform {

namespace {

constexpr std::chrono::milliseconds firstAnswerWait { 2000 };

QSet<QString> identifiersOf(const QList<StoreCalendar>& calendars)
{
    QSet<QString> identifiers;
    for (const StoreCalendar& calendar : calendars)
        identifiers.insert(calendar.identifier);
    return identifiers;
}

// Each folder is watched before it is looked into, so that whatever changes there while the read runs is read
// again after it. The store waits for its read before the watcher goes.
QFuture<std::shared_ptr<CalendarIndex>> readInBackground(QThreadPool& pool, const ICalendarStore::Reader& reader,
    const QString& root, const ICalendarFiles& previous, const std::shared_ptr<TimeZoneCache>& zones,
    PathWatcher& watcher)
{
    return QtConcurrent::run(&pool, [reader, root, previous, zones, watcher = &watcher] {
        return reader(root, previous, *zones, [watcher](const QString& folder) { watcher->add(folder); });
    });
}

} // namespace

ICalendarStore::ICalendarStore(QString root, QString accessFilePath, QObject* parent, Reader reader)
    : EventStore(parent)
    , m_root(std::move(root))
    , m_access(std::move(accessFilePath))
    , m_reader(std::move(reader))
{
    // The read waits for its files to be parsed on every thread of the global pool: it must not hold
    // one of them itself, or on a single processor the parse would never start.
    m_readPool.setMaxThreadCount(1);
    connect(&m_readingWatcher, &QFutureWatcherBase::finished, this, &ICalendarStore::finishReading);
    connect(&m_watcher, &PathWatcher::changed, this, [this] { startReading(true); });
    connect(&m_expansions, &RuleExpansionWorker::finished, this, &EventStore::changed);
    startReading(false);
}

ICalendarStore::~ICalendarStore()
{
    m_reading.waitForFinished();
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

QList<StoreEvent> ICalendarStore::events(Date start, Date end, const QList<StoreCalendar>& calendars)
{
    waitForFirstRead();
    return m_index ? m_index->events(start, end, identifiersOf(calendars), m_expansions) : QList<StoreEvent>();
}

QCoro::Task<QList<StoreReminder>> ICalendarStore::incompleteReminders(
    Date start, Date end, QList<StoreCalendar> calendars)
{
    if (!m_index) {
        co_await QFuture<std::shared_ptr<CalendarIndex>>(m_reading);
        finishReading();
    }
    co_return m_index->reminders(start, end, identifiersOf(calendars));
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
    m_reading = readInBackground(
        m_readPool, m_reader, m_root, m_index ? m_index->files() : ICalendarFiles(), m_zones, m_watcher);
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
    const bool differs = adopt(std::move(index));
    if (m_readingNotifies && differs)
        Q_EMIT changed();
    if (m_readAgain) {
        m_readAgain = false;
        startReading(true);
    }
}

bool ICalendarStore::adopt(std::shared_ptr<CalendarIndex> index)
{
    // An unchanged tree keeps the index, and with it the recurrences already worked out.
    const bool differs = !m_index || m_index->folder() != index->folder();
    index->folder().logUnreadSince(m_index ? m_index->folder() : CalendarFolder());
    if (differs)
        std::swap(m_index, index);
    // Also when unchanged: a folder removed and made again needs its watch again.
    watch(*m_index);
    // The index let go may hold the series of tens of thousands of items: freed on the read thread, so that
    // the main thread goes on at once.
    if (index)
        m_readPool.start([index = std::move(index)]() mutable { index.reset(); });
    return differs;
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
    if (m_index)
        return;
    if (m_firstAnswerDeadline.isForever())
        m_firstAnswerDeadline = QDeadlineTimer(firstAnswerWait);
    // Until the first read is adopted, the pool runs nothing else.
    m_readPool.waitForDone(int(m_firstAnswerDeadline.remainingTime()));
    finishReading();
    if (!m_index)
        m_readingNotifies = true;
}

} // namespace platform

#include "platform/calendar/CalendarIndex.h"

#include "platform/BackgroundRelease.h"
#include "platform/ThreadHandOver.h"
#include "platform/calendar/TextPool.h"
#include "platform/files/MemoryGate.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMutex>
#include <QWaitCondition>
#include <QtConcurrent/QtConcurrentRun>
#include <deque>

namespace platform {

namespace {

Participant withOwner(Participant participant, const QSet<QString>& ownerAddresses)
{
    if (participant.emailAddress)
        participant.isCurrentUser = ownerAddresses.contains(participant.emailAddress->toLower());
    return participant;
}

std::optional<QString> present(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

QString itemBase(const CalendarCollection& source, const CalendarFileStamp& stamp)
{
    return source.isSingleFile ? source.identifier
                               : source.identifier + QLatin1Char('/') + QFileInfo(stamp.path).fileName();
}

// How long a read parses before it offers what it has, and then between offers: growing, so that a read of
// thousands of files builds a few indexes more, not hundreds.
constexpr std::chrono::milliseconds firstPublication { 500 };
constexpr std::chrono::milliseconds longestPublicationInterval { 16000 };

// While files of a read wait for memory, the read may last minutes: it looks at the folder again this often, so
// that a file added or changed meanwhile is read in it, not behind it.
constexpr std::chrono::milliseconds lookAgainWhileWaiting { 1000 };

// A file to parse, with the memory it holds; once its parse did not fit beside the others', what it waits for.
struct PutOff
{
    QString path;
    ICalendarFile::MemoryClaim claim;
};

// The files the threads of one read have parsed so far, those queued for them, and those put off for memory,
// which hold no thread. A read of thousands of files keeps no task, future or wait of its own for each: at most
// `threads` threads of the pool take the queued files one after another.
class ParsedFiles
{
public:
    explicit ParsedFiles(int threads)
        : m_threads(threads)
    { }

    // Queues `file`, first in turn when it holds memory: true when a thread more is to take the queue on.
    bool queue(PutOff file)
    {
        const QMutexLocker lock(&m_mutex);
        if (file.claim.held)
            m_queued.push_front(std::move(file));
        else
            m_queued.push_back(std::move(file));
        if (m_parsing >= m_threads)
            return false;
        ++m_parsing;
        return true;
    }

    // The next file queued; none ends the calling thread's turn.
    std::optional<PutOff> next()
    {
        const QMutexLocker lock(&m_mutex);
        if (m_queued.empty()) {
            --m_parsing;
            return std::nullopt;
        }
        PutOff file = std::move(m_queued.front());
        m_queued.pop_front();
        return file;
    }

    void add(const QString& path, std::shared_ptr<const ICalendarFile> file)
    {
        const QMutexLocker lock(&m_mutex);
        m_files.insert(path, std::move(file));
        ++m_count;
        m_added.wakeAll();
    }

    void putOff(PutOff file)
    {
        const QMutexLocker lock(&m_mutex);
        m_putOff.append(std::move(file));
        m_wasPutOff = true;
        m_added.wakeAll();
    }

    // The file put off first, if any.
    std::optional<PutOff> takePutOff()
    {
        const QMutexLocker lock(&m_mutex);
        return m_putOff.isEmpty() ? std::nullopt : std::optional(m_putOff.takeFirst());
    }

    // Back in its place, first in turn.
    void putBack(PutOff file)
    {
        const QMutexLocker lock(&m_mutex);
        m_putOff.prepend(std::move(file));
    }

    // Until `count` files are in or one is put off, or `deadline` comes.
    void waitFor(qsizetype count, QDeadlineTimer deadline)
    {
        const QMutexLocker lock(&m_mutex);
        while (m_count < count && m_putOff.isEmpty()) {
            if (!waitOn(m_added, m_mutex, deadline))
                return;
        }
    }

    qsizetype count() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_count;
    }

    bool wasPutOff() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_wasPutOff;
    }

    bool contains(const QStringList& paths) const
    {
        const QMutexLocker lock(&m_mutex);
        return std::all_of(
            paths.cbegin(), paths.cend(), [this](const QString& path) { return m_files.contains(path); });
    }

    ICalendarFiles files() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_files;
    }

    // Every file parsed, which the caller then holds alone: once the parses are done.
    ICalendarFiles take()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_files, {});
    }

private:
    const int m_threads;
    mutable QMutex m_mutex;
    QWaitCondition m_added;
    std::deque<PutOff> m_queued;
    int m_parsing = 0;
    ICalendarFiles m_files;
    qsizetype m_count = 0;
    QList<PutOff> m_putOff;
    bool m_wasPutOff = false;
};

// `folder` with the collections and files of `last` that it no longer lists.
CalendarFolder withFilesOf(CalendarFolder folder, const CalendarFolder& last)
{
    QHash<QString, qsizetype> collections;
    for (qsizetype i = 0; i < folder.collections.size(); ++i)
        collections.insert(folder.collections.at(i).identifier, i);
    for (const CalendarCollection& before : last.collections) {
        const qsizetype at = collections.value(before.identifier, -1);
        if (at < 0) {
            folder.collections.append(before);
            continue;
        }
        CalendarCollection& collection = folder.collections[at];
        QSet<QString> paths;
        for (const CalendarFileStamp& stamp : std::as_const(collection.files))
            paths.insert(stamp.path);
        for (const CalendarFileStamp& stamp : before.files) {
            if (!paths.contains(stamp.path))
                collection.files.append(stamp);
        }
    }
    return folder;
}

} // namespace

std::shared_ptr<CalendarIndex> CalendarIndex::read(const QString& root, const Contents& last, TimeZoneCache& zones,
    QThreadPool& pool, MemoryGate& memory, const CalendarFolder::Entering& entering, const Published& published,
    const std::atomic<bool>* abandoned)
{
    const auto isAbandoned = [abandoned] { return abandoned && abandoned->load(); };
    TextPool texts;
    // A pool runs one thread even when told none.
    ParsedFiles parsed(std::max(1, pool.maxThreadCount()));
    // A thread of the pool parses the queued files until none is left, and never waits for memory.
    const auto parseQueued = [&zones, &texts, &memory, &last, &parsed, abandoned] {
        while (std::optional<PutOff> file = parsed.next()) {
            if (abandoned && abandoned->load()) {
                if (file->claim.held)
                    memory.release(file->claim.wanted);
                parsed.add(file->path, std::make_shared<const ICalendarFile>());
                continue;
            }
            ICalendarFile::Reading reading = ICalendarFile::read(
                file->path, zones, texts, memory, file->claim, last.files.value(file->path).get(), abandoned);
            if (reading.file)
                parsed.add(file->path, std::make_shared<const ICalendarFile>(std::move(*reading.file)));
            else
                parsed.putOff({ file->path, reading.claim });
        }
    };
    // Started from this thread only: those under way, and a few just ended.
    QList<QFuture<void>> parses;
    QSet<QString> started;
    const auto start = [&](const QString& path, ICalendarFile::MemoryClaim claim) {
        started.insert(path);
        if (!parsed.queue({ path, claim }))
            return;
        parses.removeIf([](const QFuture<void>& parse) { return parse.isFinished(); });
        parses.append(QtConcurrent::run(&pool, handedOver(parseQueued)));
    };
    // A file that could not be read has no identity, and is tried again.
    const auto isKnown = [&last](const CalendarFileStamp& stamp) {
        const auto known = last.files.value(stamp.path);
        return known && known->identity.isValid() && known->identity == stamp.identity;
    };
    // The files of `folder` this read has not started, new or changed since the last read: the paths started.
    const auto startChanged = [&](const CalendarFolder& folder) {
        QStringList paths;
        for (const CalendarCollection& collection : folder.collections) {
            for (const CalendarFileStamp& stamp : collection.files) {
                if (!started.contains(stamp.path) && !isKnown(stamp)) {
                    start(stamp.path, {});
                    paths.append(stamp.path);
                }
            }
        }
        return paths;
    };

    // It stays as it is until the files are read: on a first read every file is a changed one.
    CalendarFolder folder = CalendarFolder::scan(root, entering);
    // One slow file must not hold back the meetings of the others.
    std::chrono::milliseconds interval = firstPublication;
    QDeadlineTimer publication(interval);
    QDeadlineTimer lookAgain(lookAgainWhileWaiting);
    QStringList found;
    qsizetype offered = 0;
    const auto publish = [&] {
        offered = parsed.count();
        // Nothing the last read found leaves the answers before this read is whole.
        ICalendarFiles sofar = last.files;
        sofar.insert(parsed.files());
        published(std::shared_ptr<CalendarIndex>(
            new CalendarIndex(withFilesOf(folder, last.folder), std::move(sofar), abandoned)));
    };
    memory.measureAgain();
    startChanged(folder);
    while (parsed.count() < started.size()) {
        const bool waiting = parsed.wasPutOff();
        const QDeadlineTimer wake = waiting ? std::min(publication, lookAgain) : publication;
        // The file put off first waits here for its memory, on the read's own thread; the others go on.
        if (std::optional<PutOff> next = parsed.takePutOff()) {
            const MemoryGate::Answer answer = memory.reserve(next->claim.wanted, abandoned, wake);
            if (answer == MemoryGate::Answer::later)
                parsed.putBack(std::move(*next));
            else
                start(next->path, { next->claim.wanted, answer == MemoryGate::Answer::reserved });
        } else {
            parsed.waitFor(started.size(), wake);
        }
        const bool offering = published && !isAbandoned();
        if (waiting && lookAgain.hasExpired()) {
            lookAgain = QDeadlineTimer(lookAgainWhileWaiting);
            if (offering) {
                CalendarFolder again = CalendarFolder::scan(root, entering);
                found += startChanged(again);
                folder = std::move(again);
            }
        }
        if (offering && !found.isEmpty() && parsed.contains(found)) {
            found.clear();
            publish();
        } else if (publication.hasExpired()) {
            interval = std::min(interval * 2, longestPublicationInterval);
            publication = QDeadlineTimer(interval);
            if (offering && parsed.count() != offered)
                publish();
        }
    }
    for (QFuture<void>& parse : parses)
        parse.waitForFinished();
    if (isAbandoned()) {
        // The files parsed so far take long to free, which a store that goes must not wait for.
        releaseInBackground(parsed.take());
        return nullptr;
    }
    // Its room goes to the index made next on this thread.
    started = {};
    // The files parsed, with those of the last read the folder still lists, in the table they were parsed into:
    // a copy would hold a second entry for each of thousands of files.
    ICalendarFiles files = parsed.take();
    qsizetype listed = 0;
    for (const CalendarCollection& collection : std::as_const(folder.collections)) {
        for (const CalendarFileStamp& stamp : collection.files) {
            if (!files.contains(stamp.path)) {
                std::shared_ptr<const ICalendarFile> file = last.files.value(stamp.path);
                if (!file)
                    continue;
                files.insert(stamp.path, std::move(file));
            }
            ++listed;
        }
    }
    // One parsed may have gone while files waited for memory.
    if (files.size() > listed) {
        ICalendarFiles stillListed;
        for (const CalendarCollection& collection : std::as_const(folder.collections)) {
            for (const CalendarFileStamp& stamp : collection.files) {
                if (auto file = files.value(stamp.path))
                    stillListed.insert(stamp.path, std::move(file));
            }
        }
        files = std::move(stillListed);
    }
    std::shared_ptr<CalendarIndex> index(new CalendarIndex(std::move(folder), std::move(files), abandoned));
    if (!isAbandoned())
        return index;
    releaseInBackground(std::move(index));
    return nullptr;
}

CalendarIndex::CalendarIndex(CalendarFolder folder, ICalendarFiles files, const std::atomic<bool>* abandoned)
    : m_folder(std::move(folder))
    , m_files(std::move(files))
    , m_collections(size_t(m_folder.collections.size()))
{
    // On this thread, not the parse pool's: the indexes a read offers before it is whole go again, and what
    // they leave then serves the next index made here, where on the parse threads it would serve no one. Each
    // collection is moved into its place.
    for (qsizetype i = 0; i < m_folder.collections.size(); ++i)
        m_collections[size_t(i)] = makeCollection(m_folder.collections.at(i), abandoned);
}

CalendarIndex::Collection CalendarIndex::makeCollection(
    const CalendarCollection& source, const std::atomic<bool>* abandoned) const
{
    // A collection of a few large files holds hundreds of thousands of events: a store that goes does not wait
    // for them.
    const auto isAbandoned = [abandoned] { return abandoned && abandoned->load(std::memory_order_relaxed); };
    Collection collection;
    collection.source = &source;
    collection.calendar = { source.identifier, source.title, source.sourceTitle };
    collection.ownerAddresses = source.ownerAddresses;

    struct Group
    {
        const ICalendarEvent* master = nullptr;
        QList<const ICalendarEvent*> overrides;
        ItemName name;
    };
    QList<Group> groups;
    QHash<QString, qsizetype> groupByUid;

    for (qsizetype f = 0; f < source.files.size(); ++f) {
        const CalendarFileStamp& stamp = source.files.at(f);
        const std::shared_ptr<const ICalendarFile> file = m_files.value(stamp.path);
        if (!file)
            continue;
        if (source.isSingleFile)
            collection.calendar.title
                = file->calendarName.isEmpty() ? QFileInfo(stamp.path).completeBaseName() : file->calendarName;
        collection.hasEvents = collection.hasEvents || !file->events.isEmpty();
        collection.hasTasks = collection.hasTasks || !file->tasks.isEmpty();

        if (isAbandoned())
            return collection;
        for (qsizetype i = 0; i < file->events.size(); ++i) {
            if (i % 4096 == 0 && isAbandoned())
                return collection;
            const ICalendarEvent& event = file->events.at(i);
            const ItemName name { qint32(f), qint32(i) };
            qsizetype index = event.uid.isEmpty() ? -1 : groupByUid.value(event.uid, -1);
            if (index < 0 || (!event.recurrenceId && groups.at(index).master)) {
                index = groups.size();
                groups.append({ nullptr, {}, name });
                if (!event.uid.isEmpty())
                    groupByUid.insert(event.uid, index);
            }
            Group& group = groups[index];
            if (event.recurrenceId) {
                group.overrides.append(&event);
            } else {
                group.master = &event;
                group.name = name;
            }
        }
        for (qsizetype i = 0; i < file->tasks.size(); ++i) {
            const ICalendarTask& task = file->tasks.at(i);
            if (!task.isIncomplete || !task.due)
                continue;
            const Date dueFrom = task.due->toDate();
            const Date dueTo = task.due->isDate ? task.due->addingDays(1).toDate() : dueFrom;
            collection.tasks.append(
                { &task, itemBase(source, stamp) + QLatin1Char('#') + (task.uid ? *task.uid : QString::number(i)),
                    dueFrom, dueTo });
        }
    }

    // Grown one by one, the list would have up to twice the room it needs.
    collection.series.reserve(size_t(groups.size()));
    for (const Group& group : std::as_const(groups)) {
        if (collection.series.size() % 4096 == 0 && isAbandoned())
            return collection;
        if (group.master) {
            collection.series.push_back({ EventSeries(group.master, group.overrides), group.name, group.master });
            continue;
        }
        // Overrides whose series is missing still happened: each stands alone.
        for (const ICalendarEvent* item : group.overrides)
            collection.series.push_back({ EventSeries(item, {}), group.name, item });
    }
    return collection;
}

qint64 CalendarIndex::leastMemoryWanted() const
{
    qint64 least = 0;
    for (const std::shared_ptr<const ICalendarFile>& file : m_files) {
        const qint64 wanted = file->skip ? file->skip->memoryNeeded : 0;
        if (wanted > 0 && (least == 0 || wanted < least))
            least = wanted;
    }
    return least;
}

QStringList CalendarIndex::filesLeftUnread() const
{
    QStringList paths;
    for (auto file = m_files.cbegin(); file != m_files.cend(); ++file) {
        if ((*file)->skip)
            paths.append(file.key());
    }
    paths.sort();
    return paths;
}

QList<UnknownFile> CalendarIndex::unknownFiles() const
{
    QList<UnknownFile> unknown;
    for (const CalendarCollection& collection : m_folder.collections) {
        for (const CalendarFileStamp& stamp : collection.files) {
            const std::shared_ptr<const ICalendarFile> file = m_files.value(stamp.path);
            if (!file || (file->skip && !file->skip->contentKnown))
                unknown.append(
                    { collection.identifier, itemBase(collection, stamp) + QLatin1Char('#'), collection.isSingleFile });
        }
    }
    return unknown;
}

QList<StoreCalendar> CalendarIndex::calendars(EntityType type) const
{
    QList<StoreCalendar> result;
    for (const Collection& collection : m_collections) {
        if (type == EntityType::event ? collection.isEventCalendar() : collection.hasTasks)
            result.append(collection.calendar);
    }
    return result;
}

void CalendarIndex::forEachEvent(Date from, Date to, const QSet<QString>& calendarIdentifiers,
    RuleExpansionWorker& worker, const std::function<void(StoreEvent&&)>& take)
{
    // The occurrences first, each after its series, then the events, far larger, one at a time.
    struct Found
    {
        const Collection* collection;
        const Series* series;
        qsizetype end;
    };
    QList<EventOccurrence> occurrences;
    QList<Found> found;
    for (Collection& collection : m_collections) {
        if (!collection.isEventCalendar() || !calendarIdentifiers.contains(collection.calendar.identifier))
            continue;
        for (Series& series : collection.series) {
            const qsizetype before = occurrences.size();
            series.series.appendOccurrences(from, to, occurrences, worker);
            if (occurrences.size() > before)
                found.append({ &collection, &series, occurrences.size() });
        }
    }
    // A file may repeat a UID or an occurrence's RECURRENCE-ID; each event still gets an identifier of its own.
    // The number to try next is kept per identifier, so that a UID repeated thousands of times is not
    // counted up from 2 for each of its events.
    QSet<QString> identifiers;
    QHash<QString, int> nextNumbers;
    qsizetype next = 0;
    for (const Found& series : std::as_const(found)) {
        for (; next < series.end; ++next) {
            StoreEvent event = makeEvent(*series.collection, *series.series, occurrences.at(next));
            if (identifiers.contains(event.itemIdentifier)) {
                const QString identifier = event.itemIdentifier;
                int& n = nextNumbers[identifier];
                n = std::max(n, 2);
                do
                    event.itemIdentifier = identifier + QLatin1Char('#') + QString::number(n++);
                while (identifiers.contains(event.itemIdentifier));
            }
            identifiers.insert(event.itemIdentifier);
            take(std::move(event));
        }
    }
}

StoreEvent CalendarIndex::makeEvent(
    const Collection& collection, const Series& series, const EventOccurrence& occurrence) const
{
    const ICalendarEvent& event = *occurrence.event;
    StoreEvent result;
    result.calendar = collection.calendar;
    result.title = present(event.title);
    result.start = occurrence.start;
    result.end = occurrence.end;
    result.isAllDay = event.start.isDate;
    result.url = present(event.url);
    result.location = present(event.location);
    result.notes = present(event.notes);
    result.hasAttendees = !event.attendees.isEmpty();
    result.attendees.reserve(event.attendees.size());
    for (const std::shared_ptr<const Participant>& attendee : event.attendees)
        result.attendees.append(withOwner(*attendee, collection.ownerAddresses));
    if (event.organizer)
        result.organizer = withOwner(*event.organizer, collection.ownerAddresses);
    result.externalIdentifier = present(event.uid);
    // Made for the events fetched only: kept for every series, these texts cost more than the events' own.
    // The events of one group share their UID; an event without one is a group of its own.
    const ICalendarEvent& named = *series.master;
    result.itemIdentifier = itemBase(*collection.source, collection.source->files.at(series.name.file))
        + QLatin1Char('#') + (named.uid.isEmpty() ? QString::number(series.name.event) : named.uid);
    result.recurrenceStart = occurrence.recurrenceStart;
    // An override whose series is missing still names the occurrence it stands for.
    if (!result.recurrenceStart && event.recurrenceId)
        result.recurrenceStart = event.recurrenceId->toDate();
    if (result.recurrenceStart)
        result.itemIdentifier += QLatin1Char('@') + QString::number(result.recurrenceStart->wholeSecondsSince1970());
    if (series.master->recurrence)
        result.recurrenceRule = series.master->recurrence->firstRule;
    return result;
}

QList<StoreReminder> CalendarIndex::reminders(Date from, Date to, const QSet<QString>& calendarIdentifiers) const
{
    QList<StoreReminder> result;
    for (const Collection& collection : m_collections) {
        if (!collection.hasTasks || !calendarIdentifiers.contains(collection.calendar.identifier))
            continue;
        for (const Task& task : collection.tasks) {
            const bool hasTime = !task.task->due->isDate;
            // A task due on a date is due for that whole day, not only at its midnight.
            const bool inWindow
                = hasTime ? task.dueFrom >= from && task.dueFrom < to : task.dueFrom < to && task.dueTo > from;
            if (!inWindow)
                continue;
            StoreReminder reminder;
            reminder.calendar = collection.calendar;
            reminder.title = task.task->title;
            reminder.due = DueDate { task.dueFrom, hasTime };
            reminder.externalIdentifier = task.task->uid;
            reminder.itemIdentifier = task.itemIdentifier;
            result.append(reminder);
        }
    }
    return result;
}

} // namespace platform

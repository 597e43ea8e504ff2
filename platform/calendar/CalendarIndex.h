#pragma once

#include "platform/calendar/CalendarFolder.h"
#include "platform/calendar/EventSeries.h"
#include "platform/calendar/EventStore.h"
#include "platform/calendar/ICalendarFile.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class MemoryGate;
class TimeZoneCache;

using ICalendarFiles = QHash<QString, std::shared_ptr<const ICalendarFile>>;

// The calendars of the root as last read, with their events grouped into series, ready to be asked for a
// window. Built off the main thread; asked on it.
class CalendarIndex
{
public:
    // Takes an index of the files read so far, on the reading thread.
    using Published = std::function<void(std::shared_ptr<CalendarIndex>)>;

    // What a read found: the folder as listed, and its files as parsed.
    struct Contents
    {
        CalendarFolder folder;
        ICalendarFiles files;
    };

    // Reads what is on disk below `root`, parsing only the files that are new or changed since the `last` read,
    // on `pool` and as `memory` lets them; `entering` is told of each folder before it is looked into. While
    // files are still parsed, `published` is given indexes that hold everything of the `last` read with the
    // files read so far over it: files changed, renamed or removed since stand as they were until the read is
    // whole. Null once `abandoned` is set.
    static std::shared_ptr<CalendarIndex> read(const QString& root, const Contents& last, TimeZoneCache& zones,
        QThreadPool& pool, MemoryGate& memory, const CalendarFolder::Entering& entering = {},
        const Published& published = {}, const std::atomic<bool>* abandoned = nullptr);

    const CalendarFolder& folder() const { return m_folder; }
    const ICalendarFiles& files() const { return m_files; }
    Contents contents() const { return { m_folder, m_files }; }
    // What reading the smallest of the files left unread for lack of memory takes; 0 when none was.
    qint64 leastMemoryWanted() const;
    // The files whose content is not known, sorted: each holds what its last read gave, or nothing.
    QStringList filesLeftUnread() const;
    // The files known neither as read now nor as read before: not read yet, or unread every time they were tried.
    QList<UnknownFile> unknownFiles() const;

    QList<StoreCalendar> calendars(EntityType type) const;
    // Hands each occurrence to `take`, in the collections' order. Rules too slow for the caller's thread go to
    // `worker`; their occurrences come with a later call.
    void forEachEvent(Date from, Date to, const QSet<QString>& calendarIdentifiers, RuleExpansionWorker& worker,
        const std::function<void(StoreEvent&&)>& take);
    QList<StoreReminder> reminders(Date from, Date to, const QSet<QString>& calendarIdentifiers) const;

private:
    struct Task
    {
        const ICalendarTask* task;
        QString itemIdentifier;
        Date dueFrom;
        Date dueTo;
    };
    // Where the event that names a series stands: its file among the collection's, and its place in the file.
    struct ItemName
    {
        qint32 file = 0;
        qint32 event = 0;
    };
    struct Series
    {
        EventSeries series;
        ItemName name;
        const ICalendarEvent* master;
    };
    struct Collection
    {
        // In m_folder, which is never changed after the index is made.
        const CalendarCollection* source = nullptr;
        StoreCalendar calendar;
        QSet<QString> ownerAddresses;
        bool hasEvents = false;
        bool hasTasks = false;
        std::vector<Series> series;
        QList<Task> tasks;

        // A folder with no items at all is offered as a calendar.
        bool isEventCalendar() const { return hasEvents || !hasTasks; }
    };

    // Builds its collections on the calling thread; stops early, of no use, once `abandoned` is set.
    CalendarIndex(CalendarFolder folder, ICalendarFiles files, const std::atomic<bool>* abandoned = nullptr);
    Collection makeCollection(const CalendarCollection& source, const std::atomic<bool>* abandoned) const;
    StoreEvent makeEvent(const Collection& collection, const Series& series, const EventOccurrence& occurrence) const;

    CalendarFolder m_folder;
    ICalendarFiles m_files;
    std::vector<Collection> m_collections;
};

} // namespace platform

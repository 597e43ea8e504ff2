#pragma once

#include "platform/calendar/CalendarFolder.h"
#include "platform/calendar/EventSeries.h"
#include "platform/calendar/EventStore.h"
#include "platform/calendar/ICalendarFile.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class TimeZoneCache;

using ICalendarFiles = QHash<QString, std::shared_ptr<const ICalendarFile>>;

// The calendars of the root as last read, with their events grouped into series, ready to be asked for a
// window. Built off the main thread; asked on it.
class CalendarIndex
{
public:
    // Takes an index of the files read so far, on the reading thread.
    using Published = std::function<void(std::shared_ptr<CalendarIndex>)>;

    // Reads what is on disk below `root`, parsing only the files that are new or changed since `previous`;
    // `entering` is told of each folder before it is looked into. While files are still parsed, `published` is
    // given indexes of those read so far, changed files not yet read standing as they were in `previous`.
    // Null once `abandoned` is set.
    static std::shared_ptr<CalendarIndex> read(const QString& root, const ICalendarFiles& previous,
        TimeZoneCache& zones, const CalendarFolder::Entering& entering = {}, const Published& published = {},
        const std::atomic<bool>* abandoned = nullptr);

    const CalendarFolder& folder() const { return m_folder; }
    const ICalendarFiles& files() const { return m_files; }

    QList<StoreCalendar> calendars(EntityType type) const;
    // Rules too slow for the caller's thread go to `worker`; their occurrences come with a later call.
    QList<StoreEvent> events(Date from, Date to, const QSet<QString>& calendarIdentifiers, RuleExpansionWorker& worker);
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

    CalendarIndex(CalendarFolder folder, ICalendarFiles files);
    Collection makeCollection(const CalendarCollection& source) const;
    StoreEvent makeEvent(const Collection& collection, const Series& series, const EventOccurrence& occurrence) const;

    CalendarFolder m_folder;
    ICalendarFiles m_files;
    std::vector<Collection> m_collections;
};

} // namespace platform

#pragma once

#include "platform/calendar/StoreCalendar.h"
#include "platform/calendar/StoreEvent.h"
#include "platform/calendar/StoreReminder.h"
#include "platform/time/Date.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <functional>

namespace platform {

enum class EntityType { event = 0, reminder = 1 };

// A file of the database whose content is not known, never read as it is too large for the memory left or cannot
// be read: what it holds is missing from the answers, not gone.
struct UnknownFile
{
    QString calendarIdentifier;
    // What the item identifiers of its events and tasks begin with.
    QString itemIdentifierPrefix;
    // Its calendar's title comes from it: until it is read, the title stands in for one not known.
    bool namesCalendar = false;

    bool operator==(const UnknownFile&) const = default;
};

// Numbered as the calling code maps them to permission states.
enum class AuthorizationStatus { notDetermined = 0, restricted = 1, denied = 2, fullAccess = 3, writeOnly = 4 };

// The user's calendar and task database, read only.
class EventStore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual AuthorizationStatus authorizationStatus(EntityType type) const = 0;
    // Resolves to whether full access was given.
    virtual QCoro::Task<bool> requestFullAccess(EntityType type) = 0;

    // Event calendars or reminder lists, in the store's order.
    virtual QList<StoreCalendar> calendars(EntityType type) = 0;
    // The occurrences in `calendars` that overlap [start, end), in the store's order.
    QList<StoreEvent> events(Date start, Date end, const QList<StoreCalendar>& calendars)
    {
        QList<StoreEvent> result;
        forEachEvent(start, end, calendars, [&result](StoreEvent&& event) { result.append(std::move(event)); });
        return result;
    }
    // The same occurrences handed to `take` one at a time: a caller that keeps less of each never holds them all.
    virtual void forEachEvent(
        Date start, Date end, const QList<StoreCalendar>& calendars, const std::function<void(StoreEvent&&)>& take)
        = 0;
    // The incomplete tasks of `calendars` due in [start, end); a task due on a date without a time is due
    // for that whole day.
    virtual QCoro::Task<QList<StoreReminder>> incompleteReminders(Date start, Date end, QList<StoreCalendar> calendars)
        = 0;

    // The next read looks at the database again; what it has read and is unchanged is kept.
    virtual void reset() = 0;
    // False until the database has been read through once, every calendar listed: answers until then may lack
    // calendars and events it holds, and an empty one does not mean that there are none.
    virtual bool isFirstReadComplete() const = 0;
    // False while a read is under way (and before the first), when the answers join the last whole read with what
    // is read again so far: an event missing from such an answer may still be there. Once true, what the last read
    // did not find has left. A part that could not be read (a file too large for the memory left, or unreadable)
    // keeps what it held at its last read, or nothing, and makes no other part unknown.
    virtual bool isReadComplete() const = 0;
    // The files whose content is not known, not even as it was last read, in the store's order.
    virtual QList<UnknownFile> unknownFiles() const = 0;

Q_SIGNALS:
    void changed();
};

} // namespace platform

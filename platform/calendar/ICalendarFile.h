#pragma once

#include "platform/calendar/CalendarTime.h"
#include "platform/calendar/Participant.h"
#include "platform/calendar/RecurrenceRule.h"
#include "platform/calendar/StoredRule.h"
#include "platform/files/FileIdentity.h"

#include <QList>
#include <QString>
#include <atomic>
#include <libical/ical.h>
#include <memory>
#include <optional>

namespace platform {

class MemoryGate;
class TextPool;
class TimeZoneCache;

// An RDATE: a start, and for a period its own end.
struct RecurrenceDate
{
    CalendarTime start;
    std::optional<Date> end;
};

// One VEVENT as read from a file: a single event, the master of a series or one overridden occurrence.
struct ICalendarEvent
{
    // Empty when absent: a text read is never empty. Thousands of events each spare the optionals' flags.
    QString uid;
    QString title;
    QString location;
    QString notes;
    QString url;
    // Shared with every other event that has the same participant.
    QList<std::shared_ptr<const Participant>> attendees;
    std::shared_ptr<const Participant> organizer;
    CalendarTime start;
    // The end is the start moved by whole days on the wall clock, then by exact seconds: DTEND gives seconds
    // (days between dates), DURATION its days and its seconds.
    qint64 durationDays = 0;
    qint64 durationSeconds = 0;
    bool cancelled = false;
    // An overridden occurrence that also stands for every later one (RANGE=THISANDFUTURE).
    bool thisAndFuture = false;
    // What makes a series repeat. Most events are single, and hold none of it.
    struct Recurrence
    {
        QList<StoredRule> rules;
        std::optional<RecurrenceRule> firstRule;
        QList<RecurrenceDate> dates;
        QList<CalendarTime> exceptionDates;
    };
    // Absent unless the event has a rule or an RDATE.
    std::shared_ptr<const Recurrence> recurrence;
    // Only an overridden occurrence has one.
    std::shared_ptr<const CalendarTime> recurrenceId;

    bool isRecurring() const { return recurrence != nullptr; }
    Date endFor(const CalendarTime& occurrenceStart) const;
};

// One VTODO.
struct ICalendarTask
{
    std::optional<QString> uid;
    std::optional<QString> title;
    std::optional<CalendarTime> due;
    bool isIncomplete = true;
};

// What one .ics file holds. Files that cannot be read or parsed hold nothing, and say why in the log.
struct ICalendarFile
{
    // Of the version read; invalid when the file could not be read, so that it is tried again.
    FileIdentity identity;
    // Why a file that could not be read was skipped, and which version of it: a folder is read again at every
    // change in it, and the same file skipped for the same reason is logged only once.
    struct Skip
    {
        FileIdentity version;
        QString reason;
        // For a file left unread for lack of memory, the memory that reading it takes at least.
        qint64 memoryNeeded = 0;
        // Whether what it holds is known all the same: what an earlier read of it gave, or nothing where its path
        // names nothing (a link whose file was removed).
        bool contentKnown = false;
    };
    // Absent for a file that was read.
    std::shared_ptr<const Skip> skip;
    // Empty when the file names none.
    QString calendarName;
    QList<ICalendarEvent> events;
    QList<ICalendarTask> tasks;

    // A read's claim at the memory gate between its tries: what its parse was found to need, and whether that is
    // reserved for it already.
    struct MemoryClaim
    {
        qint64 wanted = 0;
        bool held = false;
    };
    struct Reading;

    // Texts that repeat from file to file are shared through `texts`. `previous` is what the last read of the
    // path gave, if any. The file's parse goes ahead only once what it takes fits at `memory`; a file that cannot
    // fit even alone, or cannot be opened or read to its end, holds what `previous` held unless its path names
    // nothing any more; one that cannot fit has
    // no identity, so that it is read again. Once `abandoned` is set, what is read is of no use: the file is not
    // read, or its parse stops early, and it holds nothing.
    static Reading read(const QString& path, TimeZoneCache& zones, TextPool& texts, MemoryGate& memory,
        MemoryClaim claim, const ICalendarFile* previous = nullptr, const std::atomic<bool>* abandoned = nullptr);
    // The most that reading `text` takes, the text included.
    static qint64 memoryToRead(QByteArrayView text);
    // `path` only names the file in what is logged.
    static ICalendarFile parse(const QByteArray& data, TimeZoneCache& zones, TextPool& texts, const QString& path = {},
        const std::atomic<bool>* abandoned = nullptr);
};

// How a read went: the file, or none yet when its parse does not fit beside the others' now. It then holds nothing,
// not even a thread, and `claim` says what it waits for.
struct ICalendarFile::Reading
{
    std::optional<ICalendarFile> file;
    MemoryClaim claim;
};

} // namespace platform

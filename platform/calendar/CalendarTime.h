#pragma once

#include "platform/calendar/CalendarZone.h"
#include "platform/time/Date.h"

#include <QDate>
#include <QTime>

namespace platform {

// A DATE or DATE-TIME of an iCalendar file as written: a wall-clock reading and the zone to read it in.
// Dates and floating times are read in the user's zone. As RFC 5545 has it, a reading that occurs twice
// (clocks going back) means the first of its instants, and one that a change skips is read with the offset
// before the change.
struct CalendarTime
{
    // One byte: every event of every file holds a time, and a wider one would pad it by eight.
    enum class Zone : quint8 { local, utc, named };

    QDate date;
    QTime time = QTime(0, 0);
    bool isDate = false;
    Zone zone = Zone::local;
    CalendarZone namedZone;

    bool isValid() const { return date.isValid() && time.isValid(); }
    Date toDate() const;
    // The same reading moved by whole days, keeping the wall-clock time across daylight-saving changes.
    CalendarTime addingDays(qint64 days) const;
    // Returns this moment as a wall-clock reading in `other`'s zone.
    CalendarTime inZoneOf(const CalendarTime& other) const;
    // The wall-clock reading as seconds from the start of the Julian day count, and the same zone's reading
    // at such a count: for moving readings by wall time, whatever the zone's offsets do meanwhile.
    qint64 wallSeconds() const;
    CalendarTime atWallSeconds(qint64 seconds) const;

private:
    int offsetAt(qint64 utcSeconds) const;
    qint64 secondsSince1970() const;
};

} // namespace platform

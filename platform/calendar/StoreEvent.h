#pragma once

#include "platform/calendar/Participant.h"
#include "platform/calendar/RecurrenceRule.h"
#include "platform/calendar/StoreCalendar.h"
#include "platform/time/Date.h"

#include <QList>
#include <QString>
#include <optional>

namespace platform {

// One occurrence of an event; a recurring event arrives as one of these per occurrence.
struct StoreEvent
{
    StoreCalendar calendar;
    std::optional<QString> title;
    Date start;
    Date end;
    bool isAllDay = false;
    std::optional<QString> url;
    std::optional<QString> location;
    std::optional<QString> notes;
    bool hasAttendees = false;
    QList<Participant> attendees;
    std::optional<Participant> organizer;
    // The UID, the same across devices.
    std::optional<QString> externalIdentifier;
    // Unique per occurrence.
    QString itemIdentifier;
    // The start the series gave this occurrence (its RECURRENCE-ID), before any move; absent for a
    // single event.
    std::optional<Date> recurrenceStart;
    std::optional<RecurrenceRule> recurrenceRule;

    bool operator==(const StoreEvent&) const = default;
};

} // namespace platform

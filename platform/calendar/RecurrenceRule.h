#pragma once

#include <QList>

namespace platform {

enum class RecurrenceFrequency { daily = 0, weekly = 1, monthly = 2, yearly = 3, other = 4 };

// A day of the week in a rule: Sunday 1 to Saturday 7, with its ordinal (BYDAY=-1FR: week number -1),
// 0 meaning every such day.
struct RecurrenceDay
{
    int dayOfWeek = 1;
    int weekNumber = 0;

    bool operator==(const RecurrenceDay&) const = default;
};

// The first RRULE of an event, as the calling code labels it.
struct RecurrenceRule
{
    RecurrenceFrequency frequency = RecurrenceFrequency::daily;
    int interval = 1;
    QList<RecurrenceDay> daysOfWeek;
    QList<int> daysOfMonth;
    QList<int> setPositions;

    bool operator==(const RecurrenceRule&) const = default;
};

} // namespace platform

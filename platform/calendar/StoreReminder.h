#pragma once

#include "platform/calendar/StoreCalendar.h"
#include "platform/time/Date.h"

#include <QString>
#include <optional>

namespace platform {

// A task's due date: a moment, and whether it was given with a time of day (a date alone is due at its
// local midnight).
struct DueDate
{
    Date moment;
    bool hasTime = false;

    bool operator==(const DueDate&) const = default;
};

// One incomplete task.
struct StoreReminder
{
    StoreCalendar calendar;
    std::optional<QString> title;
    std::optional<DueDate> due;
    std::optional<QString> externalIdentifier;
    QString itemIdentifier;

    bool operator==(const StoreReminder&) const = default;
};

} // namespace platform

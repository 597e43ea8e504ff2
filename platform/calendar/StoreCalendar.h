#pragma once

#include <QString>

namespace platform {

// One calendar or reminder list of the calendar database.
struct StoreCalendar
{
    QString identifier;
    QString title;
    // The title of the account that holds the calendar; "Local" for one directly in the calendar root.
    QString sourceTitle;

    bool operator==(const StoreCalendar&) const = default;
};

} // namespace platform

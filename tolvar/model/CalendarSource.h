#pragma once

#include <QString>

namespace tolvar {

// One calendar or reminder list offered for selection.
struct CalendarSource
{
    QString id;
    QString title;
    // The account's title.
    QString sourceTitle;

    QString displayName() const;

    bool operator==(const CalendarSource&) const = default;
};

size_t qHash(const CalendarSource& source, size_t seed = 0);

} // namespace tolvar

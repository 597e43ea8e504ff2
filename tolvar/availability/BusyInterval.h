#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QList>

namespace tolvar {

// Time taken by meetings; end is later than start.
struct BusyInterval
{
    platform::Date start;
    platform::Date end;

    bool operator==(const BusyInterval&) const = default;
};

// The meetings clipped to [from, to], sorted and merged; touching intervals merge. Every meeting
// counts, whatever its calendar or kind; one whose dates are not real instants is ignored.
QList<BusyInterval> busyIntervals(const QList<MeetingSnapshot>& meetings, platform::Date from, platform::Date to);

// Strict on both edges: a span that only touches a busy interval is free.
bool overlapsBusy(platform::Date start, platform::Date end, const QList<BusyInterval>& busy);

} // namespace tolvar

#include "tolvar/availability/BusyInterval.h"

#include <algorithm>

namespace tolvar {

QList<BusyInterval> busyIntervals(const QList<MeetingSnapshot>& meetings, platform::Date from, platform::Date to)
{
    QList<BusyInterval> kept;
    for (const MeetingSnapshot& meeting : meetings) {
        if (!meeting.startDate.isInRecordRange() || !meeting.endDate.isInRecordRange())
            continue;
        const platform::Date start = std::max(from, meeting.startDate);
        const platform::Date end = std::min(to, meeting.endDate);
        if (end > start)
            kept.append({ start, end });
    }
    std::stable_sort(
        kept.begin(), kept.end(), [](const BusyInterval& a, const BusyInterval& b) { return a.start < b.start; });

    QList<BusyInterval> merged;
    for (const BusyInterval& interval : kept) {
        if (!merged.isEmpty() && interval.start <= merged.last().end)
            merged.last().end = std::max(merged.last().end, interval.end);
        else
            merged.append(interval);
    }
    return merged;
}

bool overlapsBusy(platform::Date start, platform::Date end, const QList<BusyInterval>& busy)
{
    return std::any_of(busy.begin(), busy.end(),
        [&](const BusyInterval& interval) { return start < interval.end && interval.start < end; });
}

} // namespace tolvar

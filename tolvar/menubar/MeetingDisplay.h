#pragma once

#include "tolvar/model/MeetingSnapshot.h"

#include <QString>

namespace tolvar {

// What a card or row shows of one meeting, worked out by the panel on each rebuild.
struct MeetingDisplay
{
    MeetingSnapshot meeting;
    bool selected = false;
    bool muted = false;
    // Cards: the countdown ("in 12m 05s", "ends 10:30 AM") and the time range.
    QString countdown;
    QString timeRange;
    // Cards: the meeting has not started yet, so the countdown stands in the trailing column.
    bool upcoming = false;
    // Rows: the time text, led by the day when the meeting is on another day.
    QString timeText;

    bool operator==(const MeetingDisplay&) const = default;
};

// The tool tip and spoken hint of a card or row: they name the panel keys that mute and unmute.
QString muteHelpText(bool muted);
QString muteAccessibilityHint(bool muted);

} // namespace tolvar

#pragma once

#include "platform/time/Date.h"

#include <QDate>
#include <QString>

namespace tolvar {

struct MeetingSnapshot;

// The day and time texts of the panels, in the user's time zone and locale. `today` is the local
// date of the current time.
namespace PanelLabels {

QDate localDate(platform::Date date);
// "9:00 AM – 9:30 AM".
QString timeRangeLabel(const MeetingSnapshot& meeting);
// "Today", "Tomorrow" or the abbreviated weekday.
QString shortDayLabel(platform::Date date, QDate today);
// "Today", "Tomorrow" or "Thu · Mar 5".
QString dayLabel(platform::Date date, QDate today);
// "ends 10:30 AM" while the meeting runs at `now`, else how long until it starts.
QString countdownLabel(const MeetingSnapshot& meeting, platform::Date now, QDate today);

} // namespace PanelLabels

} // namespace tolvar

#pragma once

#include "platform/time/Date.h"
#include "tolvar/availability/AvailabilitySlot.h"
#include "tolvar/availability/AvailabilitySlotDuration.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QDate>
#include <QList>
#include <QTimeZone>
#include <optional>

namespace tolvar {

// What the grid of working-hour slots is made from.
struct AvailabilitySlotGrid
{
    static constexpr int dayCount = 7;

    QList<MeetingSnapshot> meetings;
    AvailabilitySlotDuration duration = AvailabilitySlotDuration::thirtyMinutes;
    int workStartHour = 9;
    int workEndHour = 17;

    // The working hours of today and the six days after it in `zone`, cut into slots: past when they
    // start at or before `now`, busy when a meeting overlaps them, free otherwise. Days ascending.
    QList<AvailabilitySlot> makeSlots(platform::Date now, const QTimeZone& zone) const;
};

// The first instant at which the clocks of `zone` show `hour`:00 on `day`; when that wall time is
// skipped by a daylight-saving change, the first instant after the skip. Nothing for an invalid hour.
std::optional<platform::Date> firstInstantOfHour(QDate day, int hour, const QTimeZone& zone);

} // namespace tolvar

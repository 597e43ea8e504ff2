#pragma once

#include "platform/time/Date.h"
#include "tolvar/availability/AvailabilitySlot.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace tolvar {

// One line of the message: a stretch of picked time.
struct AvailabilityRange
{
    platform::Date start;
    platform::Date end;

    bool operator==(const AvailabilityRange&) const = default;
};

// "PST, GMT-8", "GMT+5:30", "GMT+0": the zone's abbreviation at `at` with its offset from GMT, each
// said once.
QString timeZoneOffsetLabel(const QTimeZone& zone, platform::Date at);

// Slots less than a second apart (or overlapping) become one range, whatever their kind.
QList<AvailabilityRange> mergeAdjacentSlots(const QList<AvailabilitySlot>& slotList);

// The plain-text message offering `slotList`, written in `zone`; the heading names the zone's offset at
// the earliest slot. Empty for no slots.
QString buildAvailabilityMessage(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone, const QLocale& locale);

// "09:00–09:30": a chip's start and end times.
QString slotTimeRangeLabel(const AvailabilitySlot& slot, const QTimeZone& zone, const QLocale& locale);

} // namespace tolvar

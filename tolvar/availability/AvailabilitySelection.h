#pragma once

#include "platform/time/Clock.h"
#include "tolvar/availability/AvailabilityDisplayTimeZone.h"
#include "tolvar/availability/AvailabilitySlot.h"
#include "tolvar/availability/AvailabilitySlotDuration.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QLocale>
#include <QSet>
#include <QTimeZone>

namespace tolvar {

// What the share card has chosen: the slot length, the working hours, the zone its times show in and
// the picked free slots; and the slots, labels and message that follow from those.
class AvailabilitySelection
{
public:
    AvailabilitySelection(
        QList<MeetingSnapshot> meetings, platform::Clock& clock, QTimeZone systemZone, QLocale locale);

    AvailabilitySlotDuration slotDuration() const { return m_slotDuration; }
    int workStartHour() const { return m_workStartHour; }
    int workEndHour() const { return m_workEndHour; }
    const AvailabilityDisplayTimeZone& displayZone() const { return m_displayZone; }
    const QSet<QString>& selectedIDs() const { return m_selectedIDs; }
    const QTimeZone& systemZone() const { return m_systemZone; }

    // Each says whether anything changed. A change of slot length or hours drops picked slots that are
    // no longer offered.
    bool setSlotDuration(AvailabilitySlotDuration duration);
    bool setWorkStartHour(int hour);
    bool setWorkEndHour(int hour);
    void setDisplayZone(const AvailabilityDisplayTimeZone& zone);
    // `isSelected`: whether the slot's chip showed as picked. Only free slots can be picked.
    bool toggle(const AvailabilitySlot& slot, bool isSelected);
    void prune();

    // Read anew on every call, each from one reading of the clock.
    QList<AvailabilitySlot> allSlots() const;
    QList<AvailabilitySlot> selectedSlots() const;
    QTimeZone displayTimeZone() const;
    QString message() const;
    QString dayTitle(platform::Date day) const;
    QString chipLabel(const AvailabilitySlot& slot) const;

private:
    QList<MeetingSnapshot> m_meetings;
    platform::Clock& m_clock;
    QTimeZone m_systemZone;
    QLocale m_locale;

    AvailabilitySlotDuration m_slotDuration = AvailabilitySlotDuration::thirtyMinutes;
    int m_workStartHour = 9;
    int m_workEndHour = 17;
    AvailabilityDisplayTimeZone m_displayZone = AvailabilityDisplayTimeZone::system();
    QSet<QString> m_selectedIDs;
};

} // namespace tolvar

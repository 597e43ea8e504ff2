#include "tolvar/availability/AvailabilitySelection.h"

#include "platform/text/DateTemplateFormat.h"
#include "platform/text/Localized.h"
#include "tolvar/availability/AvailabilityDayGroup.h"
#include "tolvar/availability/AvailabilityMessage.h"
#include "tolvar/availability/AvailabilitySlotGrid.h"

namespace tolvar {

AvailabilitySelection::AvailabilitySelection(
    QList<MeetingSnapshot> meetings, platform::Clock& clock, QTimeZone systemZone, QLocale locale)
    : m_meetings(std::move(meetings))
    , m_clock(clock)
    , m_systemZone(std::move(systemZone))
    , m_locale(std::move(locale))
{ }

bool AvailabilitySelection::setSlotDuration(AvailabilitySlotDuration duration)
{
    if (duration == m_slotDuration)
        return false;
    m_slotDuration = duration;
    prune();
    return true;
}

bool AvailabilitySelection::setWorkStartHour(int hour)
{
    if (hour == m_workStartHour)
        return false;
    m_workStartHour = hour;
    prune();
    return true;
}

bool AvailabilitySelection::setWorkEndHour(int hour)
{
    if (hour == m_workEndHour)
        return false;
    m_workEndHour = hour;
    prune();
    return true;
}

void AvailabilitySelection::setDisplayZone(const AvailabilityDisplayTimeZone& zone)
{
    m_displayZone = zone;
}

bool AvailabilitySelection::toggle(const AvailabilitySlot& slot, bool isSelected)
{
    if (slot.kind != AvailabilitySlot::Kind::free)
        return false;
    if (isSelected)
        m_selectedIDs.remove(slot.id());
    else
        m_selectedIDs.insert(slot.id());
    return true;
}

void AvailabilitySelection::prune()
{
    QSet<QString> offered;
    for (const AvailabilitySlot& slot : allSlots()) {
        if (slot.kind == AvailabilitySlot::Kind::free)
            offered.insert(slot.id());
    }
    m_selectedIDs.intersect(offered);
}

QList<AvailabilitySlot> AvailabilitySelection::allSlots() const
{
    return AvailabilitySlotGrid { m_meetings, m_slotDuration, m_workStartHour, m_workEndHour }.makeSlots(
        m_clock.now(), m_systemZone);
}

QList<AvailabilitySlot> AvailabilitySelection::selectedSlots() const
{
    QList<AvailabilitySlot> picked;
    for (const AvailabilitySlot& slot : allSlots()) {
        if (slot.kind == AvailabilitySlot::Kind::free && m_selectedIDs.contains(slot.id()))
            picked.append(slot);
    }
    return sortedByStart(picked);
}

QTimeZone AvailabilitySelection::displayTimeZone() const
{
    if (m_displayZone.isSystem())
        return m_systemZone;
    const QTimeZone zone(m_displayZone.identifierText().toUtf8());
    return zone.isValid() ? zone : m_systemZone;
}

QString AvailabilitySelection::message() const
{
    return buildAvailabilityMessage(selectedSlots(), displayTimeZone(), m_locale);
}

QString AvailabilitySelection::dayTitle(platform::Date day) const
{
    const QDate today = m_clock.now().toDateTime().toTimeZone(m_systemZone).date();
    const QDate date = day.toDateTime().toTimeZone(m_systemZone).date();
    if (date == today)
        return platform::localized("Today");
    if (date == today.addDays(1))
        return platform::localized("Tomorrow");
    return platform::formatDateFromTemplate(day, QStringLiteral("EEEE MMM d"), m_locale, m_systemZone);
}

QString AvailabilitySelection::chipLabel(const AvailabilitySlot& slot) const
{
    return slotTimeRangeLabel(slot, displayTimeZone(), m_locale);
}

} // namespace tolvar

#include "platform/calendar/TestEventStore.h"

#include <algorithm>

namespace platform {

namespace {

bool isAsked(const StoreCalendar& calendar, const QList<StoreCalendar>& calendars)
{
    return std::any_of(calendars.cbegin(), calendars.cend(),
        [&](const StoreCalendar& asked) { return asked.identifier == calendar.identifier; });
}

} // namespace

AuthorizationStatus TestEventStore::authorizationStatus(EntityType type) const
{
    return m_status.value(type, AuthorizationStatus::notDetermined);
}

QCoro::Task<bool> TestEventStore::requestFullAccess(EntityType type)
{
    ++m_accessRequestCount;
    if (m_grantsAccess)
        m_status[type] = AuthorizationStatus::fullAccess;
    co_return m_grantsAccess;
}

QList<StoreCalendar> TestEventStore::calendars(EntityType type)
{
    return m_calendars.value(type);
}

void TestEventStore::forEachEvent(
    Date start, Date end, const QList<StoreCalendar>& calendars, const std::function<void(StoreEvent&&)>& take)
{
    ++m_eventQueryCount;
    for (const StoreEvent& event : std::as_const(m_events)) {
        if (isAsked(event.calendar, calendars) && event.start < end && (event.end > start || event.start >= start))
            take(StoreEvent(event));
    }
}

QCoro::Task<QList<StoreReminder>> TestEventStore::incompleteReminders(
    Date start, Date end, QList<StoreCalendar> calendars)
{
    QList<StoreReminder> result;
    for (const StoreReminder& reminder : std::as_const(m_reminders)) {
        if (isAsked(reminder.calendar, calendars) && reminder.due && reminder.due->moment >= start
            && reminder.due->moment < end)
            result.append(reminder);
    }
    co_return result;
}

} // namespace platform

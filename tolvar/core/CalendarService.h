#pragma once

#include "platform/calendar/EventStore.h"
#include "platform/time/Clock.h"
#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/CalendarSource.h"
#include "tolvar/model/EventScope.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/PermissionState.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QSet>
#include <optional>

namespace tolvar {

// The application's only door to the calendar database: access, the calendars and reminder lists to
// choose from, and the coming events and due tasks as meeting records. It never writes to the database.
class CalendarService
{
public:
    CalendarService(platform::EventStore& eventStore, platform::Clock& clock);

    platform::EventStore& eventStore() { return m_eventStore; }

    // Asks only while the status is not determined.
    QCoro::Task<PermissionState> requestCalendarAccess();
    QCoro::Task<PermissionState> requestRemindersAccess();

    // Sorted by display name in the current locale.
    QList<CalendarSource> calendarSources();
    QList<CalendarSource> reminderListSources();

    // The events of the selected calendars from five minutes ago to the end of the last day ahead, in
    // the store's order; events that are no meeting are dropped unless their calendar's rule takes them.
    QList<MeetingSnapshot> fetchMeetings(const QSet<QString>& selectedCalendarIDs, const QString& deviceID,
        const QHash<QString, CalendarRule>& rules, int forwardDays);
    QCoro::Task<QList<MeetingSnapshot>> upcomingReminders(
        QSet<QString> selectedReminderListIDs, QString deviceID, int defaultHour, int forwardDays);

    static PermissionState permissionState(platform::AuthorizationStatus status);
    static EventScope eventScope(const platform::StoreCalendar& calendar, const QHash<QString, CalendarRule>& rules);
    static std::optional<QString> participantEmail(const platform::Participant& participant);
    static std::optional<QString> organizerName(const platform::Participant& organizer);
    static QList<MeetingAttendee> attendees(const platform::StoreEvent& event);
    static std::optional<QString> recurrenceLabel(const std::optional<platform::RecurrenceRule>& rule);

private:
    struct Window
    {
        platform::Date start;
        platform::Date end;
    };

    QCoro::Task<PermissionState> requestAccess(platform::EntityType type);
    QList<CalendarSource> sources(platform::EntityType type);
    QList<platform::StoreCalendar> selectedCalendars(platform::EntityType type, const QSet<QString>& identifiers);
    Window comingWindow(int forwardDays) const;
    std::optional<MeetingSnapshot> makeSnapshot(
        const platform::StoreEvent& event, const QString& deviceID, const QHash<QString, CalendarRule>& rules) const;
    std::optional<MeetingSnapshot> makeTaskSnapshot(
        const platform::StoreReminder& reminder, const QString& deviceID, int defaultHour) const;

    platform::EventStore& m_eventStore;
    platform::Clock& m_clock;
};

} // namespace tolvar

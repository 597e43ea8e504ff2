#pragma once

#include "platform/calendar/EventStore.h"

#include <QHash>

namespace platform {

// An in-memory calendar database for tests: set its calendars, events, tasks and access, and post changes.
class TestEventStore final : public EventStore
{
    Q_OBJECT
public:
    using EventStore::EventStore;

    AuthorizationStatus authorizationStatus(EntityType type) const override;
    QCoro::Task<bool> requestFullAccess(EntityType type) override;
    QList<StoreCalendar> calendars(EntityType type) override;
    void forEachEvent(Date start, Date end, const QList<StoreCalendar>& calendars,
        const std::function<void(StoreEvent&&)>& take) override;
    QCoro::Task<QList<StoreReminder>> incompleteReminders(
        Date start, Date end, QList<StoreCalendar> calendars) override;
    void reset() override { ++m_resetCount; }
    bool isFirstReadComplete() const override { return m_firstReadComplete; }
    bool isReadComplete() const override { return m_firstReadComplete && m_readComplete; }
    QList<UnknownFile> unknownFiles() const override { return m_unknownFiles; }

    void setAuthorizationStatus(EntityType type, AuthorizationStatus status) { m_status[type] = status; }
    // What a request answers while the status is not determined; giving access also sets the status.
    void setGrantsAccess(bool grants) { m_grantsAccess = grants; }
    void setCalendars(EntityType type, QList<StoreCalendar> calendars) { m_calendars[type] = std::move(calendars); }
    // Events are returned when they overlap the asked window and belong to an asked calendar.
    void setEvents(QList<StoreEvent> events) { m_events = std::move(events); }
    // Reminders are returned when their due moment lies in the window and their list was asked.
    void setReminders(QList<StoreReminder> reminders) { m_reminders = std::move(reminders); }
    void postChange() { Q_EMIT changed(); }
    // Answers as a store still in its first read of the database.
    void setFirstReadComplete(bool complete) { m_firstReadComplete = complete; }
    // Answers as a store reading the database again.
    void setReadComplete(bool complete) { m_readComplete = complete; }
    // Answers as a store that could not read these files.
    void setUnknownFiles(QList<UnknownFile> files) { m_unknownFiles = std::move(files); }

    int accessRequestCount() const { return m_accessRequestCount; }
    int eventQueryCount() const { return m_eventQueryCount; }
    int resetCount() const { return m_resetCount; }

private:
    QHash<EntityType, AuthorizationStatus> m_status;
    QHash<EntityType, QList<StoreCalendar>> m_calendars;
    QList<StoreEvent> m_events;
    QList<StoreReminder> m_reminders;
    QList<UnknownFile> m_unknownFiles;
    bool m_grantsAccess = true;
    bool m_firstReadComplete = true;
    bool m_readComplete = true;
    int m_accessRequestCount = 0;
    int m_eventQueryCount = 0;
    int m_resetCount = 0;
};

} // namespace platform

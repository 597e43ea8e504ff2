#include "tolvar/core/CalendarService.h"

#include "platform/text/Localized.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/model/MeetingLinks.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace tolvar {

using platform::Date;
using platform::EntityType;
using platform::Participant;
using platform::ParticipantStatus;
using platform::ParticipantType;
using platform::RecurrenceFrequency;
using platform::RecurrenceRule;

namespace {

constexpr double pastSlack = 300;
constexpr double fallbackWindow = 604800;

std::optional<QString> trimmedNonEmpty(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

AttendeeRSVPStatus rsvpStatus(ParticipantStatus status)
{
    switch (status) {
    case ParticipantStatus::accepted:
        return AttendeeRSVPStatus::accepted;
    case ParticipantStatus::declined:
        return AttendeeRSVPStatus::declined;
    case ParticipantStatus::tentative:
        return AttendeeRSVPStatus::tentative;
    default:
        return AttendeeRSVPStatus::noAnswer;
    }
}

QString number(int value)
{
    return QLocale().toString(value);
}

// Sunday 1 to Saturday 7, in day order, as the current locale names them.
QStringList weekdayNames(const RecurrenceRule& rule)
{
    QList<int> days;
    for (const platform::RecurrenceDay& day : rule.daysOfWeek)
        days.append(day.dayOfWeek);
    std::sort(days.begin(), days.end());
    QStringList names;
    for (int day : std::as_const(days)) {
        if (day < 1 || day > 7)
            continue;
        names.append(QLocale().dayName(day == 1 ? 7 : day - 1, QLocale::LongFormat));
    }
    return names;
}

bool isWeekdaySet(const RecurrenceRule& rule)
{
    if (rule.daysOfWeek.size() != 5)
        return false;
    QSet<int> days;
    for (const platform::RecurrenceDay& day : rule.daysOfWeek)
        days.insert(day.dayOfWeek);
    return days == QSet<int>({ 2, 3, 4, 5, 6 });
}

// A rule for "the last Friday" is written BYDAY=-1FR, without BYSETPOS: the weekday's own ordinal then
// stands for the set position, or the label would lose it.
QList<int> setPositions(const RecurrenceRule& rule)
{
    if (!rule.setPositions.isEmpty())
        return rule.setPositions;
    for (const platform::RecurrenceDay& day : rule.daysOfWeek) {
        if (day.weekNumber != 0)
            return { day.weekNumber };
    }
    return {};
}

QString ordinalText(int position)
{
    switch (position) {
    case 1:
        return platform::localized("the first");
    case 2:
        return platform::localized("the second");
    case 3:
        return platform::localized("the third");
    case 4:
        return platform::localized("the fourth");
    case 5:
        return platform::localized("the fifth");
    case -1:
        return platform::localized("the last");
    default:
        return platform::localizedFormat("the %d", { number(position) });
    }
}

QString localizedListString(const QStringList& items)
{
    const QString list = QLocale().createSeparatedList(items);
    return list.isEmpty() ? items.join(QLatin1String(", ")) : list;
}

QString weeklyLabel(const RecurrenceRule& rule, int n)
{
    if (isWeekdaySet(rule))
        return n > 1 ? platform::localizedFormat("Every %d weeks on weekdays", { number(n) })
                     : platform::localized("Every weekday");
    const QStringList names = weekdayNames(rule);
    if (!names.isEmpty()) {
        const QString list = localizedListString(names);
        return n > 1 ? platform::localizedFormat("Every %d weeks on %@", { number(n), list })
                     : platform::localizedFormat("Every week on %@", { list });
    }
    return n > 1 ? platform::localizedFormat("Every %d weeks", { number(n) }) : platform::localized("Every week");
}

QString monthlyLabel(const RecurrenceRule& rule, int n)
{
    const QStringList names = weekdayNames(rule);
    const QList<int> positions = setPositions(rule);
    if (!names.isEmpty() && !positions.isEmpty()) {
        const QString ordinal = ordinalText(positions.first());
        return n > 1 ? platform::localizedFormat("Every %d months on %@ %@", { number(n), ordinal, names.first() })
                     : platform::localizedFormat("Every month on %@ %@", { ordinal, names.first() });
    }
    if (!rule.daysOfMonth.isEmpty()) {
        const QString day = number(rule.daysOfMonth.first());
        return n > 1 ? platform::localizedFormat("Every %d months on day %d", { number(n), day })
                     : platform::localizedFormat("Every month on day %d", { day });
    }
    return n > 1 ? platform::localizedFormat("Every %d months", { number(n) }) : platform::localized("Every month");
}

} // namespace

CalendarService::CalendarService(platform::EventStore& eventStore, platform::Clock& clock)
    : m_eventStore(eventStore)
    , m_clock(clock)
{ }

PermissionState CalendarService::permissionState(platform::AuthorizationStatus status)
{
    switch (status) {
    case platform::AuthorizationStatus::fullAccess:
        return PermissionState::granted;
    case platform::AuthorizationStatus::restricted:
    case platform::AuthorizationStatus::denied:
    case platform::AuthorizationStatus::writeOnly:
        return PermissionState::denied;
    default:
        return PermissionState::unknown;
    }
}

QCoro::Task<PermissionState> CalendarService::requestCalendarAccess()
{
    co_return co_await requestAccess(EntityType::event);
}

QCoro::Task<PermissionState> CalendarService::requestRemindersAccess()
{
    co_return co_await requestAccess(EntityType::reminder);
}

QCoro::Task<PermissionState> CalendarService::requestAccess(EntityType type)
{
    const platform::AuthorizationStatus status = m_eventStore.authorizationStatus(type);
    if (status != platform::AuthorizationStatus::notDetermined)
        co_return permissionState(status);
    const bool granted = co_await m_eventStore.requestFullAccess(type);
    co_return granted ? PermissionState::granted : PermissionState::denied;
}

QList<CalendarSource> CalendarService::calendarSources()
{
    return sources(EntityType::event);
}

QList<CalendarSource> CalendarService::reminderListSources()
{
    return sources(EntityType::reminder);
}

QList<CalendarSource> CalendarService::sources(EntityType type)
{
    QList<CalendarSource> result;
    for (const platform::StoreCalendar& calendar : m_eventStore.calendars(type))
        result.append({ calendar.identifier, calendar.title, calendar.sourceTitle });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(), [&](const CalendarSource& a, const CalendarSource& b) {
        return collator.compare(a.displayName(), b.displayName()) < 0;
    });
    return result;
}

QList<platform::StoreCalendar> CalendarService::selectedCalendars(EntityType type, const QSet<QString>& identifiers)
{
    QList<platform::StoreCalendar> selected;
    if (identifiers.isEmpty())
        return selected;
    for (const platform::StoreCalendar& calendar : m_eventStore.calendars(type)) {
        if (identifiers.contains(calendar.identifier))
            selected.append(calendar);
    }
    return selected;
}

CalendarService::Window CalendarService::comingWindow(int forwardDays) const
{
    const Date now = m_clock.now();
    const QDateTime end = now.toDateTime().toLocalTime().date().startOfDay().addDays(std::max(forwardDays, 1));
    return { now.addingSeconds(-pastSlack),
        end.isValid() ? Date::fromDateTime(end) : now.addingSeconds(fallbackWindow) };
}

QList<MeetingSnapshot> CalendarService::fetchMeetings(const QSet<QString>& selectedCalendarIDs, const QString& deviceID,
    const QHash<QString, CalendarRule>& rules, int forwardDays)
{
    if (m_eventStore.authorizationStatus(EntityType::event) != platform::AuthorizationStatus::fullAccess)
        return {};
    const QList<platform::StoreCalendar> calendars = selectedCalendars(EntityType::event, selectedCalendarIDs);
    if (calendars.isEmpty())
        return {};
    const Window window = comingWindow(forwardDays);
    // Each event is let go once it is a record: tens of thousands of them are never held all at once.
    QList<MeetingSnapshot> result;
    m_eventStore.forEachEvent(window.start, window.end, calendars, [&](platform::StoreEvent&& event) {
        if (auto snapshot = makeSnapshot(event, deviceID, rules))
            result.append(std::move(*snapshot));
    });
    return result;
}

QCoro::Task<QList<MeetingSnapshot>> CalendarService::upcomingReminders(
    QSet<QString> selectedReminderListIDs, QString deviceID, int defaultHour, int forwardDays)
{
    if (m_eventStore.authorizationStatus(EntityType::reminder) != platform::AuthorizationStatus::fullAccess)
        co_return QList<MeetingSnapshot>();
    const QList<platform::StoreCalendar> lists = selectedCalendars(EntityType::reminder, selectedReminderListIDs);
    if (lists.isEmpty())
        co_return QList<MeetingSnapshot>();
    const Window window = comingWindow(forwardDays);
    const QList<platform::StoreReminder> reminders
        = co_await m_eventStore.incompleteReminders(window.start, window.end, lists);
    QList<MeetingSnapshot> result;
    for (const platform::StoreReminder& reminder : reminders) {
        if (auto snapshot = makeTaskSnapshot(reminder, deviceID, defaultHour))
            result.append(std::move(*snapshot));
    }
    co_return result;
}

std::optional<MeetingSnapshot> CalendarService::makeSnapshot(
    const platform::StoreEvent& event, const QString& deviceID, const QHash<QString, CalendarRule>& rules) const
{
    const std::optional<QUrl> url = event.url ? std::optional<QUrl>(QUrl(*event.url)) : std::nullopt;
    const std::optional<QUrl> joinURL = MeetingSnapshot::detectJoinURL(url, event.location, event.notes);
    const std::optional<QString> location = physicalLocationText(event.location);
    if (!joinURL && !location && !event.hasAttendees
        && eventScope(event.calendar, rules) != EventScope::meetingsAndEvents)
        return std::nullopt;

    MeetingSnapshot snapshot;
    snapshot.title = event.title ? *event.title : platform::localized("Untitled meeting");
    snapshot.startDate = event.start;
    snapshot.endDate = event.end;
    snapshot.originalStartDate = event.recurrenceStart;
    snapshot.id
        = MeetingSnapshot::makeStableID(snapshot.title, event.start, event.end, joinURL, event.externalIdentifier);
    snapshot.sourceDeviceID = deviceID;
    snapshot.calendarExternalIdentifier = event.calendar.identifier;
    snapshot.calendarTitle = event.calendar.title;
    snapshot.calendarSourceTitle = event.calendar.sourceTitle;
    snapshot.location = location;
    snapshot.notesHash = sha256Hex(event.notes);
    snapshot.joinURL = joinURL;
    snapshot.eventExternalIdentifier = event.externalIdentifier;
    snapshot.calendarItemIdentifier = event.itemIdentifier;
    snapshot.lastSeenAt = m_clock.now();
    snapshot.isTask = false;
    snapshot.attendees = attendees(event);
    if (event.organizer)
        snapshot.organizerName = organizerName(*event.organizer);
    snapshot.recurrenceLabel = recurrenceLabel(event.recurrenceRule);
    return snapshot;
}

std::optional<MeetingSnapshot> CalendarService::makeTaskSnapshot(
    const platform::StoreReminder& reminder, const QString& deviceID, int defaultHour) const
{
    if (!reminder.due)
        return std::nullopt;
    MeetingSnapshot snapshot;
    snapshot.title = reminder.title && !reminder.title->trimmed().isEmpty() ? *reminder.title
                                                                            : platform::localized("Untitled task");
    const Date due = reminder.due->moment;
    if (reminder.due->hasTime) {
        snapshot.startDate = due;
        snapshot.endDate = due.addingSeconds(3600);
    } else {
        const Date day = Date::fromDateTime(due.toDateTime().toLocalTime().date().startOfDay());
        snapshot.startDate = day.addingSeconds(std::clamp(defaultHour, 0, 23) * 3600.0);
        snapshot.endDate = day.addingSeconds(86399);
    }
    snapshot.id = MeetingSnapshot::makeStableID(
        snapshot.title, snapshot.startDate, snapshot.endDate, std::nullopt, reminder.externalIdentifier);
    snapshot.sourceDeviceID = deviceID;
    snapshot.calendarExternalIdentifier = reminder.calendar.identifier;
    snapshot.calendarTitle = reminder.calendar.title;
    snapshot.calendarSourceTitle = reminder.calendar.sourceTitle;
    snapshot.eventExternalIdentifier = reminder.externalIdentifier;
    snapshot.calendarItemIdentifier = reminder.itemIdentifier;
    snapshot.lastSeenAt = m_clock.now();
    snapshot.isTask = true;
    return snapshot;
}

EventScope CalendarService::eventScope(
    const platform::StoreCalendar& calendar, const QHash<QString, CalendarRule>& rules)
{
    const std::optional<QString> key = makeCalendarKey(calendar.sourceTitle, calendar.title);
    if (!key)
        return EventScope::meetingsOnly;
    const auto rule = rules.constFind(*key);
    return rule == rules.constEnd() ? EventScope::meetingsOnly : rule->eventScope;
}

std::optional<QString> CalendarService::participantEmail(const Participant& participant)
{
    if (auto email = trimmedNonEmpty(participant.emailAddress))
        return email;
    static const QLatin1String marker("email = ");
    const qsizetype at = participant.description.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    QString rest = participant.description.mid(at + marker.size());
    static const QString stops = QStringLiteral(";\n\v\f\r\u0085\u2028\u2029");
    const auto stop = std::find_if(rest.cbegin(), rest.cend(), [](QChar c) { return stops.contains(c); });
    rest.truncate(stop - rest.cbegin());
    rest = rest.trimmed();
    if (!rest.contains(QLatin1Char('@')))
        return std::nullopt;
    return rest;
}

std::optional<QString> CalendarService::organizerName(const Participant& organizer)
{
    if (auto name = trimmedNonEmpty(organizer.name))
        return name;
    return participantEmail(organizer);
}

QList<MeetingAttendee> CalendarService::attendees(const platform::StoreEvent& event)
{
    QList<MeetingAttendee> result;
    if (!event.hasAttendees)
        return result;
    // Kept with each meeting fetched: grown one by one, the list would have room for nearly twice as many.
    result.reserve(event.attendees.size());
    for (qsizetype i = 0; i < event.attendees.size(); ++i) {
        const Participant& participant = event.attendees.at(i);
        if (participant.type != ParticipantType::person && participant.type != ParticipantType::group)
            continue;
        const std::optional<QString> email = participantEmail(participant);
        std::optional<QString> name = trimmedNonEmpty(participant.name);
        if (!name)
            name = email;
        if (!name)
            continue;
        MeetingAttendee attendee;
        attendee.id = email ? email->toLower() : *name + QLatin1Char('#') + QString::number(i);
        attendee.name = *name;
        attendee.status = rsvpStatus(participant.status);
        attendee.isCurrentUser = participant.isCurrentUser;
        attendee.email = email;
        result.append(attendee);
    }
    return result;
}

std::optional<QString> CalendarService::recurrenceLabel(const std::optional<RecurrenceRule>& rule)
{
    if (!rule)
        return std::nullopt;
    const int n = rule->interval;
    switch (rule->frequency) {
    case RecurrenceFrequency::daily:
        return n > 1 ? platform::localizedFormat("Every %d days", { number(n) }) : platform::localized("Every day");
    case RecurrenceFrequency::weekly:
        return weeklyLabel(*rule, n);
    case RecurrenceFrequency::monthly:
        return monthlyLabel(*rule, n);
    case RecurrenceFrequency::yearly:
        return n > 1 ? platform::localizedFormat("Every %d years", { number(n) }) : platform::localized("Every year");
    default:
        return platform::localized("Repeats");
    }
}

} // namespace tolvar

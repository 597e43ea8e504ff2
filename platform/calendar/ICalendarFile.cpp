#include "platform/calendar/ICalendarFile.h"

#include "platform/BackgroundRelease.h"
#include "platform/calendar/ICalendarParser.h"
#include "platform/files/MemoryGate.h"
#include "platform/calendar/TextPool.h"
#include "platform/calendar/TimeZoneCache.h"
#include "platform/files/RegularFile.h"

#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <algorithm>
#include <future>
#include <limits>
#include <malloc.h>
#include <memory>
#include <system_error>
#include <thread>

namespace platform {

namespace {

constexpr int maximumRulesPerEvent = 8;
constexpr double maximumLength = 366.0 * 86400;

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The parameter as written in the file. icalparameter_as_ical_string would keep each answer in a ring of
// thousands of buffers per reading thread, some 20 MB over a large folder, for as long as the thread lives.
QString parameterText(icalparameter* parameter)
{
    const std::unique_ptr<char, void (*)(void*)> text(
        icalparameter_as_ical_string_r(parameter), &icalmemory_free_buffer);
    return fromUtf8(text.get());
}

std::optional<QString> nonEmpty(const char* text)
{
    if (!text || !*text)
        return std::nullopt;
    return QString::fromUtf8(text);
}

class ComponentReader
{
public:
    ComponentReader(ICalendarFile& file, TimeZoneCache& zones, TextPool& texts, const std::atomic<bool>* abandoned)
        : file(file)
        , zones(zones)
        , texts(texts)
        , abandoned(abandoned)
    { }

    ICalendarFile& file;
    TimeZoneCache& zones;
    TextPool& texts;
    // Seconds of work for the items of a large file, of no use once set.
    const std::atomic<bool>* abandoned;

    void readRoot(icalcomponent* root)
    {
        m_root = root;
        switch (icalcomponent_isa(root)) {
        case ICAL_XROOT_COMPONENT:
            for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
                 c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
                readCalendar(c);
            break;
        case ICAL_VCALENDAR_COMPONENT:
            readCalendar(root);
            break;
        default:
            readItem(root);
            break;
        }
    }

private:
    // A text that other events are likely to hold too.
    std::optional<QString> sharedText(const char* text)
    {
        std::optional<QString> result = nonEmpty(text);
        if (result)
            *result = texts.intern(*result);
        return result;
    }

    void readCalendar(icalcomponent* calendar)
    {
        if (file.calendarName.isEmpty()) {
            for (icalproperty* p = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY); p;
                 p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
                if (qstrcmp(icalproperty_get_x_name(p), "X-WR-CALNAME") == 0) {
                    file.calendarName = fromUtf8(icalproperty_get_x(p));
                    break;
                }
            }
        }
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT);
             c && !(abandoned && abandoned->load(std::memory_order_relaxed));
             c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT))
            readItem(c);
    }

    void readItem(icalcomponent* item)
    {
        if (icalcomponent_isa(item) == ICAL_VEVENT_COMPONENT) {
            if (auto event = readEvent(item))
                file.events.append(std::move(*event));
        } else if (icalcomponent_isa(item) == ICAL_VTODO_COMPONENT) {
            file.tasks.append(readTask(item));
        }
    }

    std::optional<CalendarTime> readTime(icalproperty* property)
    {
        icalvalue* value = property ? icalproperty_get_value(property) : nullptr;
        if (!value)
            return std::nullopt;
        switch (icalvalue_isa(value)) {
        case ICAL_DATE_VALUE:
            return timeOf(icalvalue_get_date(value), property);
        case ICAL_DATETIME_VALUE:
            return timeOf(icalvalue_get_datetime(value), property);
        case ICAL_DATETIMEPERIOD_VALUE: {
            const icaldatetimeperiodtype period = icalvalue_get_datetimeperiod(value);
            return timeOf(icaltime_is_null_time(period.time) ? period.period.start : period.time, property);
        }
        case ICAL_PERIOD_VALUE:
            return timeOf(icalvalue_get_period(value).start, property);
        default:
            return std::nullopt;
        }
    }

    // An RDATE, with the end of its period when it gives one.
    std::optional<RecurrenceDate> readRecurrenceDate(icalproperty* property)
    {
        const std::optional<CalendarTime> start = readTime(property);
        if (!start)
            return std::nullopt;
        RecurrenceDate result { *start, std::nullopt };
        if (icalvalue_isa(icalproperty_get_value(property)) != ICAL_PERIOD_VALUE)
            return result;
        const icalperiodtype period = icalvalue_get_period(icalproperty_get_value(property));
        if (const std::optional<CalendarTime> end = timeOf(period.end, property)) {
            result.end = end->toDate();
        } else if (!icaldurationtype_is_null_duration(period.duration)) {
            const icaldurationtype duration = period.duration;
            const int sign = duration.is_neg ? -1 : 1;
            result.end
                = start->addingDays(sign * (qint64(duration.weeks) * 7 + duration.days))
                      .toDate()
                      .addingSeconds(sign * (duration.hours * 3600.0 + duration.minutes * 60 + duration.seconds));
        }
        const double length = result.end ? result.end->secondsSince(start->toDate()) : 0;
        if (!(length >= 0 && length <= maximumLength))
            result.end = start->toDate();
        return result;
    }

    // A time of `property`, read in the zone its TZID names.
    std::optional<CalendarTime> timeOf(const icaltimetype& time, icalproperty* property)
    {
        if (icaltime_is_null_time(time))
            return std::nullopt;

        CalendarTime result;
        result.date = QDate(time.year, time.month, time.day);
        result.isDate = time.is_date;
        if (!time.is_date) {
            result.time = QTime(time.hour, time.minute, qMin(time.second, 59));
            if (icaltime_is_utc(time)) {
                result.zone = CalendarTime::Zone::utc;
            } else if (icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
                const CalendarZone zone = zoneNamed(fromUtf8(icalparameter_get_tzid(tzid)));
                if (zone.isValid()) {
                    result.zone = CalendarTime::Zone::named;
                    result.namedZone = zone;
                }
            }
        }
        if (!result.isValid())
            return std::nullopt;
        return result;
    }

    // A zone the system knows by that name, else the file's own VTIMEZONE of that name. A zone that neither
    // defines reads as the user's own: the event still shows, at its written time.
    CalendarZone zoneNamed(const QString& tzid)
    {
        if (auto zone = zones.zone(tzid))
            return *zone;
        auto defined = m_definedZones.constFind(tzid);
        if (defined != m_definedZones.constEnd())
            return *defined;
        QString refusal;
        const CalendarZone zone = definedZone(tzid, refusal);
        if (!zone.isValid() && !m_loggedUnknownZone) {
            m_loggedUnknownZone = true;
            if (refusal.isEmpty())
                qWarning("Calendar file names the time zone \"%s\", which it does not define; its times read as local",
                    qUtf8Printable(tzid));
            else
                qWarning("Calendar file defines the time zone \"%s\", but %s; its times read as local",
                    qUtf8Printable(tzid), qUtf8Printable(refusal));
        }
        m_definedZones.insert(tzid, zone);
        return zone;
    }

    // The file's VTIMEZONE named `tzid`. Walked with iterators of its own, since the reading of the calendar's
    // items is under way with the components' one.
    CalendarZone definedZone(const QString& tzid, QString& refusal) const
    {
        if (icalcomponent_isa(m_root) == ICAL_VCALENDAR_COMPONENT)
            return definedZone(m_root, tzid, refusal);
        if (icalcomponent_isa(m_root) != ICAL_XROOT_COMPONENT)
            return {};
        for (icalcompiter i = icalcomponent_begin_component(m_root, ICAL_VCALENDAR_COMPONENT); icalcompiter_deref(&i);
             icalcompiter_next(&i)) {
            if (CalendarZone zone = definedZone(icalcompiter_deref(&i), tzid, refusal); zone.isValid())
                return zone;
        }
        return {};
    }

    CalendarZone definedZone(icalcomponent* calendar, const QString& tzid, QString& refusal) const
    {
        for (icalcompiter i = icalcomponent_begin_component(calendar, ICAL_VTIMEZONE_COMPONENT); icalcompiter_deref(&i);
             icalcompiter_next(&i)) {
            icalcomponent* zone = icalcompiter_deref(&i);
            icalproperty* name = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
            if (name && fromUtf8(icalproperty_get_tzid(name)) == tzid)
                return zones.definedZone(zone, refusal);
        }
        return {};
    }

    std::shared_ptr<const Participant> readParticipant(icalproperty* property, const char* address)
    {
        Participant participant;
        QString email;
        const QString calendarAddress = fromUtf8(address).trimmed();
        if (calendarAddress.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
            email = calendarAddress.mid(7).trimmed();
            if (!email.isEmpty())
                participant.emailAddress = texts.intern(email);
        }
        QStringList description;
        if (icalparameter* cn = icalproperty_get_first_parameter(property, ICAL_CN_PARAMETER)) {
            participant.name = sharedText(icalparameter_get_cn(cn));
            if (participant.name)
                description.append(QStringLiteral("name = %1").arg(*participant.name));
        }
        if (icalparameter* param = icalproperty_get_first_parameter(property, ICAL_EMAIL_PARAMETER))
            email = fromUtf8(icalparameter_get_email(param)).trimmed();
        if (!email.isEmpty())
            description.append(QStringLiteral("email = %1").arg(email));
        if (icalparameter* param = icalproperty_get_first_parameter(property, ICAL_PARTSTAT_PARAMETER)) {
            participant.status = participantStatus(param);
            description.append(QStringLiteral("status = %1").arg(parameterText(param)));
        }
        if (icalparameter* param = icalproperty_get_first_parameter(property, ICAL_ROLE_PARAMETER))
            description.append(QStringLiteral("role = %1").arg(parameterText(param)));
        if (icalparameter* param = icalproperty_get_first_parameter(property, ICAL_CUTYPE_PARAMETER)) {
            participant.type = participantType(icalparameter_get_cutype(param));
            description.append(QStringLiteral("type = %1").arg(parameterText(param)));
        }
        participant.description = texts.intern(description.join(QLatin1String("; ")));
        return texts.intern(participant);
    }

    static ParticipantType participantType(icalparameter_cutype type)
    {
        switch (type) {
        case ICAL_CUTYPE_INDIVIDUAL:
        case ICAL_CUTYPE_NONE:
            return ParticipantType::person;
        case ICAL_CUTYPE_GROUP:
            return ParticipantType::group;
        case ICAL_CUTYPE_RESOURCE:
            return ParticipantType::resource;
        case ICAL_CUTYPE_ROOM:
            return ParticipantType::room;
        default:
            return ParticipantType::unknown;
        }
    }

    static ParticipantStatus participantStatus(icalparameter* param)
    {
        switch (icalparameter_get_partstat(param)) {
        case ICAL_PARTSTAT_NEEDSACTION:
        case ICAL_PARTSTAT_NONE:
            return ParticipantStatus::pending;
        case ICAL_PARTSTAT_ACCEPTED:
            return ParticipantStatus::accepted;
        case ICAL_PARTSTAT_DECLINED:
            return ParticipantStatus::declined;
        case ICAL_PARTSTAT_TENTATIVE:
            return ParticipantStatus::tentative;
        case ICAL_PARTSTAT_DELEGATED:
            return ParticipantStatus::delegated;
        case ICAL_PARTSTAT_COMPLETED:
            return ParticipantStatus::completed;
        case ICAL_PARTSTAT_INPROCESS:
            return ParticipantStatus::inProcess;
        case ICAL_PARTSTAT_X:
            // libical 3.0 does not know the standard's own spelling of this one.
            if (qstricmp(icalparameter_get_xvalue(param), "IN-PROCESS") == 0)
                return ParticipantStatus::inProcess;
            return ParticipantStatus::unknown;
        default:
            return ParticipantStatus::unknown;
        }
    }

    // The rule's INTERVAL whole, where libical's 16 bits would cut it.
    static qint64 intervalOf(icalproperty* property, const icalrecurrencetype& rule)
    {
        // The parser gives the whole interval of a rule it capped, and only there: a file's own parameter is no rule.
        if (rule.interval != std::numeric_limits<short>::max())
            return rule.interval;
        for (icalparameter* p = icalproperty_get_first_parameter(property, ICAL_X_PARAMETER); p;
             p = icalproperty_get_next_parameter(property, ICAL_X_PARAMETER)) {
            if (qstricmp(icalparameter_get_xname(p), ICalendarParser::wholeIntervalParameter) != 0)
                continue;
            const QByteArrayView digits(icalparameter_get_xvalue(p));
            if (digits.isEmpty()
                || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                break;
            bool fits = false;
            const qint64 interval = digits.toLongLong(&fits);
            return fits ? std::clamp(interval, qint64(1), StoredRule::longestInterval) : StoredRule::longestInterval;
        }
        return rule.interval;
    }

    static RecurrenceRule describe(const icalrecurrencetype& rule, qint64 interval)
    {
        RecurrenceRule result;
        switch (rule.freq) {
        case ICAL_DAILY_RECURRENCE:
            result.frequency = RecurrenceFrequency::daily;
            break;
        case ICAL_WEEKLY_RECURRENCE:
            result.frequency = RecurrenceFrequency::weekly;
            break;
        case ICAL_MONTHLY_RECURRENCE:
            result.frequency = RecurrenceFrequency::monthly;
            break;
        case ICAL_YEARLY_RECURRENCE:
            result.frequency = RecurrenceFrequency::yearly;
            break;
        default:
            result.frequency = RecurrenceFrequency::other;
            break;
        }
        result.interval = int(std::min<qint64>(interval, std::numeric_limits<int>::max()));
        for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            result.daysOfWeek.append({ int(icalrecurrencetype_day_day_of_week(rule.by_day[i])),
                icalrecurrencetype_day_position(rule.by_day[i]) });
        }
        for (int i = 0; i < ICAL_BY_MONTHDAY_SIZE && rule.by_month_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
            result.daysOfMonth.append(rule.by_month_day[i]);
        for (int i = 0; i < ICAL_BY_SETPOS_SIZE && rule.by_set_pos[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
            result.setPositions.append(rule.by_set_pos[i]);
        return result;
    }

    // A numbered weekday, a day of the year or a week number in a daily or finer rule.
    static bool hasForbiddenParts(const icalrecurrencetype& rule)
    {
        const bool daily = rule.freq == ICAL_DAILY_RECURRENCE;
        if (!daily && rule.freq != ICAL_HOURLY_RECURRENCE && rule.freq != ICAL_MINUTELY_RECURRENCE
            && rule.freq != ICAL_SECONDLY_RECURRENCE)
            return false;
        if (rule.by_week_no[0] != ICAL_RECURRENCE_ARRAY_MAX
            || (daily && rule.by_year_day[0] != ICAL_RECURRENCE_ARRAY_MAX))
            return true;
        for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (icalrecurrencetype_day_position(rule.by_day[i]) != 0)
                return true;
        }
        return false;
    }

    void readRules(icalcomponent* item, ICalendarEvent& event)
    {
        ICalendarEvent::Recurrence recurrence;
        bool loggedForbidden = false;
        for (icalproperty* p = icalcomponent_get_first_property(item, ICAL_RRULE_PROPERTY);
             p && recurrence.rules.size() < maximumRulesPerEvent;
             p = icalcomponent_get_next_property(item, ICAL_RRULE_PROPERTY)) {
            if (!icalproperty_get_value(p))
                continue;
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq == ICAL_NO_RECURRENCE)
                continue;
            if (rule.interval < 1)
                rule.interval = 1;
            const qint64 interval = intervalOf(p, rule);
            if (!recurrence.firstRule)
                recurrence.firstRule = describe(rule, interval);
            if (hasForbiddenParts(rule) && !loggedForbidden) {
                loggedForbidden = true;
                qWarning("Calendar event %s repeats by a rule with parts that RFC 5545 forbids at its frequency; "
                         "they are read as most programs read them",
                    qUtf8Printable(event.uid.isEmpty() ? QStringLiteral("without UID") : event.uid));
            }
            recurrence.rules.append(StoredRule(rule, interval));
        }
        for (icalproperty* p = icalcomponent_get_first_property(item, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(item, ICAL_RDATE_PROPERTY)) {
            if (auto date = readRecurrenceDate(p))
                recurrence.dates.append(*date);
        }
        for (icalproperty* p = icalcomponent_get_first_property(item, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(item, ICAL_EXDATE_PROPERTY)) {
            if (auto time = readTime(p))
                recurrence.exceptionDates.append(*time);
        }
        if (!recurrence.rules.isEmpty() || !recurrence.dates.isEmpty())
            event.recurrence = std::make_shared<const ICalendarEvent::Recurrence>(std::move(recurrence));
    }

    void readDuration(icalcomponent* item, ICalendarEvent& event)
    {
        if (auto end = readTime(icalcomponent_get_first_property(item, ICAL_DTEND_PROPERTY))) {
            // RFC 5545 gives every instance the exact length of DTSTART to DTEND; between dates that is days.
            if (event.start.isDate && end->isDate)
                event.durationDays = event.start.date.daysTo(end->date);
            else
                event.durationSeconds = qint64(end->toDate().secondsSince(event.start.toDate()));
        } else if (icalproperty* p = icalcomponent_get_first_property(item, ICAL_DURATION_PROPERTY)) {
            const icaldurationtype duration = icalproperty_get_duration(p);
            const int sign = duration.is_neg ? -1 : 1;
            event.durationDays = sign * (qint64(duration.weeks) * 7 + duration.days);
            event.durationSeconds = sign * (qint64(duration.hours) * 3600 + duration.minutes * 60 + duration.seconds);
        } else if (event.start.isDate) {
            event.durationDays = 1;
        }
        // An end before the start, or beyond any sane length, makes a moment-long event.
        const double length = event.endFor(event.start).secondsSince(event.start.toDate());
        if (!(length >= 0 && length <= maximumLength)) {
            event.durationDays = 0;
            event.durationSeconds = 0;
        }
    }

    std::optional<ICalendarEvent> readEvent(icalcomponent* item)
    {
        ICalendarEvent event;
        auto start = readTime(icalcomponent_get_first_property(item, ICAL_DTSTART_PROPERTY));
        if (!start)
            return std::nullopt;
        event.start = *start;
        event.uid = nonEmpty(icalcomponent_get_uid(item)).value_or(QString());
        event.title = sharedText(icalcomponent_get_summary(item)).value_or(QString());
        event.location = sharedText(icalcomponent_get_location(item)).value_or(QString());
        event.notes = sharedText(icalcomponent_get_description(item)).value_or(QString());
        if (icalproperty* p = icalcomponent_get_first_property(item, ICAL_URL_PROPERTY))
            event.url = sharedText(icalproperty_get_url(p)).value_or(QString());
        if (icalproperty* p = icalcomponent_get_first_property(item, ICAL_STATUS_PROPERTY))
            event.cancelled = icalproperty_get_status(p) == ICAL_STATUS_CANCELLED;
        event.attendees.reserve(icalcomponent_count_properties(item, ICAL_ATTENDEE_PROPERTY));
        for (icalproperty* p = icalcomponent_get_first_property(item, ICAL_ATTENDEE_PROPERTY); p;
             p = icalcomponent_get_next_property(item, ICAL_ATTENDEE_PROPERTY))
            event.attendees.append(readParticipant(p, icalproperty_get_attendee(p)));
        if (icalproperty* p = icalcomponent_get_first_property(item, ICAL_ORGANIZER_PROPERTY))
            event.organizer = readParticipant(p, icalproperty_get_organizer(p));
        icalproperty* recurrenceId = icalcomponent_get_first_property(item, ICAL_RECURRENCEID_PROPERTY);
        if (auto id = readTime(recurrenceId)) {
            event.recurrenceId = std::make_shared<const CalendarTime>(*id);
            icalparameter* range = icalproperty_get_first_parameter(recurrenceId, ICAL_RANGE_PARAMETER);
            event.thisAndFuture = range && icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE;
        }
        readDuration(item, event);
        if (!event.recurrenceId)
            readRules(item, event);
        return event;
    }

    ICalendarTask readTask(icalcomponent* item)
    {
        ICalendarTask task;
        task.uid = nonEmpty(icalcomponent_get_uid(item));
        task.title = sharedText(icalcomponent_get_summary(item));
        task.due = readTime(icalcomponent_get_first_property(item, ICAL_DUE_PROPERTY));
        if (icalproperty* p = icalcomponent_get_first_property(item, ICAL_STATUS_PROPERTY)) {
            const icalproperty_status status = icalproperty_get_status(p);
            task.isIncomplete = status != ICAL_STATUS_COMPLETED && status != ICAL_STATUS_CANCELLED;
        }
        if (icalcomponent_get_first_property(item, ICAL_COMPLETED_PROPERTY))
            task.isIncomplete = false;
        return task;
    }

    icalcomponent* m_root = nullptr;
    QHash<QString, CalendarZone> m_definedZones;
    bool m_loggedUnknownZone = false;
};

// What reading a file takes at most, from its text to libical's tree and the events read from it, as measured
// by bench_calendar_parse_cost on the costliest shapes of text: each line becomes a property with its value and
// parameters, however short it is, and each byte is held several times over on the way. Empty lines and the
// continuations of folded ones add no property.
constexpr qint64 memoryPerFileByte = 8;
constexpr qint64 memoryPerLine = 400;

// A file written while it is read may have grown: one up to this size is still read to its end.
constexpr qint64 shortestReadLimit = 32 * 1024 * 1024;
// A parse of a file this large frees enough that the heap of its thread is given back at once.
constexpr qint64 trimmedAfterParse = 4 * 1024 * 1024;
// How soon a trim under way notices that its read is abandoned.
constexpr std::chrono::milliseconds trimPoll(20);

// The most reading `text` may take beyond the text itself.
qint64 memoryToParse(QByteArrayView text)
{
    qint64 lines = 0;
    for (qsizetype i = text.indexOf('\n'); i >= 0 && i + 1 < text.size(); i = text.indexOf('\n', i + 1)) {
        const char next = text[i + 1];
        lines += next != '\r' && next != '\n' && next != ' ' && next != '\t';
    }
    return text.size() * (memoryPerFileByte - 1) + (lines + 1) * memoryPerLine;
}

// Frees `tree` one component at a time: a whole file's tree takes as long to free as it took to build, and once
// `abandoned` is set, what is left is freed in the background.
void freeInSteps(ICalendarParser::Tree tree, const std::atomic<bool>* abandoned)
{
    while (icalcomponent* child = icalcomponent_get_first_component(tree.get(), ICAL_ANY_COMPONENT)) {
        if (abandoned && abandoned->load(std::memory_order_relaxed)) {
            releaseInBackground(std::move(tree));
            return;
        }
        icalcomponent_remove_component(tree.get(), child);
        freeInSteps(ICalendarParser::Tree(child, &icalcomponent_free), abandoned);
    }
}

// Gives the heap freed by a large parse back to the system, as the claim at the memory gate still holds it. That
// takes up to a second, and cannot be stopped: once `abandoned` is set, it goes on without the read.
void trimHeap(const std::atomic<bool>* abandoned)
{
    std::packaged_task<void()> trim([] { malloc_trim(0); });
    std::future<void> trimmed = trim.get_future();
    try {
        std::thread(std::move(trim)).detach();
    } catch (const std::system_error&) {
        malloc_trim(0);
        return;
    }
    while (trimmed.wait_for(trimPoll) != std::future_status::ready) {
        if (abandoned && abandoned->load(std::memory_order_relaxed))
            return;
    }
}

// Calendar files should be UTF-8; a file that is not is read as Latin-1 rather than garbled or refused.
QByteArray asUtf8(const QByteArray& data)
{
    // Checked in place: decoding the whole file only to learn that would copy it for nothing.
    if (data.isValidUtf8())
        return data;
    return QString::fromLatin1(data).toUtf8();
}

} // namespace

Date ICalendarEvent::endFor(const CalendarTime& occurrenceStart) const
{
    return occurrenceStart.addingDays(durationDays).toDate().addingSeconds(double(durationSeconds));
}

ICalendarFile::Reading ICalendarFile::read(const QString& path, TimeZoneCache& zones, TextPool& texts,
    MemoryGate& memory, MemoryClaim claim, const ICalendarFile* previous, const std::atomic<bool>* abandoned)
{
    // Opened again when it is read again, so that what is parsed and the identity it is known by are one file.
    RegularFile file(path);
    ICalendarFile result;
    // Its last parse stands meanwhile: a file unread is not empty. One whose path names nothing is.
    const auto skip = [&](const QString& reason, qint64 memoryNeeded = 0) {
        const bool gone = !file.isOpen() && !file.identity().isValid() && !QFileInfo::exists(path);
        const Skip skipped { file.identity().isValid() ? file.identity() : FileIdentity::ofPath(path), reason,
            memoryNeeded, gone || (previous && (!previous->skip || previous->skip->contentKnown)) };
        if (!previous || !previous->skip || previous->skip->version != skipped.version
            || previous->skip->reason != reason)
            qWarning("Skipped the calendar file %s: %s", qUtf8Printable(path), qUtf8Printable(reason));
        if (previous && !gone) {
            result.calendarName = previous->calendarName;
            result.events = previous->events;
            result.tasks = previous->tasks;
        }
        result.skip = std::make_shared<const Skip>(skipped);
    };
    // Without an identity it is read again at the next read.
    const auto tooLarge = [&](qint64 needed) {
        skip(QStringLiteral("reading its %1 bytes takes more memory than is available").arg(file.identity().size),
            needed);
        return Reading { std::move(result), {} };
    };
    qint64 held = claim.held ? claim.wanted : 0;
    const auto released = qScopeGuard([&] {
        if (held > 0)
            memory.release(held);
    });
    // Never waits: a parse that waits for memory would hold a thread that files which fit need.
    const auto take = [&](qint64 bytes) {
        if (bytes <= held)
            return MemoryGate::Answer::reserved;
        const MemoryGate::Answer answer = held == 0 ? memory.reserve(bytes, abandoned, QDeadlineTimer(0))
            : memory.resize(held, bytes)            ? MemoryGate::Answer::reserved
                                                    : MemoryGate::Answer::later;
        if (answer == MemoryGate::Answer::reserved)
            held = bytes;
        return answer;
    };
    if (!file.isOpen()) {
        skip(file.errorString());
        result.identity = file.identity();
        return { std::move(result), {} };
    }
    const qint64 size = file.identity().size;
    qint64 wanted = size > std::numeric_limits<qint64>::max() / memoryPerFileByte - memoryPerLine
        ? std::numeric_limits<qint64>::max()
        : std::max(claim.wanted, size * memoryPerFileByte + memoryPerLine);
    // What this version was found to need when it was skipped: read again, it would only learn that once more.
    if (previous && previous->skip && previous->skip->version == file.identity())
        wanted = std::max(wanted, previous->skip->memoryNeeded);
    switch (take(wanted)) {
    case MemoryGate::Answer::abandoned:
        return { ICalendarFile(), {} };
    case MemoryGate::Answer::tooLarge:
        return tooLarge(wanted);
    case MemoryGate::Answer::later:
        return { std::nullopt, { wanted, false } };
    case MemoryGate::Answer::reserved:
        break;
    }
    std::optional<QByteArray> data = file.readAll(std::max(size, shortestReadLimit));
    if (!data) {
        // Most likely caught while it was written: without an identity, it is read again with the next change.
        skip(QStringLiteral("it could not be read to its end"));
        return { std::move(result), {} };
    }
    const qint64 needed = memoryToRead(*data);
    // Grown beside the parses under way it would not fit: it waits for all of it holding nothing, not even its
    // text, as a parse that waits holding memory could wait for another that waits for that memory.
    if (take(needed) != MemoryGate::Answer::reserved)
        return { std::nullopt, { needed, false } };
    result = parse(*data, zones, texts, path, abandoned);
    result.identity = file.identity();
    // The tree just freed would otherwise stay with this thread's heap, out of reach of the next parse on another
    // thread of the pool: one after another, they would hold each one's peak at once.
    if (data->size() >= trimmedAfterParse && !(abandoned && abandoned->load()))
        trimHeap(abandoned);
    return { std::move(result), {} };
}

qint64 ICalendarFile::memoryToRead(QByteArrayView text)
{
    return text.size() + memoryToParse(text);
}

ICalendarFile ICalendarFile::parse(const QByteArray& data, TimeZoneCache& zones, TextPool& texts, const QString& path,
    const std::atomic<bool>* abandoned)
{
    ICalendarFile result;
    // A NUL would end libical's reading early; nothing after it could be a calendar anyway.
    const qsizetype nul = data.indexOf('\0');
    const QByteArray text = asUtf8(nul < 0 ? data : data.left(nul));
    std::optional<ICalendarParser::Tree> root = ICalendarParser::parse(text, abandoned);
    if (abandoned && abandoned->load()) {
        // A whole file's tree takes as long to free as it took to build.
        releaseInBackground(std::move(root));
        return result;
    }
    if (!root) {
        qWarning("Skipped the calendar file %s: its components are nested more than %d deep", qUtf8Printable(path),
            ICalendarParser::maximumNesting);
        return result;
    }
    if (!*root) {
        qWarning("Skipped the calendar file %s: it holds no iCalendar component", qUtf8Printable(path));
        return result;
    }
    ComponentReader reader(result, zones, texts, abandoned);
    reader.readRoot(root->get());
    freeInSteps(std::move(*root), abandoned);
    if (abandoned && abandoned->load()) {
        releaseInBackground(std::move(result));
        return {};
    }
    // Grown one by one, a file's single event would have room for nearly two: thousands of files add up.
    result.events.squeeze();
    result.tasks.squeeze();
    return result;
}

} // namespace platform

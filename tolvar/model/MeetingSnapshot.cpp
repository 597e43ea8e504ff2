#include "tolvar/model/MeetingSnapshot.h"

#include "tolvar/model/JsonMembers.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/model/RecordHash.h"

#include <algorithm>
#include <cmath>

namespace tolvar {

using platform::Date;

namespace {

constexpr QStringView joinServiceHostPatterns[] = { u"zoom.us", u"meet.google.com", u"teams.microsoft.com" };

// Whole seconds since 1970, rounded down: the day a date lies in must not depend on its sign.
qint64 floorSecondsSince1970(Date date)
{
    if (!date.isInRecordRange())
        return date.wholeSecondsSince1970();
    return qint64(std::floor(date.secondsSince1970()));
}

qint64 startOfUtcDay(Date date)
{
    constexpr qint64 secondsPerDay = 86400;
    const qint64 seconds = floorSecondsSince1970(date);
    qint64 days = seconds / secondsPerDay;
    if (seconds % secondsPerDay < 0)
        --days;
    return days * secondsPerDay;
}

// Only http and https links are ever opened, whatever the stored data says.
std::optional<QUrl> storedJoinURL(const nlohmann::json* member)
{
    if (!member || !member->is_string())
        return std::nullopt;
    const QUrl url(QString::fromStdString(member->get_ref<const std::string&>()), QUrl::StrictMode);
    if (!isWebLink(url))
        return std::nullopt;
    return url;
}

} // namespace

QString MeetingSnapshot::makeStableID(const QString& title, Date startDate, Date endDate,
    const std::optional<QUrl>& joinURL, const std::optional<QString>& eventExternalIdentifier)
{
    const QString start = QString::number(startDate.wholeSecondsSince1970());
    const QString end = QString::number(endDate.wholeSecondsSince1970());
    QString input;
    if (eventExternalIdentifier && !eventExternalIdentifier->isEmpty()) {
        input = QStringLiteral("event:") + *eventExternalIdentifier + u':' + start;
    } else {
        const QString link = joinURL ? linkText(*joinURL).toLower() : QString();
        input = QStringList { normalizedMeetingTitle(title), start, end, link }.join(u'|');
    }
    return *sha256Hex(input);
}

std::optional<QUrl> MeetingSnapshot::detectJoinURL(
    const std::optional<QUrl>& url, const std::optional<QString>& location, const std::optional<QString>& notes)
{
    QStringList parts;
    if (url)
        parts.append(linkText(*url));
    if (location)
        parts.append(*location);
    if (notes)
        parts.append(*notes);
    const QList<QUrl> links = detectLinks(parts.join(u'\n'));
    for (const QStringView pattern : joinServiceHostPatterns) {
        for (const QUrl& link : links) {
            if (link.host().toLower().contains(pattern))
                return link;
        }
    }
    if (links.isEmpty())
        return std::nullopt;
    return links.first();
}

std::optional<QUrl> MeetingSnapshot::mapSearchURL(const QString& location)
{
    QUrl url(QStringLiteral("https://www.google.com/maps/search/"));
    // Encoded in full, so that "+" or "&" in a place name stay part of the query.
    url.setQuery(
        QStringLiteral("api=1&query=") + QString::fromLatin1(QUrl::toPercentEncoding(location)), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

QString MeetingSnapshot::mergeKey() const
{
    if (!eventExternalIdentifier || eventExternalIdentifier->isEmpty())
        return QStringLiteral("snapshot:") + id;
    const QString event
        = QStringLiteral("event:") + calendarExternalIdentifier.value_or(QString()) + u':' + *eventExternalIdentifier;
    // An occurrence keeps its original start wherever it is moved; a single event moved within its day
    // stays the same meeting.
    if (originalStartDate)
        return event + QStringLiteral(":@") + QString::number(floorSecondsSince1970(*originalStartDate));
    return event + u':' + QString::number(startOfUtcDay(startDate));
}

MeetingKind MeetingSnapshot::kind() const
{
    if (isTask)
        return MeetingKind::task;
    const bool hasPlace = placeName(location).has_value();
    if (joinURL)
        return hasPlace ? MeetingKind::hybrid : MeetingKind::online;
    return hasPlace ? MeetingKind::inPerson : MeetingKind::calendarEvent;
}

std::optional<QString> MeetingSnapshot::calendarDisplayName() const
{
    const QString calendar = calendarTitle.value_or(QString());
    const QString source = calendarSourceTitle.value_or(QString());
    if (!calendar.isEmpty() && !source.isEmpty())
        return calendar + QStringLiteral(" \u00b7 ") + source;
    if (!calendar.isEmpty())
        return calendar;
    if (!source.isEmpty())
        return source;
    return std::nullopt;
}

nlohmann::json MeetingSnapshot::toJson() const
{
    nlohmann::json json = nlohmann::json::object();
    setMember(json, "id", id);
    setMember(json, "sourceDeviceID", sourceDeviceID);
    setMember(json, "calendarExternalIdentifier", calendarExternalIdentifier);
    setMember(json, "calendarTitle", calendarTitle);
    setMember(json, "calendarSourceTitle", calendarSourceTitle);
    setMember(json, "title", title);
    setMember(json, "startDate", startDate);
    setMember(json, "endDate", endDate);
    setMember(json, "originalStartDate", originalStartDate);
    setMember(json, "location", location);
    setMember(json, "notesHash", notesHash);
    if (joinURL)
        setMember(json, "joinURL", linkText(*joinURL));
    setMember(json, "eventExternalIdentifier", eventExternalIdentifier);
    setMember(json, "calendarItemIdentifier", calendarItemIdentifier);
    setMember(json, "lastSeenAt", lastSeenAt);
    json["isTask"] = isTask;
    nlohmann::json attendeeArray = nlohmann::json::array();
    for (const MeetingAttendee& attendee : attendees)
        attendeeArray.push_back(attendee.toJson());
    json["attendees"] = std::move(attendeeArray);
    setMember(json, "organizerName", organizerName);
    setMember(json, "recurrenceLabel", recurrenceLabel);
    return json;
}

std::optional<MeetingSnapshot> MeetingSnapshot::fromJson(const nlohmann::json& json, QString* error)
{
    JsonObjectReader reader(json, "MeetingSnapshot");
    MeetingSnapshot snapshot;
    snapshot.startDate = reader.requiredDate("startDate");
    snapshot.endDate = reader.requiredDate("endDate");
    snapshot.originalStartDate = reader.optionalDate("originalStartDate");
    // Stored data, so not localised: the title feeds the id, which must match on every device.
    snapshot.title = reader.optionalString("title").value_or(QStringLiteral("Untitled meeting"));
    snapshot.joinURL = storedJoinURL(reader.member("joinURL"));
    snapshot.eventExternalIdentifier = reader.optionalString("eventExternalIdentifier");
    const std::optional<QString> id = reader.optionalString("id");
    snapshot.id = id ? *id
                     : makeStableID(snapshot.title, snapshot.startDate, snapshot.endDate, snapshot.joinURL,
                         snapshot.eventExternalIdentifier);
    snapshot.sourceDeviceID = reader.optionalString("sourceDeviceID").value_or(QString());
    snapshot.calendarExternalIdentifier = reader.optionalString("calendarExternalIdentifier");
    snapshot.calendarTitle = reader.optionalString("calendarTitle");
    snapshot.calendarSourceTitle = reader.optionalString("calendarSourceTitle");
    snapshot.location = reader.optionalString("location");
    snapshot.notesHash = reader.optionalString("notesHash");
    snapshot.calendarItemIdentifier = reader.optionalString("calendarItemIdentifier");
    snapshot.lastSeenAt = reader.optionalDate("lastSeenAt").value_or(Date::distantPast());
    snapshot.isTask = reader.optionalBool("isTask").value_or(false);
    if (const nlohmann::json* attendees = reader.member("attendees")) {
        if (!attendees->is_array())
            reader.fail("attendees", QStringLiteral("is not an array"));
        else {
            for (const nlohmann::json& element : *attendees) {
                QString attendeeError;
                if (std::optional<MeetingAttendee> attendee = MeetingAttendee::fromJson(element, &attendeeError))
                    snapshot.attendees.append(std::move(*attendee));
                else
                    reader.fail("attendees", QStringLiteral("holds a bad attendee (%1)").arg(attendeeError));
            }
        }
    }
    snapshot.organizerName = reader.optionalString("organizerName");
    snapshot.recurrenceLabel = reader.optionalString("recurrenceLabel");
    if (!reader.succeeded(error))
        return std::nullopt;
    return snapshot;
}

size_t qHash(const MeetingSnapshot& snapshot, size_t seed)
{
    return RecordHash(seed)
        .add(snapshot.id)
        .add(snapshot.sourceDeviceID)
        .add(snapshot.calendarExternalIdentifier)
        .add(snapshot.calendarTitle)
        .add(snapshot.calendarSourceTitle)
        .add(snapshot.title)
        .add(snapshot.startDate)
        .add(snapshot.endDate)
        .add(snapshot.originalStartDate)
        .add(snapshot.location)
        .add(snapshot.notesHash)
        .add(snapshot.joinURL)
        .add(snapshot.eventExternalIdentifier)
        .add(snapshot.calendarItemIdentifier)
        .add(snapshot.lastSeenAt)
        .add(snapshot.isTask)
        .add(snapshot.attendees)
        .add(snapshot.organizerName)
        .add(snapshot.recurrenceLabel)
        .value();
}

QList<MeetingSnapshot> sortedByStart(QList<MeetingSnapshot> meetings)
{
    const auto earlier = [](const MeetingSnapshot& a, const MeetingSnapshot& b) { return a.startDate < b.startDate; };
    // Stored lists come sorted: a stable sort would take a buffer of half their records all the same.
    if (!std::is_sorted(std::as_const(meetings).begin(), std::as_const(meetings).end(), earlier))
        std::stable_sort(meetings.begin(), meetings.end(), earlier);
    return meetings;
}

} // namespace tolvar

#include "tolvar/model/MeetingAttendee.h"

#include "platform/text/Localized.h"
#include "tolvar/model/JsonMembers.h"
#include "tolvar/model/RecordHash.h"

namespace tolvar {

QString MeetingAttendee::displayName() const
{
    if (!isCurrentUser)
        return name;
    if (email && !email->isEmpty())
        return platform::localizedFormat("Me (%@)", { *email });
    return platform::localized("Me");
}

nlohmann::json MeetingAttendee::toJson() const
{
    nlohmann::json json = nlohmann::json::object();
    setMember(json, "id", id);
    setMember(json, "name", name);
    setMember(json, "status", rawValue(status));
    json["isCurrentUser"] = isCurrentUser;
    setMember(json, "email", email);
    return json;
}

std::optional<MeetingAttendee> MeetingAttendee::fromJson(const nlohmann::json& json, QString* error)
{
    JsonObjectReader reader(json, "MeetingAttendee");
    MeetingAttendee attendee;
    attendee.id = reader.requiredString("id");
    attendee.name = reader.requiredString("name");
    const QString status = reader.requiredString("status");
    const std::optional<AttendeeRSVPStatus> knownStatus = attendeeRSVPStatusFromRawValue(status);
    if (!knownStatus)
        reader.fail("status", QStringLiteral("has an unknown value \"%1\"").arg(status));
    attendee.status = knownStatus.value_or(AttendeeRSVPStatus::noAnswer);
    attendee.isCurrentUser = reader.optionalBool("isCurrentUser").value_or(false);
    attendee.email = reader.optionalString("email");
    if (!reader.succeeded(error))
        return std::nullopt;
    return attendee;
}

size_t qHash(const MeetingAttendee& attendee, size_t seed)
{
    return RecordHash(seed)
        .add(attendee.id)
        .add(attendee.name)
        .add(attendee.status)
        .add(attendee.isCurrentUser)
        .add(attendee.email)
        .value();
}

} // namespace tolvar

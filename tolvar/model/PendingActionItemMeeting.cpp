#include "tolvar/model/PendingActionItemMeeting.h"

#include "tolvar/model/JsonMembers.h"
#include "tolvar/model/RecordHash.h"

namespace tolvar {

nlohmann::json PendingActionItemMeeting::toJson() const
{
    nlohmann::json json = nlohmann::json::object();
    setMember(json, "id", id);
    setMember(json, "title", title);
    setMember(json, "endDate", endDate);
    return json;
}

std::optional<PendingActionItemMeeting> PendingActionItemMeeting::fromJson(const nlohmann::json& json, QString* error)
{
    JsonObjectReader reader(json, "PendingActionItemMeeting");
    PendingActionItemMeeting meeting;
    meeting.id = reader.requiredString("id");
    meeting.title = reader.requiredString("title");
    meeting.endDate = reader.requiredDate("endDate");
    if (!reader.succeeded(error))
        return std::nullopt;
    return meeting;
}

size_t qHash(const PendingActionItemMeeting& meeting, size_t seed)
{
    return RecordHash(seed).add(meeting.id).add(meeting.title).add(meeting.endDate).value();
}

} // namespace tolvar

#include "tolvar/model/ReminderState.h"

#include "tolvar/model/JsonMembers.h"
#include "tolvar/model/RecordHash.h"

namespace tolvar {

using platform::Date;

bool ReminderState::isSuppressed(Date now) const
{
    if (mutedAt)
        return true;
    if (snoozedUntil && *snoozedUntil > now)
        return true;
    return dismissedAt.has_value();
}

Date ReminderState::effectiveUpdatedAt() const
{
    if (updatedAt > Date::distantPast())
        return updatedAt;
    std::optional<Date> latest;
    for (const std::optional<Date>& date : { dismissedAt, snoozedUntil, clearedAt, mutedAt }) {
        if (date && (!latest || *date > *latest))
            latest = date;
    }
    return latest.value_or(Date::distantPast());
}

nlohmann::json ReminderState::toJson() const
{
    nlohmann::json json = nlohmann::json::object();
    setMember(json, "stableMeetingID", stableMeetingID);
    setMember(json, "dismissedAt", dismissedAt);
    setMember(json, "snoozedUntil", snoozedUntil);
    setMember(json, "firedForStartDate", firedForStartDate);
    setMember(json, "clearedAt", clearedAt);
    setMember(json, "mutedAt", mutedAt);
    setMember(json, "updatedAt", updatedAt);
    return json;
}

std::optional<ReminderState> ReminderState::fromJson(const nlohmann::json& json, QString* error)
{
    JsonObjectReader reader(json, "ReminderState");
    ReminderState state;
    state.stableMeetingID = reader.requiredString("stableMeetingID");
    state.dismissedAt = reader.optionalDate("dismissedAt");
    state.snoozedUntil = reader.optionalDate("snoozedUntil");
    state.firedForStartDate = reader.optionalDate("firedForStartDate");
    state.clearedAt = reader.optionalDate("clearedAt");
    state.mutedAt = reader.optionalDate("mutedAt");
    state.updatedAt = reader.requiredDate("updatedAt");
    if (!reader.succeeded(error))
        return std::nullopt;
    return state;
}

size_t qHash(const ReminderState& state, size_t seed)
{
    return RecordHash(seed)
        .add(state.stableMeetingID)
        .add(state.dismissedAt)
        .add(state.snoozedUntil)
        .add(state.firedForStartDate)
        .add(state.clearedAt)
        .add(state.mutedAt)
        .add(state.updatedAt)
        .value();
}

} // namespace tolvar

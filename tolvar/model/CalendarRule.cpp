#include "tolvar/model/CalendarRule.h"

#include "tolvar/model/JsonMembers.h"
#include "tolvar/model/RecordHash.h"

namespace tolvar {

nlohmann::json CalendarRule::toJson() const
{
    nlohmann::json json = nlohmann::json::object();
    setMember(json, "calendarKey", calendarKey);
    json["eventScope"] = rawValue(eventScope);
    json["showOverlay"] = showOverlay;
    json["playSound"] = playSound;
    json["soundRepeat"] = soundRepeat;
    setMember(json, "updatedAt", updatedAt);
    return json;
}

std::optional<CalendarRule> CalendarRule::fromJson(const nlohmann::json& json, QString* error)
{
    JsonObjectReader reader(json, "CalendarRule");
    CalendarRule rule;
    rule.calendarKey = reader.requiredString("calendarKey");
    const qint64 scope = reader.requiredInteger("eventScope");
    const std::optional<EventScope> knownScope = eventScopeFromRawValue(scope);
    if (!knownScope)
        reader.fail("eventScope", QStringLiteral("has an unknown value %1").arg(scope));
    rule.eventScope = knownScope.value_or(EventScope::meetingsOnly);
    rule.showOverlay = reader.requiredBool("showOverlay");
    rule.playSound = reader.requiredBool("playSound");
    rule.soundRepeat = reader.requiredInteger("soundRepeat");
    rule.updatedAt = reader.requiredDate("updatedAt");
    if (!reader.succeeded(error))
        return std::nullopt;
    return rule;
}

size_t qHash(const CalendarRule& rule, size_t seed)
{
    return RecordHash(seed)
        .add(rule.calendarKey)
        .add(rule.eventScope)
        .add(rule.showOverlay)
        .add(rule.playSound)
        .add(rule.soundRepeat)
        .add(rule.updatedAt)
        .value();
}

} // namespace tolvar

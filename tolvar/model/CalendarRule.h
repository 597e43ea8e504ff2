#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/EventScope.h"

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace tolvar {

// Reminder behaviour for one calendar or reminder list.
struct CalendarRule
{
    QString calendarKey;
    EventScope eventScope = EventScope::meetingsOnly;
    bool showOverlay = true;
    bool playSound = true;
    // 0 repeats the sound until the reminder is closed.
    qint64 soundRepeat = 0;
    // The maker stamps this with the current time of its clock.
    platform::Date updatedAt;

    nlohmann::json toJson() const;
    static std::optional<CalendarRule> fromJson(const nlohmann::json& json, QString* error = nullptr);

    bool operator==(const CalendarRule&) const = default;
};

size_t qHash(const CalendarRule& rule, size_t seed = 0);

} // namespace tolvar

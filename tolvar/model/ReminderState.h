#pragma once

#include "platform/time/Date.h"

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace tolvar {

// What the user did with the reminder of one meeting.
struct ReminderState
{
    QString stableMeetingID;
    std::optional<platform::Date> dismissedAt;
    std::optional<platform::Date> snoozedUntil;
    std::optional<platform::Date> firedForStartDate;
    std::optional<platform::Date> clearedAt;
    std::optional<platform::Date> mutedAt;
    platform::Date updatedAt = platform::Date::distantPast();

    // Muted, dismissed, or snoozed past `now`. Firing is judged by the caller.
    bool isSuppressed(platform::Date now) const;
    // Orders two states of one meeting: updatedAt, or for old states the latest of their action dates.
    platform::Date effectiveUpdatedAt() const;

    nlohmann::json toJson() const;
    static std::optional<ReminderState> fromJson(const nlohmann::json& json, QString* error = nullptr);

    bool operator==(const ReminderState&) const = default;
};

size_t qHash(const ReminderState& state, size_t seed = 0);

} // namespace tolvar

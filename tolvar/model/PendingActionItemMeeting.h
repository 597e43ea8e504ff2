#pragma once

#include "platform/time/Date.h"

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace tolvar {

// A joined meeting whose action-item prompt is still due.
struct PendingActionItemMeeting
{
    QString id;
    QString title;
    platform::Date endDate;

    nlohmann::json toJson() const;
    static std::optional<PendingActionItemMeeting> fromJson(const nlohmann::json& json, QString* error = nullptr);

    bool operator==(const PendingActionItemMeeting&) const = default;
};

size_t qHash(const PendingActionItemMeeting& meeting, size_t seed = 0);

} // namespace tolvar

#pragma once

#include "tolvar/model/AttendeeRSVPStatus.h"

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace tolvar {

// One participant of a meeting.
struct MeetingAttendee
{
    QString id;
    QString name;
    AttendeeRSVPStatus status = AttendeeRSVPStatus::noAnswer;
    // The participant is the user of this machine.
    bool isCurrentUser = false;
    std::optional<QString> email;

    // Localised; the user shows as "Me".
    QString displayName() const;

    nlohmann::json toJson() const;
    static std::optional<MeetingAttendee> fromJson(const nlohmann::json& json, QString* error = nullptr);

    bool operator==(const MeetingAttendee&) const = default;
};

size_t qHash(const MeetingAttendee& attendee, size_t seed = 0);

} // namespace tolvar

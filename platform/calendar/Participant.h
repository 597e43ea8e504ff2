#pragma once

#include <QHashFunctions>
#include <QString>
#include <optional>

namespace platform {

// Numbered as the calling code expects participant types and statuses.
enum class ParticipantType { unknown = 0, person = 1, room = 2, resource = 3, group = 4 };

enum class ParticipantStatus {
    unknown = 0,
    pending = 1,
    accepted = 2,
    declined = 3,
    tentative = 4,
    delegated = 5,
    completed = 6,
    inProcess = 7,
};

// An attendee or organiser of an event.
struct Participant
{
    std::optional<QString> name;
    ParticipantType type = ParticipantType::person;
    ParticipantStatus status = ParticipantStatus::pending;
    bool isCurrentUser = false;
    // The address of a mailto: calendar address.
    std::optional<QString> emailAddress;
    // "name = ...; email = ...; status = ...; role = ...; type = ...": carries the EMAIL parameter where the
    // calendar address itself is not an e-mail address.
    QString description;

    bool operator==(const Participant&) const = default;
};

inline size_t qHash(const Participant& participant, size_t seed = 0)
{
    return qHashMulti(seed, participant.description, participant.emailAddress.value_or(QString()));
}

} // namespace platform

#pragma once

#include <QString>
#include <optional>

namespace tolvar {

enum class AttendeeRSVPStatus { accepted, declined, tentative, noAnswer };

QString rawValue(AttendeeRSVPStatus status);
std::optional<AttendeeRSVPStatus> attendeeRSVPStatusFromRawValue(const QString& rawValue);
// Localised label.
QString displayName(AttendeeRSVPStatus status);
size_t qHash(AttendeeRSVPStatus status, size_t seed = 0);

} // namespace tolvar

#include "tolvar/model/AttendeeRSVPStatus.h"

#include "platform/text/Localized.h"

#include <QHashFunctions>

namespace tolvar {

QString rawValue(AttendeeRSVPStatus status)
{
    switch (status) {
    case AttendeeRSVPStatus::accepted:
        return QStringLiteral("accepted");
    case AttendeeRSVPStatus::declined:
        return QStringLiteral("declined");
    case AttendeeRSVPStatus::tentative:
        return QStringLiteral("tentative");
    case AttendeeRSVPStatus::noAnswer:
        break;
    }
    return QStringLiteral("noAnswer");
}

std::optional<AttendeeRSVPStatus> attendeeRSVPStatusFromRawValue(const QString& rawValue)
{
    for (const AttendeeRSVPStatus status : { AttendeeRSVPStatus::accepted, AttendeeRSVPStatus::declined,
             AttendeeRSVPStatus::tentative, AttendeeRSVPStatus::noAnswer }) {
        if (tolvar::rawValue(status) == rawValue)
            return status;
    }
    return std::nullopt;
}

QString displayName(AttendeeRSVPStatus status)
{
    switch (status) {
    case AttendeeRSVPStatus::accepted:
        return platform::localized("Accepted");
    case AttendeeRSVPStatus::declined:
        return platform::localized("Declined");
    case AttendeeRSVPStatus::tentative:
        return platform::localized("Maybe");
    case AttendeeRSVPStatus::noAnswer:
        break;
    }
    return platform::localized("No answer");
}

size_t qHash(AttendeeRSVPStatus status, size_t seed)
{
    return qHash(rawValue(status), seed);
}

} // namespace tolvar

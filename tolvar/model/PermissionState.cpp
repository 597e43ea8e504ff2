#include "tolvar/model/PermissionState.h"

#include <QHashFunctions>

namespace tolvar {

QString rawValue(PermissionState state)
{
    switch (state) {
    case PermissionState::granted:
        return QStringLiteral("granted");
    case PermissionState::denied:
        return QStringLiteral("denied");
    case PermissionState::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

std::optional<PermissionState> permissionStateFromRawValue(const QString& rawValue)
{
    for (const PermissionState state :
        { PermissionState::unknown, PermissionState::granted, PermissionState::denied }) {
        if (tolvar::rawValue(state) == rawValue)
            return state;
    }
    return std::nullopt;
}

size_t qHash(PermissionState state, size_t seed)
{
    return qHash(rawValue(state), seed);
}

} // namespace tolvar

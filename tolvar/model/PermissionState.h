#pragma once

#include <QString>
#include <optional>

namespace tolvar {

// The state of calendar or reminders access.
enum class PermissionState { unknown, granted, denied };

QString rawValue(PermissionState state);
std::optional<PermissionState> permissionStateFromRawValue(const QString& rawValue);
size_t qHash(PermissionState state, size_t seed = 0);

} // namespace tolvar

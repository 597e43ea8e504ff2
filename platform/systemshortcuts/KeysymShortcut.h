#pragma once

#include "platform/systemshortcuts/SystemShortcuts.h"

#include <optional>

namespace platform {

class KeyboardLayout;

// The binding of the key that gives the X keysym in the current layout; absent for no keysym or no such key.
std::optional<SystemShortcut> keysymShortcut(quint32 keysym, qint64 carbonModifiers, const KeyboardLayout& layout);

} // namespace platform

#include "platform/systemshortcuts/KeysymShortcut.h"

#include "platform/keyboard/KeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

namespace platform {

std::optional<SystemShortcut> keysymShortcut(quint32 keysym, qint64 carbonModifiers, const KeyboardLayout& layout)
{
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    const std::optional<qint64> keyCode = layout.carbonKeyCode(keysym);
    if (!keyCode)
        return std::nullopt;
    return SystemShortcut { *keyCode, carbonModifiers };
}

} // namespace platform

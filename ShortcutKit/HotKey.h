#pragma once

#include "ShortcutKit/ShortcutKit.h"

#include <optional>

namespace ShortcutKit {

class HotKeyCenter;

// One shortcut registered with the system. The center holds it weakly; dropping the last reference
// withdraws the registration.
class HotKey
{
public:
    HotKey(
        HotKeyCenter& center, qint64 carbonKeyCode, qint64 carbonModifiers, int id, Action onKeyDown, Action onKeyUp);
    ~HotKey();
    Q_DISABLE_COPY_MOVE(HotKey)

    const qint64 carbonKeyCode;
    const qint64 carbonModifiers;
    const Action onKeyDown;
    const Action onKeyUp;
    // Set by the owner after a successful registration; called when registering again is refused.
    Action onRegistrationFailed;
    const int id;
    // The system registration while the hot key is active.
    std::optional<quint64> eventHotKeyRef;

private:
    HotKeyCenter& m_center;
};

} // namespace ShortcutKit

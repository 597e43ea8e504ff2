#pragma once

#include <QList>
#include <QtGlobal>

namespace platform {

// A key binding of the desktop itself, in Carbon terms.
struct SystemShortcut
{
    qint64 carbonKeyCode;
    qint64 carbonModifiers;
    bool operator==(const SystemShortcut&) const = default;
};

// The desktop's own enabled key bindings, which a shortcut of ours would collide with.
class SystemShortcuts
{
public:
    virtual ~SystemShortcuts() = default;

    // Read afresh on every call, so that a change in the desktop's settings shows at once.
    virtual QList<SystemShortcut> enabledShortcuts() const = 0;
};

} // namespace platform

#pragma once

#include "platform/systemshortcuts/SystemShortcuts.h"

namespace platform {

class KeyboardLayout;

// The bindings of the running desktop (XDG_CURRENT_DESKTOP): GNOME's or KDE's; other desktops' bindings
// cannot be read, so they have none.
class DesktopSystemShortcuts final : public SystemShortcuts
{
public:
    explicit DesktopSystemShortcuts(const KeyboardLayout& layout)
        : m_layout(layout)
    { }

    QList<SystemShortcut> enabledShortcuts() const override;

private:
    const KeyboardLayout& m_layout;
};

} // namespace platform

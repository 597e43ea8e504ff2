#pragma once

#include "platform/keyboard/KeyRepeat.h"

struct xcb_connection_t;

namespace platform {

// The core keyboard's repeat delay and interval from the X server's XKB controls (what `xset r rate`
// sets). Without an X connection or XKB, the server defaults.
class XkbKeyRepeat final : public KeyRepeat
{
public:
    XkbKeyRepeat();

    KeyRepeatPace pace() const override;

private:
    xcb_connection_t* m_connection = nullptr;
};

} // namespace platform

#pragma once

#include "platform/keyboard/KeyboardLayout.h"

#include <memory>

struct xkb_context;
struct xkb_keymap;
struct xcb_connection_t;

namespace platform {

// The X server's current keymap through xkbcommon, read afresh on every call so that a layout switch
// shows at once. Without an X connection, the keymap that the XKB_DEFAULT_* variables (or the
// library's defaults) name.
class XkbKeyboardLayout final : public KeyboardLayout
{
public:
    XkbKeyboardLayout();
    ~XkbKeyboardLayout() override;

    std::optional<QString> text(qint64 carbonKeyCode) const override;
    std::optional<qint64> carbonKeyCode(quint32 keysym) const override;

private:
    struct ContextDeleter
    {
        void operator()(xkb_context* context) const;
    };
    struct KeymapDeleter
    {
        void operator()(xkb_keymap* keymap) const;
    };
    using KeymapPointer = std::unique_ptr<xkb_keymap, KeymapDeleter>;

    // A keymap with the layout (group) to translate in.
    struct Keymap
    {
        KeymapPointer keymap;
        quint32 layout = 0;
    };
    std::optional<Keymap> currentKeymap() const;

    std::unique_ptr<xkb_context, ContextDeleter> m_context;
    xcb_connection_t* m_connection = nullptr;
    int m_deviceId = -1;
    KeymapPointer m_fallbackKeymap;
};

} // namespace platform

#include "platform/keyboard/XkbKeyboardLayout.h"

#include "platform/hotkeys/KeyPositions.h"

#include <QGuiApplication>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {
constexpr int evdevKeyA = 30;

// The key in the place of A gives a Latin letter in a layout that can type ASCII.
bool isAsciiCapable(xkb_keymap* keymap, xkb_layout_index_t layout)
{
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, evdevKeyA + x11KeyCodeOffset, layout, 0, &symbols);
    return count > 0 && symbols[0] >= XKB_KEY_a && symbols[0] <= XKB_KEY_z;
}
} // namespace

void XkbKeyboardLayout::ContextDeleter::operator()(xkb_context* context) const
{
    xkb_context_unref(context);
}

void XkbKeyboardLayout::KeymapDeleter::operator()(xkb_keymap* keymap) const
{
    xkb_keymap_unref(keymap);
}

XkbKeyboardLayout::XkbKeyboardLayout()
    : m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    if (!m_context)
        return;
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection
        && xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        m_deviceId = xkb_x11_get_core_keyboard_device_id(connection);
        if (m_deviceId >= 0)
            m_connection = connection;
    }
    if (!m_connection)
        m_fallbackKeymap.reset(xkb_keymap_new_from_names(m_context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

XkbKeyboardLayout::~XkbKeyboardLayout() = default;

std::optional<XkbKeyboardLayout::Keymap> XkbKeyboardLayout::currentKeymap() const
{
    Keymap current;
    if (m_connection) {
        current.keymap.reset(
            xkb_x11_keymap_new_from_device(m_context.get(), m_connection, m_deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!current.keymap)
            return std::nullopt;
        xkb_state* state = xkb_x11_state_new_from_device(current.keymap.get(), m_connection, m_deviceId);
        if (state) {
            current.layout = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
            xkb_state_unref(state);
        }
    } else if (m_fallbackKeymap) {
        current.keymap.reset(xkb_keymap_ref(m_fallbackKeymap.get()));
    } else {
        return std::nullopt;
    }
    if (isAsciiCapable(current.keymap.get(), current.layout))
        return current;
    // Like the shortcut texts of other desktops: when the active layout cannot type ASCII, show the
    // keys as the first layout that can.
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(current.keymap.get());
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        if (isAsciiCapable(current.keymap.get(), layout)) {
            current.layout = layout;
            return current;
        }
    }
    return std::nullopt;
}

std::optional<QString> XkbKeyboardLayout::text(qint64 carbonKeyCode) const
{
    const std::optional<int> evdev = evdevKeyCode(carbonKeyCode);
    if (!evdev)
        return std::nullopt;
    const std::optional<Keymap> current = currentKeymap();
    if (!current)
        return std::nullopt;
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(
        current->keymap.get(), *evdev + x11KeyCodeOffset, current->layout, 0, &symbols);
    QString result;
    for (int i = 0; i < count; ++i) {
        char buffer[64];
        const int length = xkb_keysym_to_utf8(symbols[i], buffer, sizeof buffer);
        if (length > 1)
            result += QString::fromUtf8(buffer, length - 1);
    }
    return result;
}

std::optional<qint64> XkbKeyboardLayout::carbonKeyCode(quint32 keysym) const
{
    const std::optional<Keymap> current = currentKeymap();
    if (!current)
        return std::nullopt;
    xkb_keymap* keymap = current->keymap.get();
    for (xkb_level_index_t level = 0; level < 2; ++level) {
        for (const qint64 code : carbonKeyCodesWithPosition()) {
            const xkb_keycode_t key = xkb_keycode_t(*evdevKeyCode(code) + x11KeyCodeOffset);
            const xkb_keysym_t* symbols = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, key, current->layout, level, &symbols);
            for (int i = 0; i < count; ++i) {
                if (symbols[i] == keysym)
                    return code;
            }
        }
    }
    return std::nullopt;
}

} // namespace platform

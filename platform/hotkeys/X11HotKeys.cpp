#include "platform/hotkeys/X11HotKeys.h"

#include "platform/hotkeys/KeyPositions.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xkb.h names a member `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace platform {

namespace {
constexpr quint32 numLockKeysym = 0xff7f;
constexpr quint8 badAccess = 10;

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
} // namespace

X11HotKeys::X11HotKeys()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    m_connection = x11 ? x11->connection() : nullptr;
    if (!m_connection)
        return;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); screens.rem; xcb_screen_next(&screens))
        m_roots.append(screens.data->root);
    m_numLockMask = findNumLockMask();
    enableDetectableAutoRepeat();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys()
{
    if (!m_connection)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const KeyCombination& combination : registeredCombinations())
        ungrab(combination);
}

quint16 X11HotKeys::findNumLockMask() const
{
    const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(m_connection), &xcb_key_symbols_free);
    const XcbReply<xcb_keycode_t> numLockCodes(xcb_key_symbols_get_keycode(symbols.get(), numLockKeysym), &std::free);
    const XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr), &std::free);
    if (!numLockCodes || !mapping)
        return XCB_MOD_MASK_2;
    const xcb_keycode_t* modifierCodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = modifierCodes[modifier * perModifier + i];
            for (const xcb_keycode_t* numLock = numLockCodes.get(); code && *numLock; ++numLock) {
                if (*numLock == code)
                    return quint16(1 << modifier);
            }
        }
    }
    return 0;
}

void X11HotKeys::enableDetectableAutoRepeat() const
{
    // A held key then sends presses without releases in between, which the filter drops, so that a
    // hot key gives one press and one release however long it is held.
    const XcbReply<xcb_xkb_use_extension_reply_t> extension(
        xcb_xkb_use_extension_reply(
            m_connection, xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr),
        &std::free);
    if (!extension || !extension->supported)
        return;
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    std::free(xcb_xkb_per_client_flags_reply(
        m_connection, xcb_xkb_per_client_flags(m_connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr));
}

QList<quint16> X11HotKeys::lockVariants() const
{
    QList<quint16> variants { 0, XCB_MOD_MASK_LOCK };
    if (m_numLockMask) {
        variants.append(m_numLockMask);
        variants.append(quint16(XCB_MOD_MASK_LOCK | m_numLockMask));
    }
    return variants;
}

quint16 X11HotKeys::x11Modifiers(qint64 carbonModifiers)
{
    quint16 mask = 0;
    if (carbonModifiers & CarbonModifier::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & CarbonModifier::option)
        mask |= XCB_MOD_MASK_1;
    if (carbonModifiers & CarbonModifier::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (carbonModifiers & CarbonModifier::command)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

qint64 X11HotKeys::carbonModifiers(quint16 x11State)
{
    qint64 modifiers = 0;
    if (x11State & XCB_MOD_MASK_CONTROL)
        modifiers |= CarbonModifier::control;
    if (x11State & XCB_MOD_MASK_1)
        modifiers |= CarbonModifier::option;
    if (x11State & XCB_MOD_MASK_SHIFT)
        modifiers |= CarbonModifier::shift;
    if (x11State & XCB_MOD_MASK_4)
        modifiers |= CarbonModifier::command;
    return modifiers;
}

HotKeys::Status X11HotKeys::grab(const KeyCombination& combination)
{
    if (!m_connection)
        return Status::unavailable;
    const auto keyCode = xcb_keycode_t(combination.evdevKeyCode + x11KeyCodeOffset);
    const quint16 modifiers = x11Modifiers(combination.modifiers);
    QList<xcb_void_cookie_t> cookies;
    for (const xcb_window_t root : m_roots) {
        for (const quint16 locks : lockVariants()) {
            cookies.append(xcb_grab_key_checked(
                m_connection, 0, root, modifiers | locks, keyCode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    Status status = Status::ok;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie), &std::free); error)
            status = error->error_code == badAccess ? Status::taken : Status::invalidKey;
    }
    // A grab that only partly succeeded would take some lock states away from the other program.
    if (status != Status::ok)
        ungrab(combination);
    return status;
}

void X11HotKeys::ungrab(const KeyCombination& combination)
{
    if (!m_connection)
        return;
    const auto keyCode = xcb_keycode_t(combination.evdevKeyCode + x11KeyCodeOffset);
    const quint16 modifiers = x11Modifiers(combination.modifiers);
    for (const xcb_window_t root : m_roots) {
        for (const quint16 locks : lockVariants())
            xcb_ungrab_key(m_connection, keyCode, root, modifiers | locks);
    }
    xcb_flush(m_connection);
    for (auto held = m_held.begin(); held != m_held.end();) {
        held = held.value() == combination ? m_held.erase(held) : std::next(held);
    }
}

bool X11HotKeys::isGrabFocusChange(const xcb_focus_in_event_t& event)
{
    // A key grab (ours or another program's) taking the keyboard for a moment sends the focused window
    // a FocusOut in grab mode and, at the release, a FocusIn in ungrab mode. The focus has not moved,
    // but Qt would deactivate the window after 100 ms: a held hot key would close our panels and end a
    // recording. A real focus change during a grab comes in "while grabbed" mode and passes.
    const quint8 type = event.response_type & ~0x80;
    return (type == XCB_FOCUS_OUT && event.mode == XCB_NOTIFY_MODE_GRAB)
        || (type == XCB_FOCUS_IN && event.mode == XCB_NOTIFY_MODE_UNGRAB);
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type == XCB_FOCUS_OUT || type == XCB_FOCUS_IN)
        return isGrabFocusChange(*reinterpret_cast<const xcb_focus_in_event_t*>(event));
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (!m_roots.contains(key->event))
        return false;

    if (type == XCB_KEY_PRESS) {
        const KeyCombination combination { key->detail - x11KeyCodeOffset, carbonModifiers(key->state) };
        if (!isRegistered(combination))
            return false;
        if (m_held.contains(key->detail))
            return true; // auto-repeat
        m_held.insert(key->detail, combination);
        deliver(HotKeyEventKind::pressed, combination);
        return true;
    }
    // The release matches the press, whichever modifiers were let go of first.
    const auto held = m_held.constFind(key->detail);
    if (held == m_held.cend())
        return false;
    const KeyCombination combination = held.value();
    m_held.erase(held);
    deliver(HotKeyEventKind::released, combination);
    return true;
}

} // namespace platform

#pragma once

#include "platform/hotkeys/HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QHash>

struct xcb_connection_t;
struct xcb_focus_in_event_t;

namespace platform {

// Hot keys as passive key grabs on the root window of every X screen, on the application's own X
// connection. Without one (offscreen, Wayland without XWayland) every registration is unavailable.
class X11HotKeys final : public HotKeys, public QAbstractNativeEventFilter
{
public:
    X11HotKeys();
    ~X11HotKeys() override;

    bool hasDisplay() const { return m_connection != nullptr; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    Status grab(const KeyCombination& combination) override;
    void ungrab(const KeyCombination& combination) override;

private:
    QList<quint16> lockVariants() const;
    static quint16 x11Modifiers(qint64 carbonModifiers);
    static qint64 carbonModifiers(quint16 x11State);
    static bool isGrabFocusChange(const xcb_focus_in_event_t& event);
    quint16 findNumLockMask() const;
    void enableDetectableAutoRepeat() const;

    xcb_connection_t* m_connection = nullptr;
    QList<quint32> m_roots;
    quint16 m_numLockMask = 0;
    // Keys pressed and not yet released, by X key code, with the combination their press matched.
    QHash<quint8, KeyCombination> m_held;
};

} // namespace platform

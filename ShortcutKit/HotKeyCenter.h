#pragma once

#include "ShortcutKit/ShortcutKit.h"
#include "platform/hotkeys/HotKeys.h"
#include "platform/systemshortcuts/SystemShortcuts.h"

#include <QObject>
#include <map>
#include <memory>

class QKeyEvent;

namespace ShortcutKit {

class HotKey;
class KeyEventMonitor;
class MenuTracking;

// Turns hot keys into system-wide key grabs under the signature "KBHK" and calls their actions on
// press and release. While one of the application's popup menus holds the keyboard, grabs are not
// delivered, so for that time the center withdraws them and matches the key events that reach the menu.
class HotKeyCenter : public QObject
{
    Q_OBJECT
public:
    enum class Mode { disabled = 0, normal = 1, menuOpen = 2 };

    static constexpr quint32 signature = platform::fourCharCode("KBHK");

    HotKeyCenter(platform::HotKeys& hotKeys, const platform::SystemShortcuts& systemShortcuts);
    ~HotKeyCenter() override;

    // The single center, made on first use.
    static HotKeyCenter& shared();

    // The owner advances the id counter and gives the new value to its next hot key.
    int nextHotKeyId() { return ++m_lastHotKeyId; }
    int lastHotKeyId() const { return m_lastHotKeyId; }

    // True when the system accepted the hot key. While the mode is not normal the registration is
    // withdrawn at once and comes back with the next change to normal.
    bool registerHotKey(const std::shared_ptr<HotKey>& hotKey);

    void setEnabled(bool enabled);
    void setMenuOpen(bool open);
    Mode mode() const { return m_mode; }

    QList<platform::SystemShortcut> systemShortcuts() const;

    // The raw key path: runs the action of the first hot key with this key and these modifiers.
    // True when it consumed the key.
    bool handleRawKey(qint64 keyCode, qint64 modifiers, bool isRepeat, EventType kind);

    // Called by a hot key that goes away.
    void release(HotKey& hotKey);

private:
    QList<std::shared_ptr<HotKey>> liveHotKeys() const;
    platform::HotKeys::Status registerWithSystem(HotKey& hotKey);
    void unregisterEventHotKey(HotKey& hotKey);
    void updateMode();
    void applyMode();
    void registerAll();
    void unregisterAll();
    void setHotKeyEventHandling(bool enabled);
    void setRawKeyEventHandling(bool enabled);
    bool handleHotKeyEvent(const platform::HotKeyEvent& event);
    bool handleKeyEventMonitorEvent(const QKeyEvent& event);

    platform::HotKeys& m_system;
    const platform::SystemShortcuts& m_systemShortcuts;
    int m_lastHotKeyId = 0;
    std::map<int, std::weak_ptr<HotKey>> m_hotKeys;
    std::optional<platform::HotKeys::HandlerRef> m_eventHandler;
    MenuTracking* m_menuTracking = nullptr;
    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    bool m_isHotKeyEventHandlingEnabled = false;
    bool m_isRawKeyEventHandlingEnabled = false;
    KeyEventMonitor* m_keyEventMonitor = nullptr;
    Mode m_mode = Mode::normal;
};

} // namespace ShortcutKit

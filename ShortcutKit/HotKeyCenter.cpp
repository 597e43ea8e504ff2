#include "ShortcutKit/HotKeyCenter.h"

#include "ShortcutKit/HotKey.h"
#include "ShortcutKit/KeyEventMonitor.h"
#include "ShortcutKit/MenuTracking.h"

#include <QKeyEvent>
#include <QThread>

namespace ShortcutKit {

using platform::HotKeyEventKind;

HotKeyCenter::HotKeyCenter(platform::HotKeys& hotKeys, const platform::SystemShortcuts& systemShortcuts)
    : m_system(hotKeys)
    , m_systemShortcuts(systemShortcuts)
    , m_menuTracking(new MenuTracking(this))
{
    connect(m_menuTracking, &MenuTracking::began, this, [this] { setMenuOpen(true); });
    connect(m_menuTracking, &MenuTracking::ended, this, [this] { setMenuOpen(false); });
}

HotKeyCenter::~HotKeyCenter()
{
    unregisterAll();
    if (m_eventHandler)
        m_system.removeHandler(*m_eventHandler);
}

QList<std::shared_ptr<HotKey>> HotKeyCenter::liveHotKeys() const
{
    QList<std::shared_ptr<HotKey>> live;
    for (const auto& [id, weak] : m_hotKeys) {
        if (std::shared_ptr<HotKey> hotKey = weak.lock())
            live.append(hotKey);
    }
    return live;
}

platform::HotKeys::Status HotKeyCenter::registerWithSystem(HotKey& hotKey)
{
    const platform::HotKeys::Registration registration
        = m_system.registerHotKey(hotKey.carbonKeyCode, hotKey.carbonModifiers, signature, quint32(hotKey.id));
    if (registration.status == platform::HotKeys::Status::ok)
        hotKey.eventHotKeyRef = registration.ref;
    return registration.status;
}

void HotKeyCenter::unregisterEventHotKey(HotKey& hotKey)
{
    if (!hotKey.eventHotKeyRef)
        return;
    m_system.unregisterHotKey(*hotKey.eventHotKeyRef);
    hotKey.eventHotKeyRef.reset();
}

bool HotKeyCenter::registerHotKey(const std::shared_ptr<HotKey>& hotKey)
{
    if (registerWithSystem(*hotKey) != platform::HotKeys::Status::ok)
        return false;
    m_hotKeys[hotKey->id] = hotKey;
    if (!m_eventHandler) {
        m_eventHandler = m_system.installHandler(
            {}, [this](const platform::HotKeyEvent& event) { return handleHotKeyEvent(event); });
    }
    applyMode();
    return true;
}

void HotKeyCenter::setEnabled(bool enabled)
{
    if (enabled == m_isEnabled)
        return;
    m_isEnabled = enabled;
    updateMode();
}

void HotKeyCenter::setMenuOpen(bool open)
{
    if (open == m_isMenuOpen)
        return;
    m_isMenuOpen = open;
    updateMode();
}

void HotKeyCenter::updateMode()
{
    const Mode newMode = !m_isEnabled ? Mode::disabled : m_isMenuOpen ? Mode::menuOpen : Mode::normal;
    const Mode oldMode = std::exchange(m_mode, newMode);
    if (newMode == oldMode || !m_eventHandler)
        return;
    applyMode();
}

void HotKeyCenter::applyMode()
{
    if (m_mode == Mode::normal)
        registerAll();
    else
        unregisterAll();
    setHotKeyEventHandling(m_mode == Mode::normal);
    setRawKeyEventHandling(m_mode == Mode::menuOpen);
}

void HotKeyCenter::registerAll()
{
    for (const std::shared_ptr<HotKey>& hotKey : liveHotKeys()) {
        if (hotKey->eventHotKeyRef)
            continue;
        if (registerWithSystem(*hotKey) == platform::HotKeys::Status::ok)
            continue;
        unregisterEventHotKey(*hotKey);
        m_hotKeys.erase(hotKey->id);
        if (hotKey->onRegistrationFailed)
            hotKey->onRegistrationFailed();
    }
}

void HotKeyCenter::unregisterAll()
{
    for (const std::shared_ptr<HotKey>& hotKey : liveHotKeys())
        unregisterEventHotKey(*hotKey);
}

void HotKeyCenter::setHotKeyEventHandling(bool enabled)
{
    if (enabled == m_isHotKeyEventHandlingEnabled)
        return;
    m_isHotKeyEventHandlingEnabled = enabled;
    const platform::HotKeyEventKinds kinds = enabled
        ? HotKeyEventKind::pressed | HotKeyEventKind::released | HotKeyEventKind::lost
        : platform::HotKeyEventKinds();
    m_system.setHandlerEventKinds(*m_eventHandler, kinds);
}

void HotKeyCenter::setRawKeyEventHandling(bool enabled)
{
    if (enabled == m_isRawKeyEventHandlingEnabled)
        return;
    m_isRawKeyEventHandlingEnabled = enabled;
    if (!m_keyEventMonitor) {
        m_keyEventMonitor
            = new KeyEventMonitor([this](const QKeyEvent& event) { return handleKeyEventMonitorEvent(event); }, this);
    }
    if (enabled)
        m_keyEventMonitor->start();
    else
        m_keyEventMonitor->stop();
}

bool HotKeyCenter::handleHotKeyEvent(const platform::HotKeyEvent& event)
{
    if (QThread::currentThread() != thread() || event.signature != signature)
        return false;
    const auto entry = m_hotKeys.find(int(event.id));
    const std::shared_ptr<HotKey> hotKey = entry == m_hotKeys.end() ? nullptr : entry->second.lock();
    if (!hotKey)
        return false;
    switch (event.kind) {
    case HotKeyEventKind::pressed:
        hotKey->onKeyDown();
        break;
    case HotKeyEventKind::released:
        hotKey->onKeyUp();
        break;
    case HotKeyEventKind::lost:
        // Another program took the combination while the grabs were suspended for a recording.
        hotKey->eventHotKeyRef.reset();
        m_hotKeys.erase(hotKey->id);
        if (hotKey->onRegistrationFailed)
            hotKey->onRegistrationFailed();
        break;
    }
    return true;
}

bool HotKeyCenter::handleRawKey(qint64 keyCode, qint64 modifiers, bool isRepeat, EventType kind)
{
    if (kind == EventType::keyDown && isRepeat)
        return false;
    const qint64 normalized = normalizedCarbonModifiers(modifiers);
    for (const std::shared_ptr<HotKey>& hotKey : liveHotKeys()) {
        if (hotKey->carbonKeyCode != keyCode || normalizedCarbonModifiers(hotKey->carbonModifiers) != normalized)
            continue;
        if (kind == EventType::keyDown)
            hotKey->onKeyDown();
        else
            hotKey->onKeyUp();
        return true;
    }
    return false;
}

bool HotKeyCenter::handleKeyEventMonitorEvent(const QKeyEvent& event)
{
    // Caps lock and the keypad flag never take part in matching; fromEvent keeps neither.
    const std::optional<Shortcut> pressed = Shortcut::fromEvent(event);
    if (!pressed)
        return false;
    const EventType kind = event.type() == QEvent::KeyPress ? EventType::keyDown : EventType::keyUp;
    return handleRawKey(pressed->carbonKeyCode(), pressed->carbonModifiers(), event.isAutoRepeat(), kind);
}

QList<platform::SystemShortcut> HotKeyCenter::systemShortcuts() const
{
    return m_systemShortcuts.enabledShortcuts();
}

void HotKeyCenter::release(HotKey& hotKey)
{
    unregisterEventHotKey(hotKey);
    m_hotKeys.erase(hotKey.id);
}

} // namespace ShortcutKit

#include "platform/hotkeys/HotKeys.h"

#include "platform/hotkeys/KeyPositions.h"

namespace platform {

namespace {
// Carbon bits with an X11 counterpart; bits no modifier key has (caps lock, the right-hand flags)
// are not part of a hot key.
constexpr qint64 grabbableModifiers
    = CarbonModifier::control | CarbonModifier::option | CarbonModifier::shift | CarbonModifier::command;
} // namespace

std::optional<HotKeys::KeyCombination> HotKeys::combinationFor(qint64 carbonKeyCode, qint64 carbonModifiers)
{
    const std::optional<int> evdev = evdevKeyCode(carbonKeyCode);
    if (!evdev || (carbonModifiers & CarbonModifier::function))
        return std::nullopt;
    return KeyCombination { *evdev, carbonModifiers & grabbableModifiers };
}

HotKeys::Registration HotKeys::registerHotKey(
    qint64 carbonKeyCode, qint64 carbonModifiers, quint32 signature, quint32 id)
{
    const std::optional<KeyCombination> combination = combinationFor(carbonKeyCode, carbonModifiers);
    if (!combination)
        return { Status::invalidKey, 0 };
    if (isRegistered(*combination))
        return { Status::taken, 0 };
    const Status status = grab(*combination);
    if (status != Status::ok)
        return { status, 0 };
    if (m_suspended)
        ungrab(*combination);
    const Ref ref = ++m_lastRef;
    m_entries.emplace(ref, Entry { *combination, signature, id });
    return { Status::ok, ref };
}

void HotKeys::unregisterHotKey(Ref ref)
{
    const auto entry = m_entries.find(ref);
    if (entry == m_entries.end())
        return;
    const KeyCombination combination = entry->second.combination;
    m_entries.erase(entry);
    if (!m_suspended)
        ungrab(combination);
}

void HotKeys::setSuspended(bool suspended)
{
    if (suspended == m_suspended)
        return;
    m_suspended = suspended;
    if (suspended) {
        for (const auto& [ref, entry] : m_entries)
            ungrab(entry.combination);
        return;
    }
    QList<Entry> lost;
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        if (grab(entry->second.combination) == Status::ok) {
            ++entry;
            continue;
        }
        lost.append(entry->second);
        entry = m_entries.erase(entry);
    }
    for (const Entry& entry : lost)
        deliver(HotKeyEvent { HotKeyEventKind::lost, entry.signature, entry.id });
}

HotKeys::HandlerRef HotKeys::installHandler(HotKeyEventKinds kinds, Handler handler)
{
    const HandlerRef ref = ++m_lastHandlerRef;
    m_handlers.emplace(ref, InstalledHandler { kinds, std::move(handler) });
    return ref;
}

void HotKeys::setHandlerEventKinds(HandlerRef handler, HotKeyEventKinds kinds)
{
    const auto installed = m_handlers.find(handler);
    if (installed != m_handlers.end())
        installed->second.kinds = kinds;
}

void HotKeys::removeHandler(HandlerRef handler)
{
    m_handlers.erase(handler);
}

bool HotKeys::isRegistered(const KeyCombination& combination) const
{
    for (const auto& [ref, entry] : m_entries) {
        if (entry.combination == combination)
            return true;
    }
    return false;
}

QList<HotKeys::KeyCombination> HotKeys::registeredCombinations() const
{
    QList<KeyCombination> combinations;
    for (const auto& [ref, entry] : m_entries)
        combinations.append(entry.combination);
    return combinations;
}

bool HotKeys::deliver(HotKeyEventKind kind, const KeyCombination& combination)
{
    if (m_suspended)
        return false;
    for (const auto& [ref, entry] : m_entries) {
        if (entry.combination == combination)
            return deliver(HotKeyEvent { kind, entry.signature, entry.id });
    }
    return false;
}

bool HotKeys::deliver(const HotKeyEvent& event)
{
    // Handlers may install or remove handlers while they run: walk a snapshot of the references and
    // skip those removed meanwhile.
    QList<HandlerRef> newestFirst;
    for (auto it = m_handlers.rbegin(); it != m_handlers.rend(); ++it)
        newestFirst.append(it->first);
    for (const HandlerRef ref : newestFirst) {
        const auto installed = m_handlers.find(ref);
        if (installed == m_handlers.end() || !installed->second.kinds.testFlag(event.kind))
            continue;
        const Handler handler = installed->second.handler;
        if (handler(event))
            return true;
    }
    return false;
}

} // namespace platform

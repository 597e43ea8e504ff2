#include "tolvar/menubar/PanelTransientHotkeys.h"

namespace tolvar {

namespace {
using Action = PanelTransientHotkeys::Action;

struct PanelKey
{
    quint32 id;
    qint64 keyCode;
    qint64 modifiers;
    Action action;
};

// Control, not Command: on Linux the Super combinations belong to the desktop (Super-L locks a screen).
constexpr qint64 control = platform::CarbonModifier::control;
constexpr quint32 escapeId = 1;

constexpr PanelKey panelKeys[] = {
    { 1, 53, 0, Action::escape }, { 2, 123, 0, Action::left }, { 3, 124, 0, Action::right }, { 4, 126, 0, Action::up },
    { 5, 125, 0, Action::down }, { 6, 36, 0, Action::returnKey },
    { 7, 76, 0, Action::returnKey }, // Enter on the keypad
    { 8, 46, control, Action::mute }, // M
    { 9, 32, control, Action::unmute }, // U
    { 10, 4, control, Action::left }, // H
    { 11, 38, control, Action::down }, // J
    { 12, 40, control, Action::up }, // K
    { 13, 37, control, Action::right }, // L
};
} // namespace

PanelTransientHotkeys::PanelTransientHotkeys(platform::HotKeys* hotKeys, QObject* parent)
    : QObject(parent)
    , m_hotKeys(hotKeys)
{ }

PanelTransientHotkeys::~PanelTransientHotkeys()
{
    detach();
}

PanelTransientHotkeys& PanelTransientHotkeys::shared()
{
    // Lives until the process ends, never outliving the hot keys in a destructor of its own.
    static auto* const instance = new PanelTransientHotkeys;
    return *instance;
}

void PanelTransientHotkeys::setHotKeys(platform::HotKeys& hotKeys)
{
    if (m_hotKeys == &hotKeys)
        return;
    detach();
    m_hotKeys = &hotKeys;
    if (!m_owners.isEmpty()) {
        installHandlerIfNeeded();
        applyRegistrations();
    }
}

quint64 PanelTransientHotkeys::registerOwner(Owner owner, KeySet keySet, Handler handler)
{
    m_owners.removeIf([owner](const OwnerEntry& entry) { return entry.owner == owner; });
    m_owners.append({ owner, keySet, std::move(handler), ++m_lastRegistration });
    installHandlerIfNeeded();
    applyRegistrations();
    return m_lastRegistration;
}

quint64 PanelTransientHotkeys::registrationOf(Owner owner) const
{
    for (const OwnerEntry& entry : m_owners) {
        if (entry.owner == owner)
            return entry.registration;
    }
    return 0;
}

void PanelTransientHotkeys::unregisterOwner(Owner owner)
{
    m_owners.removeIf([owner](const OwnerEntry& entry) { return entry.owner == owner; });
    if (m_owners.isEmpty())
        detach();
    else
        applyRegistrations();
}

bool PanelTransientHotkeys::isSuppressed(Owner owner) const
{
    return m_suppressPanelHotkeys && (owner == Owner::quickPanel || owner == Owner::menuBar);
}

void PanelTransientHotkeys::applyRegistrations()
{
    unregisterAllHotKeys();
    bool anyActive = false;
    bool allEscapeOnly = true;
    for (const OwnerEntry& entry : std::as_const(m_owners)) {
        if (isSuppressed(entry.owner))
            continue;
        anyActive = true;
        allEscapeOnly = allEscapeOnly && entry.keySet == KeySet::escapeOnly;
    }
    if (!anyActive)
        return;
    for (const PanelKey& key : panelKeys) {
        if (!allEscapeOnly || key.id == escapeId)
            registerHotKey(key.keyCode, key.id, key.modifiers);
    }
}

void PanelTransientHotkeys::installHandlerIfNeeded()
{
    if (m_handlerRef || !m_hotKeys)
        return;
    m_handlerRef = m_hotKeys->installHandler(
        platform::HotKeyEventKind::pressed, [this](const platform::HotKeyEvent& event) { return handleEvent(event); });
}

void PanelTransientHotkeys::unregisterAllHotKeys()
{
    for (const platform::HotKeys::Ref ref : std::as_const(m_hotKeyRefs))
        m_hotKeys->unregisterHotKey(ref);
    m_hotKeyRefs.clear();
}

void PanelTransientHotkeys::detach()
{
    unregisterAllHotKeys();
    if (m_handlerRef)
        m_hotKeys->removeHandler(*m_handlerRef);
    m_handlerRef.reset();
}

void PanelTransientHotkeys::registerHotKey(qint64 keyCode, quint32 id, qint64 modifiers)
{
    if (!m_hotKeys)
        return;
    // A key that another program holds is simply missing.
    const platform::HotKeys::Registration registration = m_hotKeys->registerHotKey(keyCode, modifiers, signature, id);
    if (registration.status == platform::HotKeys::Status::ok)
        m_hotKeyRefs.append(registration.ref);
}

bool PanelTransientHotkeys::handleEvent(const platform::HotKeyEvent& event)
{
    if (event.signature != signature || event.id < 1 || event.id > std::size(panelKeys))
        return false;
    const Action action = panelKeys[event.id - 1].action;
    // The handler runs after the event dispatch has returned, and sees the owners as they are then.
    QMetaObject::invokeMethod(
        this, [this, action] { dispatch(action); }, Qt::QueuedConnection);
    return true;
}

void PanelTransientHotkeys::dispatch(Action action)
{
    for (auto entry = m_owners.crbegin(); entry != m_owners.crend(); ++entry) {
        if (isSuppressed(entry->owner) || (entry->keySet == KeySet::escapeOnly && action != Action::escape))
            continue;
        // A copy: the handler may unregister its owner.
        const Handler serve = entry->handler;
        serve(action);
        return;
    }
}

} // namespace tolvar

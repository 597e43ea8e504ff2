#include "ShortcutKit/ShortcutKit.h"

#include "ShortcutKit/HotKey.h"
#include "ShortcutKit/HotKeyCenter.h"
#include "ShortcutKit/Notifier.h"
#include "ShortcutKit/StreamTables.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/hotkeys/HotKeys.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>

namespace ShortcutKit {

namespace {
const QString keyPrefix = QStringLiteral("ShortcutKit_");

struct State
{
    explicit State(const Platform& platform)
        : platform(platform)
    { }

    // Declared in the order that lets the hot keys go before their center.
    Platform platform;
    Notifier notifier;
    std::unique_ptr<HotKeyCenter> center;
    QHash<Shortcut, std::shared_ptr<HotKey>> registeredHotKeys;
    QSet<Name> disabledNames;
    QHash<Name, QList<Action>> keyDownHandlers;
    QHash<Name, QList<Action>> keyUpHandlers;
    QHash<Name, QHash<QUuid, Action>> nameStreamKeyDownHandlers;
    QHash<Name, QHash<QUuid, Action>> nameStreamKeyUpHandlers;
    QHash<Shortcut, QHash<QUuid, Action>> shortcutStreamKeyDownHandlers;
    QHash<Shortcut, QHash<QUuid, Action>> shortcutStreamKeyUpHandlers;
    bool isEnabled = true;
    bool isRecorderActive = false;
};

std::unique_ptr<State> s_state;

State& state()
{
    Q_ASSERT_X(
        QThread::currentThread() == QCoreApplication::instance()->thread(), "ShortcutKit", "used off the main thread");
    if (!s_state)
        qFatal("ShortcutKit is used before ShortcutKit::start()");
    return *s_state;
}

platform::UserDefaults& defaults()
{
    return state().platform.defaults;
}

QString defaultsKey(const Name& name)
{
    return keyPrefix + name.rawValue();
}

// What a name's user-defaults key holds.
struct StoredValue
{
    enum class Kind { absent, cleared, shortcut } kind = Kind::absent;
    std::optional<Shortcut> shortcut;
};

StoredValue readStoredValue(const Name& name)
{
    const std::optional<platform::UserDefaults::Value> value = defaults().value(defaultsKey(name));
    if (!value)
        return {};
    // A number 0 reads as false too, as the original platform's number objects do.
    const bool isFalse = std::visit(
        [](const auto& stored) {
            using T = std::decay_t<decltype(stored)>;
            if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, qint64> || std::is_same_v<T, double>)
                return stored == T {};
            return false;
        },
        *value);
    if (isFalse)
        return { StoredValue::Kind::cleared, std::nullopt };
    if (const auto* text = std::get_if<QString>(&*value)) {
        if (std::optional<Shortcut> shortcut = Shortcut::fromJson(text->toUtf8()))
            return { StoredValue::Kind::shortcut, shortcut };
    }
    return {};
}

bool hasStreams(const State& s, const Name& name)
{
    return !s.nameStreamKeyDownHandlers.value(name).isEmpty() || !s.nameStreamKeyUpHandlers.value(name).isEmpty();
}

bool hasActions(const State& s, const Name& name)
{
    return !s.keyDownHandlers.value(name).isEmpty() || !s.keyUpHandlers.value(name).isEmpty() || hasStreams(s, name);
}

bool isActive(const Name& name)
{
    const State& s = state();
    return !s.disabledNames.contains(name) && hasActions(s, name);
}

bool isShortcutUsedByOtherName(const Shortcut& shortcut, const std::optional<Name>& excluding)
{
    const State& s = state();
    QSet<Name> names;
    for (const Name& name : s.keyDownHandlers.keys())
        names.insert(name);
    for (const Name& name : s.keyUpHandlers.keys())
        names.insert(name);
    for (const Name& name : s.nameStreamKeyDownHandlers.keys())
        names.insert(name);
    for (const Name& name : s.nameStreamKeyUpHandlers.keys())
        names.insert(name);
    for (const Name& name : names) {
        if (name == excluding || s.disabledNames.contains(name) || !hasActions(s, name))
            continue;
        if (getShortcut(name) == shortcut)
            return true;
    }
    return !s.shortcutStreamKeyDownHandlers.value(shortcut).isEmpty()
        || !s.shortcutStreamKeyUpHandlers.value(shortcut).isEmpty();
}

void unregisterShortcut(const Shortcut& shortcut, const std::optional<Name>& excluding)
{
    if (!isShortcutUsedByOtherName(shortcut, excluding))
        state().registeredHotKeys.remove(shortcut);
}

void unregisterOldShortcut(const Name& name)
{
    if (const std::optional<Shortcut> old = getShortcut(name))
        unregisterShortcut(*old, name);
}

template <typename Actions> void runNameActions(const QHash<Name, Actions>& table, const Shortcut& shortcut)
{
    for (auto entry = table.cbegin(); entry != table.cend(); ++entry) {
        if (getShortcut(entry.key()) != shortcut || state().disabledNames.contains(entry.key()))
            continue;
        for (const Action& action : entry.value())
            action();
    }
}

void handleOnKeyEvent(EventType type, const Shortcut& shortcut)
{
    const State& s = state();
    if (s.isRecorderActive)
        return;
    const bool down = type == EventType::keyDown;
    // Copies: actions that add or remove handlers change the next event, not this one.
    const QHash<Name, QList<Action>> handlers = down ? s.keyDownHandlers : s.keyUpHandlers;
    const QHash<Name, QHash<QUuid, Action>> nameStreams
        = down ? s.nameStreamKeyDownHandlers : s.nameStreamKeyUpHandlers;
    const QHash<QUuid, Action> shortcutStreams
        = (down ? s.shortcutStreamKeyDownHandlers : s.shortcutStreamKeyUpHandlers).value(shortcut);
    runNameActions(handlers, shortcut);
    runNameActions(nameStreams, shortcut);
    for (const Action& action : shortcutStreams)
        action();
}

void registerShortcut(const Shortcut& shortcut)
{
    State& s = state();
    if (s.registeredHotKeys.contains(shortcut))
        return;
    HotKeyCenter& center = HotKeyCenter::shared();
    const int id = center.nextHotKeyId();
    auto hotKey = std::make_shared<HotKey>(
        center, shortcut.carbonKeyCode(), shortcut.carbonModifiers(), id,
        [shortcut] { handleOnKeyEvent(EventType::keyDown, shortcut); },
        [shortcut] { handleOnKeyEvent(EventType::keyUp, shortcut); });
    if (!center.registerHotKey(hotKey))
        return;
    hotKey->onRegistrationFailed = [weakHotKey = std::weak_ptr<HotKey>(hotKey), shortcut] {
        const std::shared_ptr<HotKey> failed = weakHotKey.lock();
        auto& registered = state().registeredHotKeys;
        const auto entry = registered.find(shortcut);
        if (failed && entry != registered.end() && entry->get() == failed.get())
            registered.erase(entry);
    };
    s.registeredHotKeys.insert(shortcut, hotKey);
}

void registerShortcutIfNeeded(const Name& name)
{
    if (!isActive(name))
        return;
    if (const std::optional<Shortcut> shortcut = getShortcut(name))
        registerShortcut(*shortcut);
}

void postChange(const Name& name)
{
    Q_EMIT state().notifier.shortcutByNameDidChange(name);
}

void storeShortcut(const Shortcut& shortcut, const Name& name)
{
    const QString json = QString::fromUtf8(shortcut.toJson());
    unregisterOldShortcut(name);
    defaults().setString(defaultsKey(name), json);
    registerShortcutIfNeeded(name);
    postChange(name);
}

void storeCleared(const Name& name)
{
    if (readStoredValue(name).kind == StoredValue::Kind::cleared)
        return;
    unregisterOldShortcut(name);
    defaults().setBool(defaultsKey(name), false);
    registerShortcutIfNeeded(name);
    postChange(name);
}

void removeStoredValue(const Name& name)
{
    if (!defaults().contains(defaultsKey(name)))
        return;
    unregisterOldShortcut(name);
    defaults().remove(defaultsKey(name));
    registerShortcutIfNeeded(name);
    postChange(name);
}

void removeStream(QHash<QUuid, Action>& downs, QHash<QUuid, Action>& ups, const QUuid& id)
{
    downs.remove(id);
    ups.remove(id);
}
} // namespace

namespace StreamTables {

QUuid addNameStream(const Name& name, Action keyDown, Action keyUp)
{
    const QUuid id = QUuid::createUuid();
    state().nameStreamKeyDownHandlers[name].insert(id, std::move(keyDown));
    state().nameStreamKeyUpHandlers[name].insert(id, std::move(keyUp));
    registerShortcutIfNeeded(name);
    return id;
}

QUuid addShortcutStream(const Shortcut& shortcut, Action keyDown, Action keyUp)
{
    const QUuid id = QUuid::createUuid();
    state().shortcutStreamKeyDownHandlers[shortcut].insert(id, std::move(keyDown));
    state().shortcutStreamKeyUpHandlers[shortcut].insert(id, std::move(keyUp));
    registerShortcut(shortcut);
    return id;
}

void removeNameStream(const Name& name, const QUuid& id)
{
    if (!s_state)
        return;
    State& s = state();
    removeStream(s.nameStreamKeyDownHandlers[name], s.nameStreamKeyUpHandlers[name], id);
    if (s.nameStreamKeyDownHandlers[name].isEmpty())
        s.nameStreamKeyDownHandlers.remove(name);
    if (s.nameStreamKeyUpHandlers[name].isEmpty())
        s.nameStreamKeyUpHandlers.remove(name);
    if (const std::optional<Shortcut> shortcut = getShortcut(name))
        unregisterShortcut(*shortcut, std::nullopt);
}

void removeShortcutStream(const Shortcut& shortcut, const QUuid& id)
{
    if (!s_state)
        return;
    State& s = state();
    removeStream(s.shortcutStreamKeyDownHandlers[shortcut], s.shortcutStreamKeyUpHandlers[shortcut], id);
    if (s.shortcutStreamKeyDownHandlers[shortcut].isEmpty())
        s.shortcutStreamKeyDownHandlers.remove(shortcut);
    if (s.shortcutStreamKeyUpHandlers[shortcut].isEmpty())
        s.shortcutStreamKeyUpHandlers.remove(shortcut);
    unregisterShortcut(shortcut, std::nullopt);
}

bool isActive(const Name& name)
{
    return ShortcutKit::isActive(name);
}

bool isRegistered(const Shortcut& shortcut)
{
    return state().registeredHotKeys.contains(shortcut);
}

} // namespace StreamTables

void start(const Platform& platform)
{
    s_state.reset();
    s_state = std::make_unique<State>(platform);
}

void shutDown()
{
    s_state.reset();
}

const Platform& platform()
{
    return state().platform;
}

Notifier& notifier()
{
    return state().notifier;
}

HotKeyCenter& HotKeyCenter::shared()
{
    State& s = state();
    if (!s.center)
        s.center = std::make_unique<HotKeyCenter>(s.platform.hotKeys, s.platform.systemShortcuts);
    return *s.center;
}

std::optional<Shortcut> getShortcut(const Name& name)
{
    return readStoredValue(name).shortcut;
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name)
{
    if (shortcut)
        storeShortcut(*shortcut, name);
    else if (name.initialShortcut())
        storeCleared(name);
    else
        removeStoredValue(name);
}

void reset(const QList<Name>& names)
{
    for (const Name& name : names) {
        if (const std::optional<Shortcut> initial = name.initialShortcut())
            storeShortcut(*initial, name);
        else
            removeStoredValue(name);
    }
}

void resetAll()
{
    for (const Name& name : storedNames())
        setShortcut(std::nullopt, name);
}

QSet<Name> storedNames()
{
    QSet<Name> names;
    for (const QString& key : defaults().keys()) {
        if (key.startsWith(keyPrefix))
            names.insert(Name(key.mid(keyPrefix.size())));
    }
    return names;
}

bool isEnabled()
{
    return state().isEnabled;
}

void setEnabled(bool enabled)
{
    if (std::exchange(state().isEnabled, enabled) != enabled)
        HotKeyCenter::shared().setEnabled(enabled);
}

void enable(const QList<Name>& names)
{
    for (const Name& name : names) {
        state().disabledNames.remove(name);
        registerShortcutIfNeeded(name);
    }
}

void disable(const QList<Name>& names)
{
    for (const Name& name : names) {
        state().disabledNames.insert(name);
        if (const std::optional<Shortcut> shortcut = getShortcut(name))
            unregisterShortcut(*shortcut, name);
    }
}

bool isEnabled(const Name& name)
{
    const std::optional<Shortcut> shortcut = getShortcut(name);
    return state().isEnabled && isActive(name) && shortcut && state().registeredHotKeys.contains(*shortcut);
}

void onKeyDown(const Name& name, Action action)
{
    state().keyDownHandlers[name].append(std::move(action));
    registerShortcutIfNeeded(name);
}

void onKeyUp(const Name& name, Action action)
{
    state().keyUpHandlers[name].append(std::move(action));
    registerShortcutIfNeeded(name);
}

void removeHandler(const Name& name)
{
    state().keyDownHandlers.remove(name);
    state().keyUpHandlers.remove(name);
    if (!state().disabledNames.contains(name) && hasStreams(state(), name))
        return;
    if (const std::optional<Shortcut> shortcut = getShortcut(name))
        unregisterShortcut(*shortcut, name);
}

void removeAllHandlers()
{
    State& s = state();
    QSet<Shortcut> shortcuts;
    for (const QHash<Name, QList<Action>>* table : { &s.keyDownHandlers, &s.keyUpHandlers }) {
        for (const Name& name : table->keys()) {
            if (const std::optional<Shortcut> shortcut = getShortcut(name))
                shortcuts.insert(*shortcut);
        }
    }
    s.keyDownHandlers.clear();
    s.keyUpHandlers.clear();
    for (const Shortcut& shortcut : shortcuts)
        unregisterShortcut(shortcut, std::nullopt);
}

bool isRecorderActive()
{
    return state().isRecorderActive;
}

void setRecorderActive(bool active)
{
    state().isRecorderActive = active;
    // A combination grabbed by this process would reach only the grab, never the recorder.
    state().platform.hotKeys.setSuspended(active);
    Q_EMIT state().notifier.recorderActiveStatusDidChange(active);
}

bool isSandboxed()
{
    static const bool sandboxed = qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
    return sandboxed;
}

void storeInitialShortcutIfAbsent(const Name& name, const Shortcut& shortcut)
{
    if (!defaults().contains(defaultsKey(name)))
        defaults().setString(defaultsKey(name), QString::fromUtf8(shortcut.toJson()));
}

void setUpHotKeysLater()
{
    // Like the first use of any name on the original platform: the center comes up from the event
    // loop, after the caller has finished.
    QMetaObject::invokeMethod(
        &state().notifier, [] { HotKeyCenter::shared(); }, Qt::QueuedConnection);
}

} // namespace ShortcutKit

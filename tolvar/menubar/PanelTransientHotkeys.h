#pragma once

#include "platform/hotkeys/HotKeys.h"

#include <QList>
#include <QObject>
#include <functional>
#include <optional>

namespace tolvar {

// The keys that the application's panels and overlays take while they are in front: Escape, the
// arrows, Return and keypad Enter, and Control with M, U, H, J, K and L. They are system hot keys for
// exactly as long as some owner wants them; each press goes to the newest owner that takes it.
class PanelTransientHotkeys : public QObject
{
    Q_OBJECT
public:
    enum class Owner { quickPanel, menuBar, reminderOverlay, actionItemOverlay, availabilityShare };
    enum class KeySet { panelNavigation, escapeOnly };
    enum class Action { escape, left, right, up, down, returnKey, mute, unmute };
    using Handler = std::function<void(Action)>;

    static constexpr quint32 signature = platform::fourCharCode("QPHK");

    // Registers nothing with the system until it has hot keys to work on.
    explicit PanelTransientHotkeys(platform::HotKeys* hotKeys = nullptr, QObject* parent = nullptr);
    ~PanelTransientHotkeys() override;

    // The application's one registry, made on first use; `setHotKeys` gives it the hot keys at start.
    static PanelTransientHotkeys& shared();
    void setHotKeys(platform::HotKeys& hotKeys);

    // Makes the owner the newest, with its key set and handler (replacing earlier ones). Returns a
    // number that names this registration, never 0.
    quint64 registerOwner(Owner owner, KeySet keySet, Handler handler);
    void unregisterOwner(Owner owner);
    // The number of the owner's current registration; 0 when it is not registered. Lets a late
    // leaver tell whether the owner is still its own.
    quint64 registrationOf(Owner owner) const;

    // While true, the Quick Panel and the menu-bar panel count as absent. Whoever changes it calls
    // applyRegistrations() afterwards.
    bool suppressPanelHotkeys() const { return m_suppressPanelHotkeys; }
    void setSuppressPanelHotkeys(bool suppress) { m_suppressPanelHotkeys = suppress; }

    // Replaces the registered hot keys with those the active owners want.
    void applyRegistrations();

private:
    struct OwnerEntry
    {
        Owner owner;
        KeySet keySet;
        Handler handler;
        quint64 registration;
    };

    bool isSuppressed(Owner owner) const;
    void installHandlerIfNeeded();
    void unregisterAllHotKeys();
    // Gives back every hot key and the handler.
    void detach();
    void registerHotKey(qint64 keyCode, quint32 id, qint64 modifiers);
    bool handleEvent(const platform::HotKeyEvent& event);
    void dispatch(Action action);

    platform::HotKeys* m_hotKeys;
    std::optional<platform::HotKeys::HandlerRef> m_handlerRef;
    QList<platform::HotKeys::Ref> m_hotKeyRefs;
    // Oldest first, each owner once.
    QList<OwnerEntry> m_owners;
    bool m_suppressPanelHotkeys = false;
    quint64 m_lastRegistration = 0;
};

} // namespace tolvar

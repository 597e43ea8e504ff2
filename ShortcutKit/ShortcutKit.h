#pragma once

#include "ShortcutKit/Name.h"
#include "ShortcutKit/Shortcut.h"

#include <QList>
#include <QSet>
#include <functional>

namespace platform {
class UserDefaults;
class HotKeys;
class KeyboardLayout;
class SystemShortcuts;
class SystemSound;
class Clock;
class KeyRepeat;
} // namespace platform

// Named global shortcuts: kept in the user defaults under "ShortcutKit_" + name, registered as
// system-wide hot keys while some enabled name with actions stores them, and dispatched to those
// actions. Everything runs on the main thread.
namespace ShortcutKit {

class Notifier;

using Action = std::function<void()>;

enum class EventType { keyDown = 0, keyUp = 1 };

// The platform layers the library works on.
struct Platform
{
    platform::UserDefaults& defaults;
    platform::HotKeys& hotKeys;
    const platform::KeyboardLayout& keyboardLayout;
    const platform::SystemShortcuts& systemShortcuts;
    // The recorder's beep; none: silence.
    platform::SystemSound* sound = nullptr;
    // The timers of the repeating streams; none: the system clock.
    platform::Clock* clock = nullptr;
    // The pace of the repeating streams; none: the X server's default pace.
    const platform::KeyRepeat* keyRepeat = nullptr;
};

// Gives the library its layers, with an empty registry; once, before any name is made. The layers
// must outlive the library.
void start(const Platform& platform);
// Withdraws every hot key and forgets the registry.
void shutDown();
const Platform& platform();

// The single object on which the library's notifications are signals.
Notifier& notifier();

std::optional<Shortcut> getShortcut(const Name& name);
// Stores the shortcut; nothing stores the cleared marker when the name has an initial shortcut and
// removes the stored value when it has none.
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
// Each name back to its initial shortcut, or to nothing.
void reset(const QList<Name>& names);
void resetAll();
// Every name with a key in the user defaults.
QSet<Name> storedNames();

// The global switch of all hot keys.
bool isEnabled();
void setEnabled(bool enabled);
void enable(const QList<Name>& names);
void disable(const QList<Name>& names);
// Whether the name's shortcut is registered for it now.
bool isEnabled(const Name& name);

void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
void removeHandler(const Name& name);
void removeAllHandlers();

// True while a recorder records a shortcut. Meanwhile no action runs and every hot key of the process
// is let go of, so that the recorder receives the keys; setting it posts recorderActiveStatusDidChange.
bool isRecorderActive();
void setRecorderActive(bool active);

// Whether the process runs in an application sandbox (APP_SANDBOX_CONTAINER_ID is set).
bool isSandboxed();

// Used by Name: the write of an initial shortcut when nothing is stored, and the one-time hot-key set-up.
void storeInitialShortcutIfAbsent(const Name& name, const Shortcut& shortcut);
void setUpHotKeysLater();

} // namespace ShortcutKit

#pragma once

#include "ShortcutKit/ShortcutKit.h"

#include <QCoro/QCoroAsyncGenerator>
#include <variant>

class QObject;

// A shortcut's presses as asynchronous sequences. A stream is registered from the call on, which keeps
// its shortcut grabbed, and until the generator is destroyed: when its consumer stops iterating, or
// after the optional context object is destroyed, which ends the stream. Elements come on the main
// thread, never from inside the hot-key dispatch; none come while a recorder records.
namespace ShortcutKit {

// Every press and release of the name's stored shortcut while the name is enabled.
QCoro::AsyncGenerator<EventType> events(const Name& name, const QObject* context = nullptr);
// Every press and release of the shortcut, whatever the names say.
QCoro::AsyncGenerator<EventType> events(const Shortcut& shortcut, const QObject* context = nullptr);
// The same, only the events of one type.
QCoro::AsyncGenerator<EventType> events(EventType type, const Name& name, const QObject* context = nullptr);
QCoro::AsyncGenerator<EventType> events(EventType type, const Shortcut& shortcut, const QObject* context = nullptr);

// One element at the press, one after the keyboard's repeat delay and then one per repeat interval
// until the release, at the pace the keyboard had when the stream was made. Repeats stop early when the
// name's shortcut changes, the shortcut is no longer registered, or a recorder starts. A consumer that
// falls behind finds only the newest repeat waiting.
QCoro::AsyncGenerator<std::monostate> repeatingKeyDownEvents(const Name& name, const QObject* context = nullptr);
QCoro::AsyncGenerator<std::monostate> repeatingKeyDownEvents(
    const Shortcut& shortcut, const QObject* context = nullptr);

} // namespace ShortcutKit

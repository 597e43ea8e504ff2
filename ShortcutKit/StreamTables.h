#pragma once

#include "ShortcutKit/ShortcutKit.h"

#include <QUuid>

// The registry's side of the event streams: each open stream has one id in a pair of tables, whose
// actions the dispatch runs, and keeps its name's or shortcut's hot key registered while it is there.
namespace ShortcutKit::StreamTables {

// Adds the stream's two actions and registers the name's stored shortcut if the name is now active.
QUuid addNameStream(const Name& name, Action keyDown, Action keyUp);
// Adds the stream's two actions and registers the shortcut itself, whatever names store.
QUuid addShortcutStream(const Shortcut& shortcut, Action keyDown, Action keyUp);
// Remove the stream's actions and let go of the hot key unless something else still needs it. Nothing
// happens once the library has shut down.
void removeNameStream(const Name& name, const QUuid& id);
void removeShortcutStream(const Shortcut& shortcut, const QUuid& id);

// For the repeating streams' test whether a held key still counts.
bool isActive(const Name& name);
bool isRegistered(const Shortcut& shortcut);

} // namespace ShortcutKit::StreamTables

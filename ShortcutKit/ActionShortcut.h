#pragma once

#include "ShortcutKit/Name.h"
#include "ShortcutKit/Shortcut.h"

#include <optional>

class QAction;

// Named shortcuts on QActions, as menus and toolbars show them.
namespace ShortcutKit {

// The action shows the name's stored shortcut and follows every change of it; while the name has none
// it shows the shortcut it had before it first followed a name. Nothing stops following and gives the
// action that shortcut back.
void setShortcutFor(QAction& action, const std::optional<Name>& name);
// Shows one fixed shortcut, or none, and stops following any name.
void setShortcut(QAction& action, const std::optional<Shortcut>& shortcut);
// The name the action follows.
std::optional<Name> followedName(const QAction& action);

} // namespace ShortcutKit

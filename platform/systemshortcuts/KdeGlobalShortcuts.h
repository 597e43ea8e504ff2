#pragma once

#include "platform/systemshortcuts/SystemShortcuts.h"

#include <QString>
#include <optional>

namespace platform {

class KeyboardLayout;

// KDE's global shortcuts, kept in kglobalshortcutsrc.
namespace KdeGlobalShortcuts {
// Reads $XDG_CONFIG_HOME/kglobalshortcutsrc; a missing file gives nothing.
QList<SystemShortcut> read(const KeyboardLayout& layout);

// The active shortcuts of every action in the file's text.
QList<SystemShortcut> parse(const QString& fileText, const KeyboardLayout& layout);

// One shortcut such as "Meta+Shift+Left"; absent for a sequence of several keys or a key we cannot map.
std::optional<SystemShortcut> parseShortcut(const QString& shortcut, const KeyboardLayout& layout);
} // namespace KdeGlobalShortcuts

} // namespace platform

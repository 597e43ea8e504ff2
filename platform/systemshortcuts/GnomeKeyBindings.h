#pragma once

#include "platform/systemshortcuts/SystemShortcuts.h"

#include <QString>
#include <optional>

namespace platform {

class KeyboardLayout;

// GNOME's key bindings, as the `gsettings` command prints them.
namespace GnomeKeyBindings {
// Runs `gsettings` for the window manager's, the shell's and the media keys' bindings and the
// user's own; a missing command or schema gives nothing.
QList<SystemShortcut> read(const KeyboardLayout& layout);

// The bindings in the output of `gsettings list-recursively` (or `get`): every string or string
// array value that is an accelerator.
QList<SystemShortcut> parse(const QString& gsettingsOutput, const KeyboardLayout& layout);

// One accelerator such as "<Control><Alt>t"; absent when it names a modifier or key we cannot grab.
std::optional<SystemShortcut> parseAccelerator(const QString& accelerator, const KeyboardLayout& layout);
} // namespace GnomeKeyBindings

} // namespace platform

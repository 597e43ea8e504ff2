#pragma once

#include "platform/hotkeys/HotKeys.h"

#include <QFlags>
#include <QString>
#include <QtGlobal>

namespace ShortcutKit {

// The modifier flags of a key event, with the bit values of the original platform, so that they convert
// to and from the Carbon masks in which shortcuts are stored.
enum class ModifierFlag : quint32 {
    capsLock = 0x10000,
    shift = 0x20000,
    control = 0x40000,
    option = 0x80000,
    command = 0x100000,
    numericPad = 0x200000,
    help = 0x400000,
    function = 0x800000,
};
Q_DECLARE_FLAGS(ModifierFlags, ModifierFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(ModifierFlags)

namespace CarbonModifier = platform::CarbonModifier;

// Only control, option, shift, command and function survive either conversion.
qint64 carbonModifiers(ModifierFlags flags);
ModifierFlags modifierFlags(qint64 carbonModifiers);
// Carbon mask to flags and back: what a shortcut stores.
qint64 normalizedCarbonModifiers(qint64 carbonModifiers);

// "⌃⌥⇧⌘" and the globe for function, always in that order.
QString symbolicRepresentation(ModifierFlags flags);

// Qt's modifiers of a key event (Meta is the Super key, which stands in for command) and back.
ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers keyboardModifiers(ModifierFlags flags);

} // namespace ShortcutKit

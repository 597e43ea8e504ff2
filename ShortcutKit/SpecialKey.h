#pragma once

#include <QString>
#include <optional>

namespace ShortcutKit {

// A key that prints no character: how it is shown, how a menu item names it, and its Qt key.
struct SpecialKey
{
    qint64 keyCode;
    QString symbol;
    std::optional<QString> menuKeyEquivalent;
    std::optional<int> qtKey;

    // The special key of a Carbon key code, or null when the key prints a character.
    static const SpecialKey* forKeyCode(qint64 keyCode);
    // The special key that a Qt key stands for, or null.
    static const SpecialKey* forQtKey(int qtKey);
};

} // namespace ShortcutKit

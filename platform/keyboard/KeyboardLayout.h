#pragma once

#include <QString>
#include <optional>

namespace platform {

// Translation of key places into what the user's keyboard layout prints on them.
class KeyboardLayout
{
public:
    virtual ~KeyboardLayout() = default;

    // The text that the current ASCII-capable layout produces for the key at the Carbon key code's place
    // with no modifier held. Absent when there is no such layout or no key has that place; empty or
    // longer than one character when the key produces no text (a dead key) or several characters.
    virtual std::optional<QString> text(qint64 carbonKeyCode) const = 0;

    // The Carbon key code of a key that gives the X keysym in the current layout, preferring keys
    // that give it without Shift.
    virtual std::optional<qint64> carbonKeyCode(quint32 keysym) const = 0;
};

} // namespace platform

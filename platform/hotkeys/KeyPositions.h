#pragma once

#include <QList>
#include <QtGlobal>
#include <optional>

namespace platform {

// A Carbon virtual key code names a key by its place on the keyboard, not by its character. These map
// it to the evdev code of the key in the same place, and back.
std::optional<int> evdevKeyCode(qint64 carbonKeyCode);
std::optional<qint64> carbonKeyCode(int evdevKeyCode);

// A key's X key code is its evdev code plus this.
constexpr int x11KeyCodeOffset = 8;

// Every Carbon key code that has a place, in ascending order.
const QList<qint64>& carbonKeyCodesWithPosition();

} // namespace platform

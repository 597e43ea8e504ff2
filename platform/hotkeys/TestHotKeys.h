#pragma once

#include "platform/hotkeys/HotKeys.h"

#include <QList>

namespace platform {

// Hot keys without a display: tests press and release registered keys and play the other programs
// that hold combinations.
class TestHotKeys final : public HotKeys
{
public:
    // Presses or releases the combination; true when a handler took the event. Keys that are not
    // registered reach no handler, as on a real desktop.
    bool press(qint64 carbonKeyCode, qint64 carbonModifiers);
    bool release(qint64 carbonKeyCode, qint64 carbonModifiers);
    // Hands an event straight to the handlers, as a press of some other registration would.
    bool post(const HotKeyEvent& event) { return deliver(event); }

    // Another program holds (or lets go of) the combination.
    void setTakenElsewhere(qint64 carbonKeyCode, qint64 carbonModifiers, bool taken);

    bool isGrabbed(qint64 carbonKeyCode, qint64 carbonModifiers) const;
    int grabbedCount() const { return int(m_grabbed.size()); }
    int grabCount() const { return m_grabCount; }

protected:
    Status grab(const KeyCombination& combination) override;
    void ungrab(const KeyCombination& combination) override;

private:
    QList<KeyCombination> m_grabbed;
    QList<KeyCombination> m_takenElsewhere;
    int m_grabCount = 0;
};

} // namespace platform

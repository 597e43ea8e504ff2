#include "platform/hotkeys/TestHotKeys.h"

namespace platform {

bool TestHotKeys::press(qint64 carbonKeyCode, qint64 carbonModifiers)
{
    const std::optional<KeyCombination> pressed = combinationFor(carbonKeyCode, carbonModifiers);
    return pressed && deliver(HotKeyEventKind::pressed, *pressed);
}

bool TestHotKeys::release(qint64 carbonKeyCode, qint64 carbonModifiers)
{
    const std::optional<KeyCombination> released = combinationFor(carbonKeyCode, carbonModifiers);
    return released && deliver(HotKeyEventKind::released, *released);
}

void TestHotKeys::setTakenElsewhere(qint64 carbonKeyCode, qint64 carbonModifiers, bool taken)
{
    const std::optional<KeyCombination> held = combinationFor(carbonKeyCode, carbonModifiers);
    if (!held)
        return;
    m_takenElsewhere.removeAll(*held);
    if (taken)
        m_takenElsewhere.append(*held);
}

bool TestHotKeys::isGrabbed(qint64 carbonKeyCode, qint64 carbonModifiers) const
{
    const std::optional<KeyCombination> wanted = combinationFor(carbonKeyCode, carbonModifiers);
    return wanted && m_grabbed.contains(*wanted);
}

HotKeys::Status TestHotKeys::grab(const KeyCombination& combination)
{
    if (m_takenElsewhere.contains(combination))
        return Status::taken;
    m_grabbed.append(combination);
    ++m_grabCount;
    return Status::ok;
}

void TestHotKeys::ungrab(const KeyCombination& combination)
{
    m_grabbed.removeOne(combination);
}

} // namespace platform

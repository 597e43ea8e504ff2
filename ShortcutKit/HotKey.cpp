#include "ShortcutKit/HotKey.h"

#include "ShortcutKit/HotKeyCenter.h"

namespace ShortcutKit {

HotKey::HotKey(
    HotKeyCenter& center, qint64 carbonKeyCode, qint64 carbonModifiers, int id, Action onKeyDown, Action onKeyUp)
    : carbonKeyCode(carbonKeyCode)
    , carbonModifiers(carbonModifiers)
    , onKeyDown(std::move(onKeyDown))
    , onKeyUp(std::move(onKeyUp))
    , id(id)
    , m_center(center)
{ }

HotKey::~HotKey()
{
    m_center.release(*this);
}

} // namespace ShortcutKit

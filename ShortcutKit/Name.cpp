#include "ShortcutKit/Name.h"

#include "ShortcutKit/ShortcutKit.h"

namespace ShortcutKit {

Name::Name(const QString& rawValue)
    : m_rawValue(rawValue)
{ }

Name::Name(const QString& rawValue, const std::optional<Shortcut>& initialShortcut)
    : m_rawValue(rawValue)
    , m_initialShortcut(initialShortcut)
{
    if (initialShortcut)
        storeInitialShortcutIfAbsent(*this, *initialShortcut);
    setUpHotKeysLater();
}

const Name& Name::toggleQuickPanel()
{
    static const Name name(QStringLiteral("toggleQuickPanel"), Shortcut(Key::m.rawValue, 6144));
    return name;
}

std::optional<Shortcut> Name::shortcut() const
{
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut>& shortcut) const
{
    ShortcutKit::setShortcut(shortcut, *this);
}

} // namespace ShortcutKit

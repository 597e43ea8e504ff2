#pragma once

#include "ShortcutKit/Shortcut.h"

#include <QMetaType>
#include <QString>
#include <optional>

namespace ShortcutKit {

// The stable name under which a shortcut is stored. Names are equal when their raw values are.
class Name
{
public:
    // Only the name: nothing is stored, nothing starts.
    explicit Name(const QString& rawValue = {});
    // A name that starts with `initialShortcut` when nothing was ever stored for it: writes it when the
    // user-defaults key is absent, and sets up the hot keys once per process.
    Name(const QString& rawValue, const std::optional<Shortcut>& initialShortcut);

    // The application's shortcut that opens and closes the Quick Panel, Control-Option-M.
    static const Name& toggleQuickPanel();

    QString rawValue() const { return m_rawValue; }
    std::optional<Shortcut> initialShortcut() const { return m_initialShortcut; }
    std::optional<Shortcut> defaultShortcut() const { return m_initialShortcut; }

    // The stored shortcut; setting nothing clears it (see ShortcutKit::setShortcut).
    std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut>& shortcut) const;

    bool operator==(const Name& other) const { return m_rawValue == other.m_rawValue; }

private:
    QString m_rawValue;
    std::optional<Shortcut> m_initialShortcut;
};

inline size_t qHash(const Name& name, size_t seed = 0)
{
    return ::qHash(name.rawValue(), seed);
}

} // namespace ShortcutKit

Q_DECLARE_METATYPE(ShortcutKit::Name)

#pragma once

#include "ShortcutKit/Key.h"
#include "ShortcutKit/ModifierFlags.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <optional>

class QAction;
class QKeyEvent;
class QMenu;

namespace ShortcutKit {

class Name;

// One key with modifiers, in Carbon terms. The modifiers are always normalised to the control,
// option, shift, command and function bits.
class Shortcut
{
public:
    Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers);
    Shortcut(Key key, ModifierFlags modifiers);
    // A key press or release; nothing for other events or a key that has no Carbon key code.
    static std::optional<Shortcut> fromEvent(const QKeyEvent& event);
    // The stored shortcut of the name.
    static std::optional<Shortcut> fromName(const Name& name);

    qint64 carbonKeyCode() const { return m_carbonKeyCode; }
    qint64 carbonModifiers() const { return m_carbonModifiers; }
    Key key() const { return Key { m_carbonKeyCode }; }
    ModifierFlags modifiers() const { return modifierFlags(m_carbonModifiers); }

    // The modifier symbols, then the key: "⌃⌥M", "⌘F1".
    QString description() const;
    // As the desktop writes key combinations, "Ctrl+Alt+M"; the symbols where Qt has no name for it.
    QString nativeText() const;
    // What a menu item shows for the key; absent for keypad keys and keys the layout cannot print.
    std::optional<QString> menuItemKeyEquivalent() const;
    std::optional<QKeySequence> toKeySequence() const;
    // Whether the desktop binds the same combination itself.
    bool isTakenBySystem() const;
    // The actions of the menu, and of its submenus at any depth, whose shortcut is this one.
    QList<QAction*> matchingMenuItems(const QMenu& menu) const;
    // The actions of the list whose shortcut is this one, without looking into their menus.
    QList<QAction*> matchingActions(const QList<QAction*>& actions) const;
    // The one character that the current ASCII-capable layout prints on the key, unshifted.
    std::optional<QString> keyToCharacter() const;

    // {"carbonKeyCode":46,"carbonModifiers":6144}
    QByteArray toJson() const;
    // Both members must be integers; anything else fails.
    static std::optional<Shortcut> fromJson(const QByteArray& json);

    bool operator==(const Shortcut&) const = default;

private:
    qint64 m_carbonKeyCode;
    qint64 m_carbonModifiers;
};

size_t qHash(const Shortcut& shortcut, size_t seed = 0);

// The keys F1 to F35, which a recorder accepts without modifiers.
bool isFunctionKey(int qtKey);

} // namespace ShortcutKit

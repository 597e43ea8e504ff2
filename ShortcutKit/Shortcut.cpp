#include "ShortcutKit/Shortcut.h"

#include "ShortcutKit/HotKeyCenter.h"
#include "ShortcutKit/Localization.h"
#include "ShortcutKit/Name.h"
#include "ShortcutKit/ShortcutKit.h"
#include "ShortcutKit/SpecialKey.h"
#include "platform/hotkeys/KeyPositions.h"
#include "platform/keyboard/KeyboardLayout.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBoundaryFinder>
#include <nlohmann/json.hpp>

namespace ShortcutKit {

namespace {
const QString replacementCharacter = QStringLiteral("\uFFFD");

bool isSingleCharacter(const QString& text)
{
    if (text.isEmpty())
        return false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    return graphemes.toNextBoundary() == text.size();
}

std::optional<qint64> integerMember(const nlohmann::json& object, const char* key)
{
    const auto member = object.find(key);
    if (member == object.end() || !member->is_number_integer())
        return std::nullopt;
    if (member->is_number_unsigned() && member->get<quint64>() > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return member->get<qint64>();
}

// A menu item's key as the original platform names it: the special key's character, else the
// lower-case character (Qt keeps Shift in the modifiers, not in the letter's case).
std::optional<QString> keyEquivalent(int qtKey)
{
    if (const SpecialKey* special = SpecialKey::forQtKey(qtKey))
        return special->menuKeyEquivalent;
    if (qtKey <= 0 || qtKey > 0x10FFFF)
        return std::nullopt;
    const char32_t character = char32_t(qtKey);
    return QString::fromUcs4(&character, 1).toLower();
}

bool isKeyEquivalentOf(const Shortcut& shortcut, const QString& keyString, const QAction& action)
{
    const QKeySequence sequence = action.shortcut();
    if (sequence.count() != 1)
        return false;
    const QKeyCombination combination = sequence[0];
    return modifierFlags(combination.keyboardModifiers()) == shortcut.modifiers()
        && keyEquivalent(combination.key()) == keyString;
}

void collectMatches(const Shortcut& shortcut, const QString& keyString, const QMenu& menu, QList<QAction*>& matches)
{
    for (QAction* action : menu.actions()) {
        if (isKeyEquivalentOf(shortcut, keyString, *action))
            matches.append(action);
        if (const QMenu* submenu = action->menu())
            collectMatches(shortcut, keyString, *submenu, matches);
    }
}
} // namespace

Shortcut::Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers)
    : m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(normalizedCarbonModifiers(carbonModifiers))
{ }

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : Shortcut(key.rawValue, ShortcutKit::carbonModifiers(modifiers))
{ }

std::optional<Shortcut> Shortcut::fromEvent(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)
        return std::nullopt;
    const std::optional<qint64> keyCode
        = platform::carbonKeyCode(int(event.nativeScanCode()) - platform::x11KeyCodeOffset);
    if (!keyCode)
        return std::nullopt;
    ModifierFlags flags = modifierFlags(event.modifiers());
    flags.setFlag(ModifierFlag::function, false);
    return Shortcut(*keyCode, ShortcutKit::carbonModifiers(flags));
}

std::optional<Shortcut> Shortcut::fromName(const Name& name)
{
    return getShortcut(name);
}

std::optional<QString> Shortcut::keyToCharacter() const
{
    if (SpecialKey::forKeyCode(m_carbonKeyCode) || m_carbonKeyCode < 0 || m_carbonKeyCode > 65535)
        return std::nullopt;
    const std::optional<QString> text = platform().keyboardLayout.text(m_carbonKeyCode);
    if (!text || !isSingleCharacter(*text))
        return std::nullopt;
    return text;
}

QString Shortcut::description() const
{
    const QString symbols = symbolicRepresentation(modifiers());
    if (const SpecialKey* special = SpecialKey::forKeyCode(m_carbonKeyCode))
        return symbols + special->symbol;
    return symbols + capitalized(keyToCharacter().value_or(replacementCharacter));
}

std::optional<QString> Shortcut::menuItemKeyEquivalent() const
{
    if (const SpecialKey* special = SpecialKey::forKeyCode(m_carbonKeyCode))
        return special->menuKeyEquivalent;
    return keyToCharacter();
}

std::optional<QKeySequence> Shortcut::toKeySequence() const
{
    // Qt has no modifier for the function key.
    if (m_carbonModifiers & CarbonModifier::function)
        return std::nullopt;
    int qtKey = 0;
    if (const SpecialKey* special = SpecialKey::forKeyCode(m_carbonKeyCode)) {
        if (!special->qtKey)
            return std::nullopt;
        qtKey = *special->qtKey;
    } else {
        const std::optional<QString> character = keyToCharacter();
        if (!character)
            return std::nullopt;
        const QList<uint> codePoints = character->toUpper().toUcs4();
        if (codePoints.size() != 1)
            return std::nullopt;
        qtKey = int(codePoints.first());
    }
    return QKeySequence(QKeyCombination(keyboardModifiers(modifiers()), Qt::Key(qtKey)));
}

bool Shortcut::isTakenBySystem() const
{
    if (m_carbonKeyCode == Key::f12.rawValue && m_carbonModifiers == 0)
        return false;
    for (const platform::SystemShortcut& taken : HotKeyCenter::shared().systemShortcuts()) {
        if (taken.carbonKeyCode == m_carbonKeyCode
            && normalizedCarbonModifiers(taken.carbonModifiers) == m_carbonModifiers)
            return true;
    }
    return false;
}

QList<QAction*> Shortcut::matchingMenuItems(const QMenu& menu) const
{
    QList<QAction*> matches;
    const std::optional<QString> string = menuItemKeyEquivalent();
    if (string)
        collectMatches(*this, *string, menu, matches);
    return matches;
}

QList<QAction*> Shortcut::matchingActions(const QList<QAction*>& actions) const
{
    QList<QAction*> matches;
    const std::optional<QString> string = menuItemKeyEquivalent();
    for (QAction* action : actions) {
        if (string && isKeyEquivalentOf(*this, *string, *action))
            matches.append(action);
    }
    return matches;
}

QString Shortcut::nativeText() const
{
    if (const std::optional<QKeySequence> sequence = toKeySequence())
        return sequence->toString(QKeySequence::NativeText);
    return description();
}

QByteArray Shortcut::toJson() const
{
    nlohmann::ordered_json object;
    object["carbonKeyCode"] = m_carbonKeyCode;
    object["carbonModifiers"] = m_carbonModifiers;
    return QByteArray::fromStdString(object.dump());
}

std::optional<Shortcut> Shortcut::fromJson(const QByteArray& json)
{
    const nlohmann::json object = nlohmann::json::parse(json.constBegin(), json.constEnd(), nullptr, false);
    if (!object.is_object())
        return std::nullopt;
    const std::optional<qint64> keyCode = integerMember(object, "carbonKeyCode");
    const std::optional<qint64> modifiers = integerMember(object, "carbonModifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(*keyCode, *modifiers);
}

size_t qHash(const Shortcut& shortcut, size_t seed)
{
    return qHashMulti(seed, shortcut.carbonKeyCode(), shortcut.carbonModifiers());
}

bool isFunctionKey(int qtKey)
{
    return qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35;
}

} // namespace ShortcutKit

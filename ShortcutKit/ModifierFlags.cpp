#include "ShortcutKit/ModifierFlags.h"

namespace ShortcutKit {

namespace {
struct Modifier
{
    ModifierFlag flag;
    qint64 carbon;
    const char16_t* symbol;
};
// In the order in which their symbols are shown.
constexpr Modifier modifiers[] = {
    { ModifierFlag::control, CarbonModifier::control, u"\u2303" },
    { ModifierFlag::option, CarbonModifier::option, u"\u2325" },
    { ModifierFlag::shift, CarbonModifier::shift, u"\u21E7" },
    { ModifierFlag::command, CarbonModifier::command, u"\u2318" },
    { ModifierFlag::function, CarbonModifier::function, u"\U0001F310\uFE0E" },
};

constexpr std::pair<Qt::KeyboardModifier, ModifierFlag> qtModifiers[] = {
    { Qt::ControlModifier, ModifierFlag::control },
    { Qt::AltModifier, ModifierFlag::option },
    { Qt::ShiftModifier, ModifierFlag::shift },
    { Qt::MetaModifier, ModifierFlag::command },
    { Qt::KeypadModifier, ModifierFlag::numericPad },
};
} // namespace

qint64 carbonModifiers(ModifierFlags flags)
{
    qint64 carbon = 0;
    for (const Modifier& modifier : modifiers) {
        if (flags.testFlag(modifier.flag))
            carbon |= modifier.carbon;
    }
    return carbon;
}

ModifierFlags modifierFlags(qint64 carbonModifiers)
{
    ModifierFlags flags;
    for (const Modifier& modifier : modifiers) {
        if (carbonModifiers & modifier.carbon)
            flags |= modifier.flag;
    }
    return flags;
}

qint64 normalizedCarbonModifiers(qint64 carbon)
{
    return carbonModifiers(modifierFlags(carbon));
}

QString symbolicRepresentation(ModifierFlags flags)
{
    QString symbols;
    for (const Modifier& modifier : modifiers) {
        if (flags.testFlag(modifier.flag))
            symbols += QString::fromUtf16(modifier.symbol);
    }
    return symbols;
}

ModifierFlags modifierFlags(Qt::KeyboardModifiers qtFlags)
{
    ModifierFlags flags;
    for (const auto& [qt, flag] : qtModifiers) {
        if (qtFlags.testFlag(qt))
            flags |= flag;
    }
    return flags;
}

Qt::KeyboardModifiers keyboardModifiers(ModifierFlags flags)
{
    Qt::KeyboardModifiers qtFlags;
    for (const auto& [qt, flag] : qtModifiers) {
        if (flags.testFlag(flag))
            qtFlags |= qt;
    }
    return qtFlags;
}

} // namespace ShortcutKit

#include "ShortcutKit/SpecialKey.h"

#include "ShortcutKit/Localization.h"

#include <QHash>
#include <QList>

namespace ShortcutKit {

namespace {
const QString enclosingCircle = QStringLiteral("\u20DD");
const QString keycap = QStringLiteral("\u20E3");

// In the order of the cases: return, delete, forward delete, end, escape, help, home, space, tab,
// page up and down, the arrows, F1 to F20 and the keypad.
QList<SpecialKey> makeSpecialKeys()
{
    QList<SpecialKey> keys = {
        { 36, QStringLiteral("↩"), QStringLiteral("↩"), Qt::Key_Return },
        { 51, QStringLiteral("⌫"), QStringLiteral("⌫"), Qt::Key_Backspace },
        { 117, QStringLiteral("⌦"), QStringLiteral("⌦"), Qt::Key_Delete },
        { 119, QStringLiteral("↘"), QStringLiteral("↘"), Qt::Key_End },
        { 53, QStringLiteral("⎋"), QStringLiteral("⎋"), Qt::Key_Escape },
        { 114, u'?' + enclosingCircle, u'?' + enclosingCircle, Qt::Key_Help },
        { 115, QStringLiteral("↖"), QStringLiteral("↖"), Qt::Key_Home },
        { 49, capitalized(localizedString("space_key")), QStringLiteral(" "), Qt::Key_Space },
        { 48, QStringLiteral("⇥"), QStringLiteral("⇥"), Qt::Key_Tab },
        { 116, QStringLiteral("⇞"), QStringLiteral("⇞"), Qt::Key_PageUp },
        { 121, QStringLiteral("⇟"), QStringLiteral("⇟"), Qt::Key_PageDown },
        { 126, QStringLiteral("↑"), QStringLiteral("↑"), Qt::Key_Up },
        { 124, QStringLiteral("→"), QStringLiteral("→"), Qt::Key_Right },
        { 125, QStringLiteral("↓"), QStringLiteral("↓"), Qt::Key_Down },
        { 123, QStringLiteral("←"), QStringLiteral("←"), Qt::Key_Left },
    };
    const qint64 functionKeyCodes[]
        = { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90 };
    for (int i = 0; i < 20; ++i) {
        // The original platform's function-key characters, F1 at U+F704.
        keys.append(
            { functionKeyCodes[i], QStringLiteral("F%1").arg(i + 1), QString(QChar(0xF704 + i)), Qt::Key_F1 + i });
    }
    const qint64 keypadDigitCodes[] = { 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };
    for (int digit = 0; digit < 10; ++digit)
        keys.append({ keypadDigitCodes[digit], QString::number(digit) + keycap, std::nullopt, std::nullopt });
    const std::pair<qint64, const char16_t*> keypad[] = {
        { 71, u"☒" },
        { 65, u"." },
        { 75, u"/" },
        { 76, u"↩" },
        { 81, u"=" },
        { 78, u"-" },
        { 67, u"*" },
        { 69, u"+" },
    };
    for (const auto& [code, symbol] : keypad)
        keys.append({ code, QString::fromUtf16(symbol) + keycap, std::nullopt, std::nullopt });
    return keys;
}

const QList<SpecialKey>& specialKeys()
{
    static const QList<SpecialKey> keys = makeSpecialKeys();
    return keys;
}
} // namespace

const SpecialKey* SpecialKey::forKeyCode(qint64 keyCode)
{
    static const QHash<qint64, qsizetype> byKeyCode = [] {
        QHash<qint64, qsizetype> table;
        table.reserve(53);
        for (qsizetype i = 0; i < specialKeys().size(); ++i)
            table.insert(specialKeys()[i].keyCode, i);
        return table;
    }();
    const auto found = byKeyCode.constFind(keyCode);
    return found == byKeyCode.cend() ? nullptr : &specialKeys()[*found];
}

const SpecialKey* SpecialKey::forQtKey(int qtKey)
{
    for (const SpecialKey& key : specialKeys()) {
        if (key.qtKey == qtKey)
            return &key;
    }
    return nullptr;
}

} // namespace ShortcutKit

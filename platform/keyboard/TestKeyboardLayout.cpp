#include "platform/keyboard/TestKeyboardLayout.h"

namespace platform {

void TestKeyboardLayout::useUsLayout()
{
    // Carbon key codes in the order of the characters below.
    static const qint64 codes[] = { 0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46, 45, 31, 35, 12, 15, 1, 17, 32, 9, 13,
        7, 16, 6, 29, 18, 19, 20, 21, 23, 22, 26, 28, 25, 42, 50, 43, 24, 27, 47, 39, 41, 44, 33, 30 };
    const QString characters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789\\`,=-.';/[]");
    for (qsizetype i = 0; i < characters.size(); ++i) {
        setText(codes[i], characters.mid(i, 1));
        setKeysym(characters[i].unicode(), codes[i]);
    }
}

std::optional<QString> TestKeyboardLayout::text(qint64 carbonKeyCode) const
{
    if (!m_available || !m_texts.contains(carbonKeyCode))
        return std::nullopt;
    return m_texts.value(carbonKeyCode);
}

std::optional<qint64> TestKeyboardLayout::carbonKeyCode(quint32 keysym) const
{
    if (!m_available || !m_keysyms.contains(keysym))
        return std::nullopt;
    return m_keysyms.value(keysym);
}

} // namespace platform

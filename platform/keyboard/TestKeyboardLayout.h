#pragma once

#include "platform/keyboard/KeyboardLayout.h"

#include <QHash>

namespace platform {

// A keyboard layout that prints what the test says it prints.
class TestKeyboardLayout final : public KeyboardLayout
{
public:
    // Letters, digits and punctuation in their places on a US keyboard.
    void useUsLayout();
    void setText(qint64 carbonKeyCode, const QString& text) { m_texts.insert(carbonKeyCode, text); }
    void setKeysym(quint32 keysym, qint64 carbonKeyCode) { m_keysyms.insert(keysym, carbonKeyCode); }
    // No ASCII-capable layout at all: every translation fails.
    void setAvailable(bool available) { m_available = available; }

    std::optional<QString> text(qint64 carbonKeyCode) const override;
    std::optional<qint64> carbonKeyCode(quint32 keysym) const override;

private:
    QHash<qint64, QString> m_texts;
    QHash<quint32, qint64> m_keysyms;
    bool m_available = true;
};

} // namespace platform

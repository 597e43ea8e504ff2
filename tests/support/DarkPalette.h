#pragma once

#include <QPalette>

namespace testsupport {

// A dark desktop palette, as a dark theme gives it, with its highlight and its disabled colours.
inline QPalette darkPalette()
{
    QPalette dark(QColor(0x3a, 0x3a, 0x3c), QColor(0x24, 0x24, 0x26));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::ButtonText, QPalette::Text }) {
        dark.setColor(role, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    }
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x4a, 0x4a, 0x4e));
    dark.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor(0x9a, 0x9a, 0x9a));
    return dark;
}

} // namespace testsupport

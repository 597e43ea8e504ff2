#pragma once

#include "tolvar/style/ButtonLabel.h"

namespace tolvar {

// The outlined, nearly transparent capsule of a secondary choice.
class GhostActionButton
{
public:
    static QFont defaultFont();
    QSizeF size(const ButtonLabel& label) const;
    // `pressed` runs from 0 (released) to 1 (held) while the press animates.
    void paint(QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const;
};

} // namespace tolvar

#pragma once

#include "tolvar/style/ButtonLabel.h"

namespace tolvar {

// The filled capsule of a main choice: a gradient from the tint to blue with a glow of the tint.
class PrimaryActionButton
{
public:
    explicit PrimaryActionButton(QColor tint)
        : m_tint(tint)
    { }

    static QFont defaultFont();
    // The capsule's natural size around the label.
    QSizeF size(const ButtonLabel& label) const;
    // `pressed` runs from 0 (released) to 1 (held) while the press animates.
    void paint(QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const;

private:
    QColor m_tint;
};

} // namespace tolvar

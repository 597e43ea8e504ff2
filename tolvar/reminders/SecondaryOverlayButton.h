#pragma once

#include "tolvar/style/ButtonLabel.h"

namespace tolvar {

// The quiet rounded button beside a main choice in the action-item prompt.
class SecondaryOverlayButton
{
public:
    static QFont defaultFont();
    QSizeF size(const ButtonLabel& label) const;
    void paint(QPainter& painter, const QRectF& rect, const ButtonLabel& label, bool pressed) const;
};

} // namespace tolvar

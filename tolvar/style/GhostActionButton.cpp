#include "tolvar/style/GhostActionButton.h"

#include "tolvar/style/CapsuleButton.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

QFont GhostActionButton::defaultFont()
{
    return CapsuleButton::defaultFont();
}

QSizeF GhostActionButton::size(const ButtonLabel& label) const
{
    return CapsuleButton::size(label);
}

void GhostActionButton::paint(
    QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const
{
    painter.save();
    CapsuleButton::begin(painter, capsule, pressed, 0.15, enabled);
    fillOutlined(painter, capsule, capsule.height() / 2, QColor::fromRgbF(1, 1, 1, 0.06f),
        QPen(QColor::fromRgbF(1, 1, 1, 0.22f), 1));
    label.paint(painter, capsule, QColor::fromRgbF(1, 1, 1, 0.92f));
    painter.restore();
}

} // namespace tolvar

#include "tolvar/style/PrimaryActionButton.h"

#include "tolvar/style/CapsuleButton.h"
#include "tolvar/style/DropShadow.h"
#include "tolvar/style/Palette.h"

#include <QLinearGradient>
#include <QPainter>

namespace tolvar {

QFont PrimaryActionButton::defaultFont()
{
    return CapsuleButton::defaultFont();
}

QSizeF PrimaryActionButton::size(const ButtonLabel& label) const
{
    return CapsuleButton::size(label);
}

void PrimaryActionButton::paint(
    QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const
{
    painter.save();
    const QPainterPath shape = CapsuleButton::begin(painter, capsule, pressed, 0.08, enabled);
    drawDropShadow(painter, shape, withOpacity(m_tint, 0.45), 14, QPointF(0, 6));
    QLinearGradient fill(capsule.topLeft(), capsule.bottomRight());
    fill.setColorAt(0, m_tint);
    fill.setColorAt(1, Palette::shared().blue);
    painter.fillPath(shape, fill);
    label.paint(painter, capsule, QColor::fromRgbF(0, 0, 0, 0.85f));
    painter.restore();
}

} // namespace tolvar

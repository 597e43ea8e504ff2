#include "tolvar/reminders/GhostActionButton.h"

#include "tolvar/reminders/CapsuleButton.h"

#include <QPainter>
#include <QPainterPath>

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
    const QPainterPath shape = CapsuleButton::begin(painter, capsule, pressed, 0.15, enabled);
    painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, 0.06f));
    QPainterPath outline;
    const QRectF inner = capsule.adjusted(0.5, 0.5, -0.5, -0.5);
    outline.addRoundedRect(inner, inner.height() / 2, inner.height() / 2);
    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, 0.22f), 1));
    label.paint(painter, capsule, QColor::fromRgbF(1, 1, 1, 0.92f));
    painter.restore();
}

} // namespace tolvar

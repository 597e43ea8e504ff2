#include "tolvar/reminders/GhostActionButton.h"

#include "tolvar/reminders/WrappedText.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvar {

static constexpr qreal disabledOpacity = 0.45;

QFont GhostActionButton::defaultFont()
{
    return overlayFont(15, QFont::DemiBold);
}

QSizeF GhostActionButton::size(const ButtonLabel& label) const
{
    return label.size() + QSizeF(44, 26);
}

void GhostActionButton::paint(
    QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * (1 - 0.15 * pressed) * (enabled ? 1 : disabledOpacity));
    const qreal scale = 1 - 0.03 * pressed;
    painter.translate(capsule.center());
    painter.scale(scale, scale);
    painter.translate(-capsule.center());
    const qreal radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, 0.06f));
    QPainterPath outline;
    const QRectF inner = capsule.adjusted(0.5, 0.5, -0.5, -0.5);
    outline.addRoundedRect(inner, inner.height() / 2, inner.height() / 2);
    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, 0.22f), 1));
    label.paint(painter, capsule, QColor::fromRgbF(1, 1, 1, 0.92f));
    painter.restore();
}

} // namespace tolvar

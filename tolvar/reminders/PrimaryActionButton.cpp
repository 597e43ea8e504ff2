#include "tolvar/reminders/PrimaryActionButton.h"

#include "tolvar/reminders/DropShadow.h"
#include "tolvar/reminders/Palette.h"
#include "tolvar/reminders/WrappedText.h"

#include <QLinearGradient>
#include <QPainter>

namespace tolvar {

// The platform's disabled look for our painted buttons.
static constexpr qreal disabledOpacity = 0.45;

QFont PrimaryActionButton::defaultFont()
{
    return overlayFont(15, QFont::DemiBold);
}

QSizeF PrimaryActionButton::size(const ButtonLabel& label) const
{
    return label.size() + QSizeF(44, 26);
}

void PrimaryActionButton::paint(
    QPainter& painter, const QRectF& capsule, const ButtonLabel& label, qreal pressed, bool enabled) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * (1 - 0.08 * pressed) * (enabled ? 1 : disabledOpacity));
    const qreal scale = 1 - 0.03 * pressed;
    painter.translate(capsule.center());
    painter.scale(scale, scale);
    painter.translate(-capsule.center());
    const qreal radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    drawDropShadow(painter, shape, withOpacity(m_tint, 0.45), 14, QPointF(0, 6));
    QLinearGradient fill(capsule.topLeft(), capsule.bottomRight());
    fill.setColorAt(0, m_tint);
    fill.setColorAt(1, Palette::shared().blue);
    painter.fillPath(shape, fill);
    label.paint(painter, capsule, QColor::fromRgbF(0, 0, 0, 0.85f));
    painter.restore();
}

} // namespace tolvar

#include "tolvar/style/CapsuleButton.h"

#include "tolvar/style/ButtonLabel.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>

namespace tolvar::CapsuleButton {

// The platform's disabled look for our painted buttons.
static constexpr qreal disabledOpacity = 0.45;

QFont defaultFont()
{
    return overlayFont(15, QFont::DemiBold);
}

QSizeF size(const ButtonLabel& label)
{
    return label.size() + QSizeF(44, 26);
}

QPainterPath begin(QPainter& painter, const QRectF& capsule, qreal pressed, qreal pressedDimming, bool enabled)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * (1 - pressedDimming * pressed) * (enabled ? 1 : disabledOpacity));
    const qreal scale = 1 - 0.03 * pressed;
    painter.translate(capsule.center());
    painter.scale(scale, scale);
    painter.translate(-capsule.center());
    const qreal radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    return shape;
}

} // namespace tolvar::CapsuleButton

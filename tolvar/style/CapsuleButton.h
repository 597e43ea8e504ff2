#pragma once

#include <QFont>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tolvar {

class ButtonLabel;

// What the filled and the outlined capsule buttons share: their font, their size around the label, and
// the press and disabled looks.
namespace CapsuleButton {

QFont defaultFont();
QSizeF size(const ButtonLabel& label);
// Applies the pressed scale, the pressed dimming and the disabled look to the saved painter and returns
// the capsule's shape.
QPainterPath begin(QPainter& painter, const QRectF& capsule, qreal pressed, qreal pressedDimming, bool enabled);

} // namespace CapsuleButton

} // namespace tolvar

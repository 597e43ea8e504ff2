#pragma once

#include <QColor>
#include <QPainterPath>

class QPainter;

namespace tolvar {

// Paints the blurred shadow of `shape`, as the overlay's glowing countdown, buttons and cards cast.
void drawDropShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius, QPointF offset);

} // namespace tolvar

#include "tolvar/style/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvar {

const Palette& Palette::shared()
{
    static const Palette palette {
        QColor::fromRgbF(0.039f, 0.051f, 0.075f),
        QColor::fromRgbF(0.063f, 0.09f, 0.133f),
        QColor::fromRgbF(0.306f, 0.902f, 0.835f),
        QColor::fromRgbF(0.09f, 0.529f, 1.0f),
        QColor::fromRgbF(0.961f, 0.71f, 0.267f),
        QColor::fromRgbF(1.0f, 0.435f, 0.435f),
    };
    return palette;
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

QColor multipliedOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

void fillOutlined(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill, const QPen& outline)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, fill);
    QPainterPath edge;
    edge.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.strokePath(edge, outline);
}

} // namespace tolvar

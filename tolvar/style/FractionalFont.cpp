#include "tolvar/style/FractionalFont.h"

#include "tolvar/style/WrappedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace tolvar {

FractionalFont FractionalFont::overlay(qreal size, QFont::Weight weight)
{
    for (const int multiple : { 1, 2, 4 }) {
        const qreal scaled = size * multiple;
        if (std::abs(scaled - std::round(scaled)) < 1e-6)
            return { overlayFont(std::round(scaled), weight), 1.0 / multiple };
    }
    return { overlayFont(std::round(size * 4), weight), 0.25 };
}

qreal FractionalFont::height() const
{
    return QFontMetricsF(font).height() * scale;
}

qreal FractionalFont::horizontalAdvance(const QString& text) const
{
    return QFontMetricsF(font).horizontalAdvance(text) * scale;
}

void FractionalFont::drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text) const
{
    painter.save();
    painter.setFont(font);
    painter.translate(rect.topLeft());
    painter.scale(scale, scale);
    painter.drawText(QRectF(0, 0, rect.width() / scale, rect.height() / scale), flags, text);
    painter.restore();
}

} // namespace tolvar

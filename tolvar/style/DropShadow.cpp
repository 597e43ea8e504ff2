#include "tolvar/style/DropShadow.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

namespace tolvar {

// One pass of a box blur over the alpha channel, along rows or columns.
static void boxBlur(QImage& image, int radius, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> alpha(static_cast<size_t>(length));
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb& {
            return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(line))[i]
                              : reinterpret_cast<QRgb*>(image.scanLine(i))[line];
        };
        for (int i = 0; i < length; ++i)
            alpha[size_t(i)] = qAlpha(pixel(i));
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? alpha[size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            pixel(i) = qRgba(0, 0, 0, sum / (2 * radius + 1));
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            sum -= (leaving >= 0) ? alpha[size_t(leaving)] : 0;
            sum += (entering < length) ? alpha[size_t(entering)] : 0;
        }
    }
}

void drawDropShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius, QPointF offset)
{
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int blur = std::max(1, int(std::lround(radius * scale / 2)));
    const QRectF bounds = shape.boundingRect().adjusted(-radius * 2, -radius * 2, radius * 2, radius * 2);
    QImage mask((bounds.size() * scale).toSize() + QSize(1, 1), QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    {
        QPainter maskPainter(&mask);
        maskPainter.setRenderHint(QPainter::Antialiasing);
        maskPainter.scale(scale, scale);
        maskPainter.translate(-bounds.topLeft());
        maskPainter.fillPath(shape, Qt::black);
    }
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(mask, blur, true);
        boxBlur(mask, blur, false);
    }
    QPainter tint(&mask);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(mask.rect(), color);
    tint.end();
    mask.setDevicePixelRatio(scale);
    painter.drawImage(bounds.topLeft() + offset, mask);
}

} // namespace tolvar

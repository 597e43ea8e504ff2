#include "tolvar/style/WrappedText.h"

#include "tolvar/style/FractionalFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace tolvar {

static QStringList breakLines(const QString& text, const QFont& font, qreal maxWidth, int maxLines, bool* cut)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    *cut = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(maxWidth);
        if (lines.size() == maxLines) {
            *cut = true;
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    if (*cut && !lines.isEmpty()) {
        const QFontMetricsF metrics(font);
        lines.last() = metrics.elidedText(lines.last().trimmed() + QStringLiteral("…"), Qt::ElideRight, maxWidth);
    }
    return lines;
}

WrappedText WrappedText::make(const QString& text, QFont font, qreal maxWidth, int maxLines, qreal minimumScale)
{
    const qreal size = font.pixelSize();
    bool cut = false;
    QStringList lines = breakLines(text, font, maxWidth, maxLines, &cut);
    for (qreal scale = 0.95; cut && scale >= minimumScale - 0.001; scale -= 0.05) {
        font.setPixelSize(int(std::lround(size * scale)));
        lines = breakLines(text, font, maxWidth, maxLines, &cut);
    }
    const QFontMetricsF metrics(font);
    WrappedText wrapped { font, {}, metrics.height(), 0 };
    for (const QString& line : lines) {
        wrapped.lines.append(line.trimmed());
        wrapped.width = std::max(wrapped.width, metrics.horizontalAdvance(wrapped.lines.last()));
    }
    wrapped.width = std::min(wrapped.width, maxWidth);
    return wrapped;
}

WrappedText WrappedText::make(
    const QString& text, const FractionalFont& font, qreal maxWidth, int maxLines, qreal minimumScale)
{
    WrappedText wrapped = make(text, font.font, maxWidth / font.scale, maxLines, minimumScale);
    wrapped.lineHeight *= font.scale;
    wrapped.width *= font.scale;
    wrapped.fontScale = font.scale;
    return wrapped;
}

void WrappedText::paint(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QBrush& brush) const
{
    painter.save();
    painter.setFont(font);
    painter.setPen(QPen(brush, 1));
    painter.translate(rect.topLeft());
    painter.scale(fontScale, fontScale);
    const qreal lineWidth = rect.width() / fontScale;
    const qreal unscaledLineHeight = lineHeight / fontScale;
    qreal y = 0;
    for (const QString& line : lines) {
        painter.drawText(QRectF(0, y, lineWidth, unscaledLineHeight), int(alignment | Qt::AlignVCenter), line);
        y += unscaledLineHeight;
    }
    painter.restore();
}

QFont overlayFont(qreal size, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(int(std::lround(size)));
    font.setWeight(weight);
    return font;
}

} // namespace tolvar

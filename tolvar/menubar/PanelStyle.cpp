#include "tolvar/menubar/PanelStyle.h"

#include "tolvar/style/SymbolIcon.h"
#include "tolvar/style/WrappedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>

namespace tolvar::PanelStyle {

QFont font(qreal size, QFont::Weight weight)
{
    return overlayFont(size, weight);
}

FractionalFont fractionalFont(qreal size, QFont::Weight weight)
{
    return FractionalFont::overlay(size, weight);
}

QColor white(qreal opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

qreal textWidth(const QFont& font, const QString& text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

qreal textWidth(const FractionalFont& font, const QString& text)
{
    return font.horizontalAdvance(text);
}

qreal lineHeight(const QFont& font)
{
    return QFontMetricsF(font).height();
}

qreal lineHeight(const FractionalFont& font)
{
    return font.height();
}

void drawLine(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font, const QColor& color,
    Qt::Alignment alignment)
{
    if (rect.width() <= 0)
        return;
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    painter.restore();
}

void drawLine(QPainter& painter, const QRectF& rect, const QString& text, const FractionalFont& font,
    const QColor& color, Qt::Alignment alignment)
{
    if (rect.width() <= 0)
        return;
    const QString shown = QFontMetricsF(font.font).elidedText(text, Qt::ElideRight, rect.width() / font.scale);
    painter.save();
    painter.setPen(color);
    font.drawText(painter, rect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    painter.restore();
}

void paintSymbol(QPainter& painter, const QString& symbol, const QRectF& box, qreal points, const QColor& color)
{
    SymbolIcon::paint(painter, symbol, box, std::round(points * 1.3), color);
}

void fillRounded(
    QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill, const QColor& stroke, qreal strokeWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, fill);
    if (stroke.alpha() > 0) {
        const qreal inset = strokeWidth / 2;
        QPainterPath edge;
        edge.addRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
        painter.strokePath(edge, QPen(stroke, strokeWidth));
    }
    painter.restore();
}

void setUpVerticalScrollArea(QScrollArea& area)
{
    area.setFrameShape(QFrame::NoFrame);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area.viewport()->setAutoFillBackground(false);
    area.setStyleSheet(QStringLiteral(
        "QScrollArea { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,90); border-radius: 3px; min-height: 20px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"));
}

} // namespace tolvar::PanelStyle

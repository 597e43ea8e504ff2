#include "tolvar/style/ButtonLabel.h"

#include "tolvar/style/FractionalFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace tolvar {

static constexpr qreal symbolSpacing = 7;

static qreal symbolWidth(const ButtonLabel& label)
{
    return label.symbol == Symbol::none ? 0 : QFontMetricsF(label.font).height() * label.fontScale * 0.9;
}

QSizeF ButtonLabel::contentSize() const
{
    const QFontMetricsF metrics(font);
    const qreal symbol = symbolWidth(*this);
    return { metrics.horizontalAdvance(title) * fontScale + (symbol > 0 ? symbol + symbolSpacing : 0),
        metrics.height() * fontScale };
}

QSizeF ButtonLabel::size() const
{
    const QSizeF content = contentSize();
    return { content.width() + padding.left() + padding.right(), content.height() + padding.top() + padding.bottom() };
}

void ButtonLabel::paint(QPainter& painter, const QRectF& rect, const QColor& color) const
{
    const QSizeF content = contentSize();
    const qreal symbol = symbolWidth(*this);
    qreal x = rect.center().x() - content.width() / 2;
    const qreal y = rect.center().y() - content.height() / 2;
    if (symbol > 0) {
        const qreal box = symbol * 0.8;
        drawSymbol(painter, this->symbol, QRectF(x, rect.center().y() - box / 2, symbol, box), color);
        x += symbol + symbolSpacing;
    }
    painter.save();
    painter.setPen(color);
    FractionalFont { font, fontScale }.drawText(
        painter, QRectF(x, y, rect.right() - x, content.height()), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.restore();
}

void drawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal stroke = std::max(1.5, h / 7);
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (symbol) {
    case Symbol::none:
        break;
    case Symbol::video: {
        // A camera body and its lens cone.
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const QRectF body(box.left(), box.top() + h * 0.15, w * 0.64, h * 0.7);
        painter.drawRoundedRect(body, h * 0.15, h * 0.15);
        QPolygonF cone;
        cone << QPointF(body.right() + w * 0.04, box.center().y()) << QPointF(box.right(), box.top() + h * 0.18)
             << QPointF(box.right(), box.bottom() - h * 0.18);
        painter.drawPolygon(cone);
        break;
    }
    case Symbol::mapPin: {
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(box.left(), box.bottom() - h * 0.3, w, h * 0.3));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const qreal head = w * 0.5;
        const QRectF circle(box.center().x() - head / 2, box.top() - h * 0.05, head, head);
        QPainterPath pin;
        pin.addEllipse(circle);
        QPolygonF tip;
        tip << QPointF(circle.left() + head * 0.1, circle.center().y() + head * 0.2)
            << QPointF(circle.right() - head * 0.1, circle.center().y() + head * 0.2)
            << QPointF(box.center().x(), box.bottom() - h * 0.15);
        pin.addPolygon(tip);
        painter.drawPath(pin.simplified());
        break;
    }
    case Symbol::checkmark: {
        painter.setPen(pen);
        QPolygonF tick;
        tick << QPointF(box.left() + w * 0.12, box.top() + h * 0.55)
             << QPointF(box.left() + w * 0.4, box.bottom() - h * 0.1)
             << QPointF(box.right() - w * 0.1, box.top() + h * 0.12);
        painter.drawPolyline(tick);
        break;
    }
    case Symbol::xmark: {
        painter.setPen(pen);
        const QRectF cross = box.adjusted(w * 0.2, h * 0.15, -w * 0.2, -h * 0.15);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
        break;
    }
    case Symbol::documents: {
        painter.setPen(QPen(color, stroke * 0.8));
        painter.setBrush(Qt::NoBrush);
        const QSizeF page(w * 0.6, h * 0.78);
        painter.drawRoundedRect(QRectF(box.topLeft() + QPointF(w * 0.3, 0), page), 2, 2);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(box.topLeft() + QPointF(w * 0.1, h * 0.22), page), 2, 2);
        break;
    }
    }
    painter.restore();
}

} // namespace tolvar

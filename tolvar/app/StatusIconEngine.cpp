#include "tolvar/app/StatusIconEngine.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace tolvar {

namespace {

const QColor green = QColor::fromRgbF(0.204f, 0.780f, 0.349f);
const QColor orange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);

// The glyphs are laid out on a unit square; strokes are thick enough to read as semibold at 16 px.
constexpr double strokeWidth = 0.085;

void paintDisc(QPainter& painter, const QColor& color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0.04, 0.04, 0.92, 0.92));
}

void paintVideo(QPainter& painter)
{
    paintDisc(painter, green);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(0.22, 0.35, 0.38, 0.30), 0.06, 0.06);
    const QPointF lens[] = { { 0.63, 0.47 }, { 0.79, 0.37 }, { 0.79, 0.63 }, { 0.63, 0.53 } };
    painter.drawPolygon(lens, 4);
}

void paintBell(QPainter& painter)
{
    paintDisc(painter, orange);
    painter.setBrush(Qt::white);
    QPainterPath bell;
    bell.moveTo(0.26, 0.66);
    bell.lineTo(0.33, 0.57);
    bell.lineTo(0.33, 0.46);
    bell.cubicTo(0.33, 0.35, 0.40, 0.27, 0.50, 0.27);
    bell.cubicTo(0.60, 0.27, 0.67, 0.35, 0.67, 0.46);
    bell.lineTo(0.67, 0.57);
    bell.lineTo(0.74, 0.66);
    bell.closeSubpath();
    painter.drawPath(bell);
    painter.drawEllipse(QPointF(0.50, 0.72), 0.06, 0.06);
    painter.drawEllipse(QPointF(0.50, 0.25), 0.04, 0.04);
}

void paintCalendar(QPainter& painter)
{
    const QColor primary = QGuiApplication::palette().color(QPalette::WindowText);
    QPen pen(primary, strokeWidth);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(0.13, 0.20, 0.74, 0.68), 0.12, 0.12);
    painter.drawLine(QPointF(0.34, 0.10), QPointF(0.34, 0.26));
    painter.drawLine(QPointF(0.66, 0.10), QPointF(0.66, 0.26));
    painter.drawLine(QPointF(0.15, 0.40), QPointF(0.85, 0.40));

    // The day grid is the symbol's second layer, drawn lighter as a hierarchical symbol is.
    QColor secondary = primary;
    secondary.setAlphaF(0.55f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(secondary);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column)
            painter.drawRoundedRect(QRectF(0.25 + 0.18 * column, 0.51 + 0.17 * row, 0.13, 0.11), 0.02, 0.02);
    }
}

} // namespace

void StatusIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State)
{
    const double side = std::min(rect.width(), rect.height());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
    painter->scale(side, side);
    switch (m_symbol) {
    case Symbol::video:
        paintVideo(*painter);
        break;
    case Symbol::bell:
        paintBell(*painter);
        break;
    case Symbol::calendar:
        paintCalendar(*painter);
        break;
    }
    painter->restore();
}

QPixmap StatusIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
}

} // namespace tolvar

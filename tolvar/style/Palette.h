#pragma once

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QRectF>

class QPainter;

namespace tolvar {

// The application's six colours, made once and shared by every view.
struct Palette
{
    QColor backgroundTop;
    QColor backgroundBottom;
    QColor teal;
    QColor blue;
    QColor amber;
    QColor red;

    static const Palette& shared();
};

// `color` with its alpha set to `opacity`.
QColor withOpacity(QColor color, qreal opacity);
// `color` shown at `opacity`: its own alpha multiplied, as a view's opacity dims what it draws.
QColor multipliedOpacity(QColor color, qreal opacity);

// Fills a rounded rectangle and strokes its hairline just inside the edge, as the overlays' cards,
// rows and buttons are drawn.
void fillOutlined(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill, const QPen& outline);

} // namespace tolvar

#pragma once

#include "tolvar/style/FractionalFont.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;
class QScrollArea;

namespace tolvar::PanelStyle {

// The panel's width as both of its windows build it, its detail side panel's, and the gap between.
constexpr int mainPanelWidth = 360;
constexpr int detailCardWidth = 280;
constexpr int detailGap = 8;
// The padded column inside the panel.
constexpr int columnWidth = mainPanelWidth - 2 * 16;

// The system font at `size` device-independent pixels.
QFont font(qreal size, QFont::Weight weight = QFont::Normal);
// The same for a size with a fraction, such as 10.5, which a QFont would round.
FractionalFont fractionalFont(qreal size, QFont::Weight weight = QFont::Normal);
QColor white(qreal opacity);
qreal textWidth(const QFont& font, const QString& text);
qreal textWidth(const FractionalFont& font, const QString& text);
qreal lineHeight(const QFont& font);
qreal lineHeight(const FractionalFont& font);
// One line of text in `rect`, cut at the end when it does not fit.
void drawLine(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font, const QColor& color,
    Qt::Alignment alignment = Qt::AlignLeft);
void drawLine(QPainter& painter, const QRectF& rect, const QString& text, const FractionalFont& font,
    const QColor& color, Qt::Alignment alignment = Qt::AlignLeft);
// A system symbol of `points` size centred in `box`. The theme's symbolic icons leave a margin
// inside their square, so the square is a little larger than the point size.
void paintSymbol(QPainter& painter, const QString& symbol, const QRectF& box, qreal points, const QColor& color);
// A continuous rounded rectangle filled and outlined with a one-pixel line of `stroke` (none when
// transparent).
void fillRounded(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill, const QColor& stroke,
    qreal strokeWidth = 1);

// A frameless, see-through area that scrolls only up and down, with a thin light scroll bar.
void setUpVerticalScrollArea(QScrollArea& area);

} // namespace tolvar::PanelStyle

#pragma once

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QString>

class QPainter;

namespace tolvar {

// The symbols the overlays' buttons carry, drawn from the symbol table (SymbolIcon).
enum class Symbol { none, video, mapPin, checkmark, xmark, documents };

// A button's title with its symbol, font and the label's own padding inside the button style's.
struct ButtonLabel
{
    QString title;
    Symbol symbol = Symbol::none;
    QFont font;
    QMarginsF padding;
    // The font drawn at this share of its size: a fractional size, see FractionalFont.
    qreal fontScale = 1;

    QSizeF contentSize() const;
    QSizeF size() const;
    // Paints symbol and title centred in `rect`.
    void paint(QPainter& painter, const QRectF& rect, const QColor& color) const;
};

void drawSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color);

} // namespace tolvar

#pragma once

#include <QFont>
#include <QString>

class QPainter;
class QRectF;

namespace tolvar {

// Qt loads fonts at whole pixel sizes only, and would draw 12.5 as 13. A font of a fractional size is
// kept here as the same font at a whole multiple of the size, drawn scaled down by that multiple.
struct FractionalFont
{
    QFont font;
    // What the font's own sizes are multiplied by on screen: 1 for a whole size.
    qreal scale = 1;

    // An overlay font of `size` device-independent pixels, fractions of a quarter pixel kept.
    static FractionalFont overlay(qreal size, QFont::Weight weight);

    qreal height() const;
    qreal horizontalAdvance(const QString& text) const;
    // Draws `text` inside `rect`, with Qt::AlignmentFlag `flags`, at the scaled size.
    void drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text) const;
};

} // namespace tolvar

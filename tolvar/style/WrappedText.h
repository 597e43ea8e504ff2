#pragma once

#include <QBrush>
#include <QFont>
#include <QStringList>

class QPainter;

namespace tolvar {

struct FractionalFont;

// Text broken into at most a given number of lines, shrunk first and cut last when it does not fit.
struct WrappedText
{
    QFont font;
    QStringList lines;
    qreal lineHeight = 0;
    qreal width = 0;
    // What `font` is drawn at: below 1 for a fractional size (see FractionalFont).
    qreal fontScale = 1;

    // `minimumScale` below 1 lets the font shrink down to that share of its size before the text is cut.
    static WrappedText make(const QString& text, QFont font, qreal maxWidth, int maxLines, qreal minimumScale = 1.0);
    static WrappedText make(
        const QString& text, const FractionalFont& font, qreal maxWidth, int maxLines, qreal minimumScale = 1.0);
    qreal height() const { return lineHeight * lines.size(); }
    // Paints the lines, each aligned within `rect` by `alignment` (left or centre).
    void paint(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QBrush& brush) const;
};

// A font of the overlay: `size` in device-independent pixels.
QFont overlayFont(qreal size, QFont::Weight weight);

} // namespace tolvar

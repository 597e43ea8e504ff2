#include "tolvar/style/FractionalLabel.h"

#include "tolvar/style/WrappedText.h"

#include <QPainter>
#include <climits>
#include <cmath>

namespace tolvar {

namespace {

WrappedText wrapped(const QString& text, const FractionalFont& font, qreal width)
{
    return WrappedText::make(text, font, width, INT_MAX);
}

} // namespace

FractionalLabel::FractionalLabel(const QString& text, const FractionalFont& font, QWidget* parent)
    : QLabel(text, parent)
    , m_font(font)
{
    setTextFormat(Qt::PlainText);
    // A wrapping label takes the width Qt would choose for it at the nearest whole size, so that
    // layouts stay where they were; its lines are then broken and drawn at the fractional size.
    QFont nearest = font.font;
    nearest.setPixelSize(qRound(font.font.pixelSize() * font.scale));
    setFont(nearest);
}

QSize FractionalLabel::sizeHint() const
{
    if (wordWrap()) {
        const int width = QLabel::sizeHint().width();
        return { width, heightForWidth(width) };
    }
    return { int(std::ceil(m_font.horizontalAdvance(text()))), int(std::ceil(m_font.height())) };
}

QSize FractionalLabel::minimumSizeHint() const
{
    if (wordWrap()) {
        const int width = QLabel::minimumSizeHint().width();
        return { width, heightForWidth(width) };
    }
    return sizeHint();
}

int FractionalLabel::heightForWidth(int width) const
{
    if (!wordWrap())
        return sizeHint().height();
    return int(std::ceil(wrapped(text(), m_font, width).height()));
}

void FractionalLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor color = palette().color(foregroundRole());
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    if (!wordWrap()) {
        painter.setPen(color);
        m_font.drawText(painter, QRectF(rect()), int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), text());
        return;
    }
    const WrappedText lines = wrapped(text(), m_font, width());
    const qreal top = (height() - lines.height()) / 2;
    lines.paint(painter, QRectF(0, top, width(), lines.height()), horizontal, color);
}

} // namespace tolvar

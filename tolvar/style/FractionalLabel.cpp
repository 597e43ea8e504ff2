#include "tolvar/style/FractionalLabel.h"

#include "tolvar/style/WrappedText.h"

#include <QPainter>
#include <QRegularExpression>
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
}

QSize FractionalLabel::sizeHint() const
{
    return { int(std::ceil(m_font.horizontalAdvance(text()))), int(std::ceil(m_font.height())) };
}

QSize FractionalLabel::minimumSizeHint() const
{
    if (!wordWrap())
        return sizeHint();
    // A wrapping label may become as narrow as its longest word.
    qreal widest = 0;
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    for (const QString& word : text().split(spaces, Qt::SkipEmptyParts))
        widest = std::max(widest, m_font.horizontalAdvance(word));
    const int width = int(std::ceil(widest));
    return { width, heightForWidth(width) };
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

#include "tolvar/style/ButtonLabel.h"

#include "tolvar/style/FractionalFont.h"
#include "tolvar/style/SymbolIcon.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

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
    static const QHash<Symbol, QString> names = {
        { Symbol::video, QStringLiteral("video.fill") },
        { Symbol::mapPin, QStringLiteral("mappin.and.ellipse") },
        { Symbol::checkmark, QStringLiteral("checkmark") },
        { Symbol::xmark, QStringLiteral("xmark") },
        { Symbol::documents, QStringLiteral("doc.on.doc") },
    };
    if (symbol != Symbol::none)
        SymbolIcon::paint(painter, names.value(symbol), box, std::max(box.width(), box.height()), color);
}

} // namespace tolvar

#include "tolvar/menubar/SymbolLabel.h"

#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal spacing = 6;
} // namespace

SymbolLabel::SymbolLabel(const QString& symbol, qreal symbolPoints, const QColor& symbolColor, const QString& text,
    const QFont& font, const QColor& color, qreal symbolWidth, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_symbolPoints(symbolPoints)
    , m_symbolColor(symbolColor)
    , m_text(text)
    , m_font(font)
    , m_color(color)
    , m_symbolWidth(symbolWidth)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(text);
}

qreal SymbolLabel::symbolWidth() const
{
    return m_symbolWidth > 0 ? m_symbolWidth : m_symbolPoints * 1.2;
}

QSize SymbolLabel::sizeHint() const
{
    return { int(std::ceil(symbolWidth() + spacing + PanelStyle::textWidth(m_font, m_text))),
        int(std::ceil(PanelStyle::lineHeight(m_font))) };
}

void SymbolLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelStyle::paintSymbol(painter, m_symbol, QRectF(0, 0, symbolWidth(), height()), m_symbolPoints, m_symbolColor);
    const qreal left = symbolWidth() + spacing;
    PanelStyle::drawLine(painter, QRectF(left, 0, width() - left, height()), m_text, m_font, m_color);
}

} // namespace tolvar

#include "tolvar/menubar/DetailLinkButton.h"

#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr int maxLines = 3;
constexpr qreal symbolSpacing = 5;
} // namespace

DetailLinkButton::DetailLinkButton(const QFont& font, const QColor& color, QWidget* parent)
    : QAbstractButton(parent)
    , m_font(font)
    , m_color(color)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void DetailLinkButton::setContent(const QString& symbol, const QString& text)
{
    if (m_symbol == symbol && this->text() == text)
        return;
    m_symbol = symbol;
    setText(text);
    updateGeometry();
    update();
}

qreal DetailLinkButton::textLeft() const
{
    return m_symbol.isEmpty() ? 0 : m_font.pixelSize() + symbolSpacing;
}

int DetailLinkButton::heightForWidth(int width) const
{
    return int(std::ceil(WrappedText::make(text(), m_font, width - textLeft(), maxLines).height()));
}

QSize DetailLinkButton::sizeHint() const
{
    const qreal width = textLeft() + PanelStyle::textWidth(m_font, text()) + 1;
    return { int(std::ceil(width)), int(std::ceil(PanelStyle::lineHeight(m_font))) };
}

void DetailLinkButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isDown())
        painter.setOpacity(0.7);
    const WrappedText lines = WrappedText::make(text(), m_font, width() - textLeft(), maxLines);
    if (!m_symbol.isEmpty())
        PanelStyle::paintSymbol(
            painter, m_symbol, QRectF(0, 0, m_font.pixelSize(), lines.lineHeight), m_font.pixelSize(), m_color);
    lines.paint(painter, QRectF(textLeft(), 0, width() - textLeft(), lines.height()), Qt::AlignLeft, m_color);
}

} // namespace tolvar

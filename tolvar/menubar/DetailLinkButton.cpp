#include "tolvar/menubar/DetailLinkButton.h"

#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>
#include <QResizeEvent>

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

QStringList DetailLinkButton::shownLines() const
{
    return WrappedText::make(text(), m_font, width() - textLeft(), maxLines).lines;
}

int DetailLinkButton::heightForWidth(int width) const
{
    return int(std::ceil(WrappedText::make(text(), m_font, width - textLeft(), maxLines).height()));
}

QSize DetailLinkButton::sizeHint() const
{
    const int width = int(std::ceil(textLeft() + PanelStyle::textWidth(m_font, text()) + 1));
    // As high as the lines at the width the layout gave: a layout holds a fixed height to the hint.
    return { width, heightForWidth(this->width() > 0 ? std::min(this->width(), width) : width) };
}

void DetailLinkButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    if (heightForWidth(event->size().width()) != heightForWidth(event->oldSize().width()))
        updateGeometry();
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

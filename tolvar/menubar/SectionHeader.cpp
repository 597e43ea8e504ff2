#include "tolvar/menubar/SectionHeader.h"

#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar {

namespace {
QFont headerFont()
{
    QFont font = PanelStyle::font(10, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    return font;
}
} // namespace

SectionHeader::SectionHeader(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionHeader::setTitle(const QString& text, const QColor& color)
{
    const QString upper = text.toUpper();
    if (m_text == upper && m_color == color)
        return;
    m_text = upper;
    m_color = color;
    setAccessibleName(m_text);
    update();
}

QSize SectionHeader::sizeHint() const
{
    return { PanelStyle::columnWidth, int(std::ceil(PanelStyle::lineHeight(headerFont()))) };
}

void SectionHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PanelStyle::drawLine(painter, QRectF(rect()), m_text, headerFont(), m_color);
}

} // namespace tolvar

#include "tolvar/menubar/FooterButton.h"

#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal symbolSize = 13;
constexpr qreal spacing = 2;

FractionalFont titleFont()
{
    return PanelStyle::fractionalFont(9.5, QFont::DemiBold);
}
} // namespace

FooterButton::FooterButton(const QString& symbol, const QString& title, bool destructive, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_destructive(destructive)
{
    setText(title);
    setAccessibleName(title);
    setFixedSize(50, 38);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void FooterButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isDown())
        painter.setOpacity(0.75);
    const QRectF bounds = QRectF(rect());
    PanelStyle::fillRounded(painter, bounds, 9, PanelStyle::white(0.05), PanelStyle::white(0.1));
    const QColor color = m_destructive ? Palette::shared().red : PanelStyle::white(0.7);
    const qreal titleHeight = PanelStyle::lineHeight(titleFont());
    const qreal top = bounds.center().y() - (symbolSize + spacing + titleHeight) / 2;
    PanelStyle::paintSymbol(painter, m_symbol, QRectF(0, top, width(), symbolSize), symbolSize, color);
    PanelStyle::drawLine(painter, QRectF(0, top + symbolSize + spacing, width(), titleHeight), text(), titleFont(),
        color, Qt::AlignHCenter);
}

} // namespace tolvar

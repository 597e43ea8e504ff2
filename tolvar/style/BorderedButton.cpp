#include "tolvar/style/BorderedButton.h"

#include "tolvar/style/SymbolIcon.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tolvar {

namespace {
constexpr qreal symbolSize = 14;
} // namespace

BorderedButton::BorderedButton(const QString& title, Style style, QWidget* parent)
    : BorderedButton(QString(), title, style, parent)
{ }

BorderedButton::BorderedButton(const QString& symbol, const QString& title, Style style, QWidget* parent)
    : QPushButton(title, parent)
    , m_style(style)
    , m_symbol(symbol)
{
    // Gives the button its size; paintEvent draws the symbol in the colour of the moment.
    if (!m_symbol.isEmpty())
        setIcon(symbolIcon(palette().color(QPalette::ButtonText)));
}

QPalette BorderedButton::prominentPalette(QPalette palette)
{
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Button, palette.color(group, QPalette::Highlight));
        palette.setColor(group, QPalette::ButtonText, palette.color(group, QPalette::HighlightedText));
    }
    return palette;
}

QIcon BorderedButton::symbolIcon(const QColor& color) const
{
    const QPixmap pixmap = SymbolIcon::pixmap(m_symbol, symbolSize, color, devicePixelRatioF());
    // One image for every mode: the style would otherwise grey the disabled symbol on its own terms.
    QIcon icon;
    for (const QIcon::Mode mode : { QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected })
        icon.addPixmap(pixmap, mode);
    return icon;
}

void BorderedButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (m_style == Style::borderedProminent)
        option.palette = prominentPalette(option.palette);
    if (!m_symbol.isEmpty())
        option.icon = symbolIcon(option.palette.color(QPalette::ButtonText));
    painter.drawControl(QStyle::CE_PushButton, option);
}

} // namespace tolvar

#include "tolvar/menubar/EmptyDayCard.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal verticalPadding = 22;
constexpr qreal horizontalPadding = 12;
constexpr qreal symbolSize = 22;
constexpr qreal spacing = 10;

WrappedText wrapped(const QString& text, qreal width)
{
    return WrappedText::make(text, PanelStyle::font(13, QFont::Medium), width - 2 * horizontalPadding, 100);
}
} // namespace

EmptyDayCard::EmptyDayCard(QWidget* parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void EmptyDayCard::setDayLabel(const QString& dayLabel)
{
    const QString text = platform::localizedFormat("No meetings on %@", { dayLabel });
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

int EmptyDayCard::heightForWidth(int width) const
{
    return int(std::ceil(2 * verticalPadding + symbolSize + spacing + wrapped(m_text, width).height()));
}

QSize EmptyDayCard::sizeHint() const
{
    return { PanelStyle::columnWidth, heightForWidth(PanelStyle::columnWidth) };
}

void EmptyDayCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor teal = Palette::shared().teal;
    PanelStyle::fillRounded(painter, QRectF(rect()), 12, withOpacity(teal, 0.05), withOpacity(teal, 0.16));
    const QRectF symbol(width() / 2.0 - symbolSize / 2, verticalPadding, symbolSize, symbolSize);
    PanelStyle::paintSymbol(painter, QStringLiteral("calendar"), symbol, symbolSize, withOpacity(teal, 0.6));
    const WrappedText text = wrapped(m_text, width());
    text.paint(painter,
        QRectF(horizontalPadding, symbol.bottom() + spacing, width() - 2 * horizontalPadding, text.height()),
        Qt::AlignHCenter, PanelStyle::white(0.6));
}

} // namespace tolvar

#include "tolvar/menubar/CaughtUpCard.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/DropShadow.h"
#include "tolvar/style/Palette.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvar {

namespace {
constexpr qreal verticalPadding = 18;
constexpr qreal horizontalPadding = 12;
constexpr qreal badgeSize = 56;
constexpr qreal spacing = 14;
constexpr qreal textSpacing = 4;

QString title()
{
    return platform::localized("You're all caught up");
}
QFont titleFont()
{
    return PanelStyle::font(15, QFont::DemiBold);
}

WrappedText subtitle(qreal width)
{
    return WrappedText::make(platform::localized("No meetings coming up in the calendars you watch."),
        PanelStyle::fractionalFont(12.5), width - 2 * horizontalPadding, 100);
}
} // namespace

CaughtUpCard::CaughtUpCard(QWidget* parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(title());
}

int CaughtUpCard::heightForWidth(int width) const
{
    return int(std::ceil(2 * verticalPadding + badgeSize + spacing + PanelStyle::lineHeight(titleFont()) + textSpacing
        + subtitle(width).height()));
}

QSize CaughtUpCard::sizeHint() const
{
    return { PanelStyle::columnWidth, heightForWidth(PanelStyle::columnWidth) };
}

void CaughtUpCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor teal = Palette::shared().teal;
    PanelStyle::fillRounded(painter, QRectF(rect()), 12, withOpacity(teal, 0.06), withOpacity(teal, 0.2));

    const qreal centerX = width() / 2.0;
    qreal y = verticalPadding;
    const QRectF badge(centerX - badgeSize / 2, y, badgeSize, badgeSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(teal, 0.12));
    painter.drawEllipse(badge);
    QPainterPath check;
    check.addEllipse(QRectF(badge.center() - QPointF(12, 12), QSizeF(24, 24)));
    drawDropShadow(painter, check, withOpacity(teal, 0.4), 8, QPointF(0, 3));
    PanelStyle::paintSymbol(painter, QStringLiteral("checkmark.circle.fill"), badge, 28, teal);
    y += badgeSize + spacing;

    const qreal titleHeight = PanelStyle::lineHeight(titleFont());
    PanelStyle::drawLine(painter, QRectF(horizontalPadding, y, width() - 2 * horizontalPadding, titleHeight), title(),
        titleFont(), Qt::white, Qt::AlignHCenter);
    y += titleHeight + textSpacing;
    const WrappedText text = subtitle(width());
    text.paint(painter, QRectF(horizontalPadding, y, width() - 2 * horizontalPadding, text.height()), Qt::AlignHCenter,
        PanelStyle::white(0.55));
}

} // namespace tolvar

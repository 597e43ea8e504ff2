#include "tolvar/menubar/PanelBadges.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar::PanelBadges {

namespace {
constexpr qreal horizontalPadding = 7;
constexpr qreal verticalPadding = 2;
constexpr qreal bellSize = 9;
constexpr qreal bellSpacing = 3;

QFont badgeFont()
{
    return PanelStyle::font(10, QFont::DemiBold);
}

QSizeF padded(qreal contentWidth)
{
    return { contentWidth + 2 * horizontalPadding, PanelStyle::lineHeight(badgeFont()) + 2 * verticalPadding };
}

void paintCapsule(QPainter& painter, const QRectF& rect, qreal opacity)
{
    PanelStyle::fillRounded(painter, rect, rect.height() / 2, PanelStyle::white(opacity), Qt::transparent);
}
} // namespace

QSizeF capsuleLabelSize(const QString& text)
{
    return padded(PanelStyle::textWidth(badgeFont(), text));
}

void paintCapsuleLabel(QPainter& painter, QPointF topLeft, const QString& text)
{
    const QRectF rect(topLeft, capsuleLabelSize(text));
    paintCapsule(painter, rect, 0.1);
    PanelStyle::drawLine(painter, rect.adjusted(horizontalPadding, 0, 0, 0), text, badgeFont(), PanelStyle::white(0.7));
}

QSizeF mutedBadgeSize()
{
    return padded(bellSize + bellSpacing + PanelStyle::textWidth(badgeFont(), platform::localized("Muted")));
}

void paintMutedBadge(QPainter& painter, QPointF topLeft)
{
    const QRectF rect(topLeft, mutedBadgeSize());
    paintCapsule(painter, rect, 0.12);
    const QColor color = PanelStyle::white(0.72);
    PanelStyle::paintSymbol(painter, QStringLiteral("bell.slash.fill"),
        QRectF(rect.left() + horizontalPadding, rect.top(), bellSize, rect.height()), bellSize, color);
    PanelStyle::drawLine(painter, rect.adjusted(horizontalPadding + bellSize + bellSpacing, 0, 0, 0),
        platform::localized("Muted"), badgeFont(), color);
}

} // namespace tolvar::PanelBadges

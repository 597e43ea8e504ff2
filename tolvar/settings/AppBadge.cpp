#include "tolvar/settings/AppBadge.h"

#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/style/SymbolIcon.h"

#include <QPainter>

namespace tolvar {

AppBadge::AppBadge(int side, qreal radius, int symbolSize, QWidget* parent)
    : QWidget(parent)
    , m_radius(radius)
    , m_symbolSize(symbolSize)
{
    setFixedSize(side, side);
}

void AppBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(settingsStyle::accent());
    painter.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
    SymbolIcon::paint(painter, QStringLiteral("calendar.badge.clock"), QRectF(rect()), m_symbolSize, Qt::white);
}

} // namespace tolvar

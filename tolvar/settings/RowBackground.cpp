#include "tolvar/settings/RowBackground.h"

#include "tolvar/settings/SettingsStyle.h"

#include <QPainter>

namespace tolvar {

void RowBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(settingsStyle::controlBackground());
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
}

} // namespace tolvar

#include "tolvar/reminders/SecondaryOverlayButton.h"

#include "tolvar/style/Palette.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>

namespace tolvar {

QFont SecondaryOverlayButton::defaultFont()
{
    return overlayFont(14, QFont::DemiBold);
}

QSizeF SecondaryOverlayButton::size(const ButtonLabel& label) const
{
    return label.size() + QSizeF(36, 20);
}

void SecondaryOverlayButton::paint(QPainter& painter, const QRectF& rect, const ButtonLabel& label, bool pressed) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fillOutlined(painter, rect, 10, QColor::fromRgbF(1, 1, 1, pressed ? 0.12f : 0.08f),
        QPen(QColor::fromRgbF(1, 1, 1, 0.14f), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    label.paint(painter, rect, QColor::fromRgbF(1, 1, 1, 0.88f));
    painter.restore();
}

} // namespace tolvar

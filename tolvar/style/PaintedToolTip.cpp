#include "tolvar/style/PaintedToolTip.h"

#include <QHelpEvent>
#include <QToolTip>

namespace tolvar {

void showPaintedToolTip(QWidget& widget, const QHelpEvent& help, const QRectF& area, const QString& text)
{
    if (area.contains(help.pos()))
        QToolTip::showText(help.globalPos(), text, &widget, area.toAlignedRect());
    else
        QToolTip::hideText();
}

} // namespace tolvar

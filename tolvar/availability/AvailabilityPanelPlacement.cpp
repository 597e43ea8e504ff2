#include "tolvar/availability/AvailabilityPanelPlacement.h"

#include <algorithm>

namespace tolvar {

QPoint availabilityPanelOrigin(const QRect& anchor, const QRect& visible, QSize panel)
{
    const int w = panel.width();
    const int h = panel.height();
    const int visibleRight = visible.x() + visible.width();
    const int visibleBottom = visible.y() + visible.height();

    int x = anchor.x() + anchor.width() + 10;
    if (x + w > visibleRight - 8)
        x = anchor.x() - 10 - w;
    int y = anchor.y();
    if (x < visible.x() + 8)
        x = visible.x() + visible.width() / 2 - w / 2;

    // Bottom margin first, then the top one, so that a panel taller than the area keeps its top.
    y = std::min(y, visibleBottom - 12 - h);
    y = std::max(y, visible.y() + 12);
    // Left margin first, then the right one.
    x = std::max(x, visible.x() + 8);
    x = std::min(x, visibleRight - w - 8);
    return { x, y };
}

QPoint centredPanelOrigin(const QRect& visible, QSize panel)
{
    return { visible.x() + visible.width() / 2 - panel.width() / 2,
        visible.y() + visible.height() / 2 - panel.height() / 2 };
}

} // namespace tolvar

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tolvar {

// Where the availability panel opens beside the window it was asked from (screen coordinates, y down):
// to its right 10 apart, else to its left, else centred; tops aligned; kept 8 inside the visible area
// at the sides and 12 at top and bottom. When the panel does not fit, its top and right edges win.
QPoint availabilityPanelOrigin(const QRect& anchor, const QRect& visible, QSize panel);

// Centred in the visible area.
QPoint centredPanelOrigin(const QRect& visible, QSize panel);

} // namespace tolvar

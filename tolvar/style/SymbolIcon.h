#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace tolvar {

// The system symbols the views name ("arrow.clockwise", "pin.fill", ...), drawn from the desktop's
// symbolic icon theme and tinted to the view's colour.
namespace SymbolIcon {

// The theme icon that stands for `symbol`; empty for a name the table does not know.
QString themeIconName(const QString& symbol);
// Every symbol name of the table, for tests and previews.
QStringList symbols();
// The symbol tinted `color`, `size` device-independent pixels square; null for an unknown name.
QPixmap pixmap(const QString& symbol, qreal size, const QColor& color, qreal devicePixelRatio);
// Paints the symbol as a `size`-pixel square centred in `box`.
void paint(QPainter& painter, const QString& symbol, const QRectF& box, qreal size, const QColor& color);

} // namespace SymbolIcon

} // namespace tolvar

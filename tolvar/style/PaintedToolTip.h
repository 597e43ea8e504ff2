#pragma once

#include <QRectF>
#include <QString>

class QHelpEvent;
class QWidget;

namespace tolvar {

// Answers a tool-tip event of a widget that paints its own buttons: shows `text` while the pointer is
// over `area` (in the widget's coordinates), and hides any tip elsewhere.
void showPaintedToolTip(QWidget& widget, const QHelpEvent& help, const QRectF& area, const QString& text);

} // namespace tolvar

#include "tolvar/menubar/TolvarDivider.h"

#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar {

TolvarDivider::TolvarDivider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TolvarDivider::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), PanelStyle::white(0.08));
}

} // namespace tolvar

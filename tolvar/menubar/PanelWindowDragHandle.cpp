#include "tolvar/menubar/PanelWindowDragHandle.h"

#include <QMouseEvent>

namespace tolvar {

PanelWindowDragHandle::PanelWindowDragHandle(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::OpenHandCursor);
}

void PanelWindowDragHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_mover.press(window(), event->globalPosition().toPoint());
}

void PanelWindowDragHandle::mouseMoveEvent(QMouseEvent* event)
{
    m_mover.move(event->globalPosition().toPoint());
}

void PanelWindowDragHandle::mouseReleaseEvent(QMouseEvent*)
{
    m_mover.release();
}

} // namespace tolvar

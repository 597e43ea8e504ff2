#include "tolvar/menubar/WindowMover.h"

#include <QWidget>
#include <QWindow>

namespace tolvar {

void WindowMover::press(QWidget* window, QPoint globalPosition)
{
    m_window = nullptr;
    if (!window)
        return;
    if (QWindow* handle = window->windowHandle(); handle && handle->startSystemMove())
        return;
    m_window = window;
    m_grabOffset = globalPosition - window->geometry().topLeft();
}

void WindowMover::move(QPoint globalPosition)
{
    if (m_window)
        m_window->setGeometry(QRect(globalPosition - m_grabOffset, m_window->size()));
}

void WindowMover::release()
{
    m_window = nullptr;
}

} // namespace tolvar

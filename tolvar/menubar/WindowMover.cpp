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
    m_grabOffset = globalPosition - window->pos();
}

void WindowMover::move(QPoint globalPosition)
{
    if (m_window)
        m_window->move(globalPosition - m_grabOffset);
}

void WindowMover::release()
{
    m_window = nullptr;
}

} // namespace tolvar

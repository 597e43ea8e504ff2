#pragma once

#include <QPoint>
#include <QPointer>

class QWidget;

namespace tolvar {

// Moves a top-level window with the pointer: through the window manager where there is one, else by
// moving the window itself while the button is held.
class WindowMover
{
public:
    void press(QWidget* window, QPoint globalPosition);
    void move(QPoint globalPosition);
    void release();

private:
    QPointer<QWidget> m_window;
    QPoint m_grabOffset;
};

} // namespace tolvar

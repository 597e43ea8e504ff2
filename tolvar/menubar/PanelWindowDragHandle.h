#pragma once

#include "tolvar/menubar/WindowMover.h"

#include <QWidget>

namespace tolvar {

// An area that moves its window when dragged; draws nothing itself, so a face can be put in it.
class PanelWindowDragHandle : public QWidget
{
    Q_OBJECT
public:
    explicit PanelWindowDragHandle(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WindowMover m_mover;
};

} // namespace tolvar

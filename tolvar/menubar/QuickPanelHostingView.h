#pragma once

#include "tolvar/menubar/WindowMover.h"

#include <QWidget>

namespace tolvar {

class PanelScrollArea;

// Holds the Quick Panel's content, scrolled where the screen is too short for it. While the panel
// is pinned, a press on the content's background (anywhere a control does not take the press) drags
// the panel.
class QuickPanelHostingView : public QWidget
{
    Q_OBJECT
public:
    explicit QuickPanelHostingView(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const;
    bool allowsWindowMove() const { return m_allowsWindowMove; }
    void setAllowsWindowMove(bool allows) { m_allowsWindowMove = allows; }
    // The content's height when laid out at the given width.
    int fittingHeight(int width) const;
    PanelScrollArea* scrollArea() const { return m_scrollArea; }

Q_SIGNALS:
    // The content grew or shrank: the window should fit it again.
    void fittingHeightChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PanelScrollArea* m_scrollArea;
    bool m_allowsWindowMove = false;
    WindowMover m_mover;
};

} // namespace tolvar

#pragma once

#include <QWidget>
#include <functional>

namespace tolvar {

class PanelScrollArea;

// The tray icon's panel: a frameless window above the others, beside the icon, that goes away like
// a menu when it stops being the active window. It fits the content, within its screen's usable
// area; a day too long for that scrolls inside it.
class MenuBarExtraWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int iconGap = 4;

    explicit MenuBarExtraWindow(QWidget* content);

    // Shows the panel beside the icon's rectangle; where the tray gives none, at the pointer.
    void openBeside(QRect iconGeometry);
    // Below the icon when it sits in the upper half of the screen, else above it; always inside
    // the usable area. A null icon rectangle places the panel at the pointer.
    static QRect frameFor(QRect iconGeometry, QPoint pointer, QRect available, QSize size);
    // The most height the panel may take there without covering the icon: from the icon to the far
    // edge of the usable area; all of it without an icon.
    static int roomBeside(QRect iconGeometry, QRect available);

    // Runs each time the panel goes away.
    void setOnHide(std::function<void()> action) { m_onHide = std::move(action); }

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QSize fittingSize(QRect available) const;
    QRect availableGeometryFor(QRect iconGeometry, QPoint pointer) const;
    void refit();

    QWidget* m_content;
    PanelScrollArea* m_scrollArea;
    QRect m_iconGeometry;
    std::function<void()> m_onHide;
};

} // namespace tolvar

#pragma once

#include <QRect>

class QScreen;
class QWidget;

namespace tolvar {

// Where the detail side panel stands beside the main panel.
enum class DetailPopupSide { leading, trailing };

// The side with room for `neededWidth` beside `window` on its screen: the right when it fits there,
// else the left when it fits there, else the side with more room (the right on a tie). Without a
// window or a screen, the right.
DetailPopupSide detailPopupSide(const QWidget* window, int neededWidth);
// The same worked out from the window's frame and its screen's available area (both in Qt's
// coordinates); an empty area means no screen.
DetailPopupSide detailPopupSide(const QRect& windowFrame, const QRect& availableArea, int neededWidth);
// The screen `window` stands on now, read from its frame: a window shown again elsewhere (the tray
// moved to another monitor) may still name the screen it stood on before. Else the window's own
// screen, else the primary one; none without any screen.
QScreen* screenOfWindow(const QWidget* window);

} // namespace tolvar

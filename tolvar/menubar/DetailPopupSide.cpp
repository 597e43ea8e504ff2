#include "tolvar/menubar/DetailPopupSide.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvar {

DetailPopupSide detailPopupSide(const QWidget* window, int neededWidth)
{
    if (!window)
        return DetailPopupSide::trailing;
    const QScreen* screen = screenOfWindow(window);
    if (!screen)
        return DetailPopupSide::trailing;
    return detailPopupSide(window->frameGeometry(), screen->availableGeometry(), neededWidth);
}

DetailPopupSide detailPopupSide(const QRect& windowFrame, const QRect& availableArea, int neededWidth)
{
    if (availableArea.isEmpty())
        return DetailPopupSide::trailing;
    // Right edges as x + width, so that the rooms are the exact gaps between the edges.
    const int roomRight = (availableArea.x() + availableArea.width()) - (windowFrame.x() + windowFrame.width());
    if (neededWidth <= roomRight)
        return DetailPopupSide::trailing;
    const int roomLeft = windowFrame.x() - availableArea.x();
    if (neededWidth <= roomLeft)
        return DetailPopupSide::leading;
    return roomLeft > roomRight ? DetailPopupSide::leading : DetailPopupSide::trailing;
}

QScreen* screenOfWindow(const QWidget* window)
{
    if (QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center()))
        return screen;
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

} // namespace tolvar

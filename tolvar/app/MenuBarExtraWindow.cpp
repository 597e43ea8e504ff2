#include "tolvar/app/MenuBarExtraWindow.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvar {

MenuBarExtraWindow::MenuBarExtraWindow(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_content(content)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("Tolvar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

QRect MenuBarExtraWindow::frameFor(QRect iconGeometry, QPoint pointer, QRect available, QSize size)
{
    QPoint topLeft = pointer;
    if (!iconGeometry.isEmpty()) {
        topLeft.setX(iconGeometry.x() + iconGeometry.width() / 2 - size.width() / 2);
        const bool iconInUpperHalf
            = iconGeometry.y() + iconGeometry.height() / 2 < available.y() + available.height() / 2;
        topLeft.setY(
            iconInUpperHalf ? iconGeometry.bottom() + 1 + iconGap : iconGeometry.top() - iconGap - size.height());
    }
    const int x = std::max(available.left(), std::min(topLeft.x(), available.right() + 1 - size.width()));
    const int y = std::max(available.top(), std::min(topLeft.y(), available.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

QRect MenuBarExtraWindow::availableGeometryFor(QRect iconGeometry, QPoint pointer) const
{
    QScreen* screen = iconGeometry.isEmpty() ? nullptr : QGuiApplication::screenAt(iconGeometry.center());
    if (!screen)
        screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(pointer, QSize(0, 0));
}

QSize MenuBarExtraWindow::fittingSize(QRect available) const
{
    const int width = m_content->sizeHint().width();
    int height = m_content->hasHeightForWidth() ? m_content->heightForWidth(width) : m_content->sizeHint().height();
    if (available.height() > 0)
        height = std::min(height, available.height());
    return QSize(width, height);
}

void MenuBarExtraWindow::openBeside(QRect iconGeometry)
{
    m_iconGeometry = iconGeometry;
    const QPoint pointer = QCursor::pos();
    const QRect available = availableGeometryFor(iconGeometry, pointer);
    setGeometry(frameFor(iconGeometry, pointer, available, fittingSize(available)));
    show();
    raise();
    activateWindow();
}

bool MenuBarExtraWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        // Like a menu: a click anywhere else takes it away.
        hide();
        break;
    case QEvent::LayoutRequest:
        // The day's list grew or shrank while open: keep beside the icon at the new size.
        if (isVisible()) {
            const QRect available = availableGeometryFor(m_iconGeometry, geometry().center());
            setGeometry(frameFor(m_iconGeometry, geometry().topLeft(), available, fittingSize(available)));
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void MenuBarExtraWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_onHide)
        m_onHide();
}

} // namespace tolvar

#include "tolvar/app/MenuBarExtraWindow.h"

#include "tolvar/menubar/PanelScrollArea.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvar {

MenuBarExtraWindow::MenuBarExtraWindow(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_content(content)
    , m_scrollArea(new PanelScrollArea(content, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("Tolvar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);
    // The day's list grew or shrank while open (another day, a refresh): fit it again.
    connect(m_scrollArea, &PanelScrollArea::fittingHeightChanged, this, &MenuBarExtraWindow::refit);
}

namespace {
bool iconInUpperHalf(QRect iconGeometry, QRect available)
{
    return iconGeometry.y() + iconGeometry.height() / 2 < available.y() + available.height() / 2;
}
} // namespace

QRect MenuBarExtraWindow::frameFor(QRect iconGeometry, QPoint pointer, QRect available, QSize size)
{
    QPoint topLeft = pointer;
    if (!iconGeometry.isEmpty()) {
        topLeft.setX(iconGeometry.x() + iconGeometry.width() / 2 - size.width() / 2);
        topLeft.setY(iconInUpperHalf(iconGeometry, available) ? iconGeometry.bottom() + 1 + iconGap
                                                              : iconGeometry.top() - iconGap - size.height());
    }
    const int x = std::max(available.left(), std::min(topLeft.x(), available.right() + 1 - size.width()));
    const int y = std::max(available.top(), std::min(topLeft.y(), available.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

int MenuBarExtraWindow::roomBeside(QRect iconGeometry, QRect available)
{
    if (iconGeometry.isEmpty())
        return available.height();
    const int room = iconInUpperHalf(iconGeometry, available) ? available.bottom() - iconGeometry.bottom() - iconGap
                                                              : iconGeometry.top() - iconGap - available.top();
    return std::clamp(room, 0, available.height());
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
    const int width = std::max(m_content->sizeHint().width(), m_content->minimumWidth());
    int height = m_scrollArea->fittingHeight(width);
    if (available.height() > 0)
        height = std::min(height, roomBeside(m_iconGeometry, available));
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

void MenuBarExtraWindow::refit()
{
    if (!isVisible())
        return;
    const QRect available = availableGeometryFor(m_iconGeometry, geometry().center());
    setGeometry(frameFor(m_iconGeometry, geometry().topLeft(), available, fittingSize(available)));
}

bool MenuBarExtraWindow::event(QEvent* event)
{
    // Like a menu: a click anywhere else takes it away.
    if (event->type() == QEvent::WindowDeactivate)
        hide();
    return QWidget::event(event);
}

void MenuBarExtraWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_onHide)
        m_onHide();
}

} // namespace tolvar

#include "tolvar/menubar/QuickPanelHostingView.h"

#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelStyle.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tolvar {

QuickPanelHostingView::QuickPanelHostingView(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_content(content)
    , m_scrollArea(new QScrollArea(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    PanelStyle::setUpVerticalScrollArea(*m_scrollArea);
    m_scrollArea->setWidget(content);
    layout->addWidget(m_scrollArea);
    content->installEventFilter(this);
    if (auto* view = qobject_cast<MenuBarContentView*>(content))
        connect(view, &MenuBarContentView::detailChanged, this, &QuickPanelHostingView::revealKeyboardSelection);
}

int QuickPanelHostingView::fittingHeight(int width) const
{
    if (m_content->hasHeightForWidth())
        return m_content->heightForWidth(width);
    return m_content->sizeHint().height();
}

bool QuickPanelHostingView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Resize)
        Q_EMIT fittingHeightChanged();
    return QWidget::eventFilter(watched, event);
}

void QuickPanelHostingView::revealKeyboardSelection()
{
    // The keys walk every row of the day, also those below the screen's edge.
    auto* view = static_cast<MenuBarContentView*>(m_content);
    if (!view->ui().showDetailFromKeyboard())
        return;
    if (const auto row = view->detailAnchorRect()) {
        const QPoint centre = row->center().toPoint();
        m_scrollArea->ensureVisible(centre.x(), centre.y(), 0, int(row->height() / 2) + 8);
    }
}

void QuickPanelHostingView::mousePressEvent(QMouseEvent* event)
{
    if (!m_allowsWindowMove || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_mover.press(window(), event->globalPosition().toPoint());
}

void QuickPanelHostingView::mouseMoveEvent(QMouseEvent* event)
{
    m_mover.move(event->globalPosition().toPoint());
}

void QuickPanelHostingView::mouseReleaseEvent(QMouseEvent*)
{
    m_mover.release();
}

} // namespace tolvar

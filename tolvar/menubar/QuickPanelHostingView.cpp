#include "tolvar/menubar/QuickPanelHostingView.h"

#include "tolvar/menubar/PanelScrollArea.h"

#include <QMouseEvent>
#include <QVBoxLayout>

namespace tolvar {

QuickPanelHostingView::QuickPanelHostingView(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_scrollArea(new PanelScrollArea(content, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scrollArea);
    connect(m_scrollArea, &PanelScrollArea::fittingHeightChanged, this, &QuickPanelHostingView::fittingHeightChanged);
}

QWidget* QuickPanelHostingView::content() const
{
    return m_scrollArea->content();
}

int QuickPanelHostingView::fittingHeight(int width) const
{
    return m_scrollArea->fittingHeight(width);
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

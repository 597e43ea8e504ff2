#include "tolvar/menubar/QuickPanelHostingView.h"

#include <QMouseEvent>
#include <QVBoxLayout>

namespace tolvar {

QuickPanelHostingView::QuickPanelHostingView(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_content(content)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
}

int QuickPanelHostingView::fittingHeight(int width) const
{
    if (m_content->hasHeightForWidth())
        return m_content->heightForWidth(width);
    return m_content->sizeHint().height();
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

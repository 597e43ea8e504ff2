#include "tolvar/menubar/QuickPanelWindow.h"

#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tolvar {

QuickPanelWindow::QuickPanelWindow(PanelTransientHotkeys& registry)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_registry(registry)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(tr("Quick Panel"));
}

void QuickPanelWindow::setPinned(bool pinned)
{
    m_isPinned = pinned;
    if (pinned)
        raise();
}

void QuickPanelWindow::dismiss()
{
    if (m_isDismissing)
        return;
    m_isDismissing = true;
    m_registry.unregisterOwner(PanelTransientHotkeys::Owner::quickPanel);
    m_registry.unregisterOwner(PanelTransientHotkeys::Owner::menuBar);
    hide();
    if (m_onClose)
        m_onClose();
}

void QuickPanelWindow::keyPressEvent(QKeyEvent* event)
{
    // Reaches the panel only while its hot keys are suppressed (pinned): otherwise Escape is a grab.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        return dismiss();
    QWidget::keyPressEvent(event);
}

void QuickPanelWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow() || m_isPinned)
        return;
    if (isVisible() && !m_isDismissing)
        dismiss();
}

void QuickPanelWindow::closeEvent(QCloseEvent* event)
{
    // A close from the window manager is a dismissal like any other, so the controller forgets the
    // panel and a pinned panel gives the panel keys back.
    event->accept();
    dismiss();
}

} // namespace tolvar

#include "tolvar/reminders/ActionItemOverlayController.h"

#include "tolvar/reminders/ActionItemOverlayView.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvar {

ActionItemOverlayController::ActionItemOverlayController(
    platform::Clock& clock, PanelTransientHotkeys& hotkeys, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_hotkeys(hotkeys)
{ }

ActionItemOverlayController::~ActionItemOverlayController()
{
    if (m_isOverlayVisible)
        m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::actionItemOverlay);
}

void ActionItemOverlayController::show(
    const QString& meetingTitle, const QString& notes, bool /*hideFromScreenShare*/, std::function<void()> onDismiss)
{
    hide();
    m_isOverlayVisible = true;
    const QPointer<ActionItemOverlayController> self(this);
    auto dismiss = [self, onDismiss] {
        if (self)
            self->hide();
        onDismiss();
    };
    auto* view = new ActionItemOverlayView(meetingTitle, dismiss, m_clock);
    view->setNotes(notes);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().first();
    const QRect frame = screen ? screen->geometry() : QRect(0, 0, 1200, 800);

    // Same window kind as the reminder: above everything, placed exactly; X11 still gives it the
    // keyboard focus that the editor needs when it is activated.
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    m_window->setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    m_window->setGeometry(frame);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();

    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::menuBar);
    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::quickPanel);
    m_hotkeys.registerOwner(PanelTransientHotkeys::Owner::actionItemOverlay, PanelTransientHotkeys::KeySet::escapeOnly,
        [self, dismiss](PanelTransientHotkeys::Action action) {
            if (self && action == PanelTransientHotkeys::Action::escape)
                dismiss();
        });
}

QString ActionItemOverlayController::notes() const
{
    const auto* view = m_window ? m_window->findChild<ActionItemOverlayView*>() : nullptr;
    return view ? view->notes() : QString();
}

void ActionItemOverlayController::hide()
{
    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::actionItemOverlay);
    if (m_window) {
        m_window->hide();
        m_hiddenWindow = std::move(m_window);
    }
    m_isOverlayVisible = false;
}

} // namespace tolvar

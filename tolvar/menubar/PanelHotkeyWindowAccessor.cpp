#include "tolvar/menubar/PanelHotkeyWindowAccessor.h"

#include <QEvent>

namespace tolvar {

using Owner = PanelTransientHotkeys::Owner;
using Action = PanelTransientHotkeys::Action;

PanelHotkeyWindowAccessor::Coordinator::Coordinator(PanelTransientHotkeys& registry)
    : m_registry(registry)
{ }

PanelHotkeyWindowAccessor::Coordinator::~Coordinator()
{
    if (m_window)
        m_window->removeEventFilter(this);
    // Later, as a teardown would: a Quick Panel closed a moment ago must not take the keys of the
    // panel that is active now, so only our own registration goes.
    const quint64 registration = m_registration;
    if (registration == 0)
        return;
    PanelTransientHotkeys* registry = &m_registry;
    QMetaObject::invokeMethod(
        registry,
        [registry, registration] {
            if (registry->registrationOf(Owner::menuBar) == registration)
                registry->unregisterOwner(Owner::menuBar);
        },
        Qt::QueuedConnection);
}

void PanelHotkeyWindowAccessor::Coordinator::attach(QWidget* window)
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (!window) {
        releaseRegistration();
        return;
    }
    window->installEventFilter(this);
    refreshRegistration();
}

bool PanelHotkeyWindowAccessor::Coordinator::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_window)
            refreshRegistration();
        break;
    default:
        break;
    }
    return false;
}

void PanelHotkeyWindowAccessor::Coordinator::refreshRegistration()
{
    if (!m_window || !m_window->isVisible() || !m_window->isActiveWindow()) {
        releaseRegistration();
        return;
    }
    m_registration = m_registry.registerOwner(Owner::menuBar, PanelTransientHotkeys::KeySet::panelNavigation,
        [coordinator = QPointer<Coordinator>(this)](Action action) {
            if (coordinator)
                coordinator->handle(action);
        });
}

void PanelHotkeyWindowAccessor::Coordinator::releaseRegistration()
{
    if (m_registration != 0 && m_registry.registrationOf(Owner::menuBar) == m_registration)
        m_registry.unregisterOwner(Owner::menuBar);
    m_registration = 0;
}

void PanelHotkeyWindowAccessor::Coordinator::handle(Action action)
{
    const auto call = [](const std::function<void()>& handler) {
        if (handler)
            handler();
    };
    switch (action) {
    case Action::escape:
        if (m_window && m_handlers.onEscape)
            m_handlers.onEscape(m_window);
        break;
    case Action::left:
        call(m_handlers.onLeft);
        break;
    case Action::right:
        call(m_handlers.onRight);
        break;
    case Action::up:
        call(m_handlers.onUp);
        break;
    case Action::down:
        call(m_handlers.onDown);
        break;
    case Action::returnKey:
        call(m_handlers.onReturn);
        break;
    case Action::mute:
        call(m_handlers.onMute);
        break;
    case Action::unmute:
        call(m_handlers.onUnmute);
        break;
    }
}

PanelHotkeyWindowAccessor::PanelHotkeyWindowAccessor(PanelTransientHotkeys& registry, QWidget* parent)
    : QWidget(parent)
    , m_coordinator(std::make_unique<Coordinator>(registry))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    if (parent)
        followWindow();
}

bool PanelHotkeyWindowAccessor::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        followWindow();
    return QWidget::event(event);
}

void PanelHotkeyWindowAccessor::followWindow()
{
    // A widget without a parent is a window of its own, which no panel hosts.
    const auto hostingWindow = [this] { return parentWidget() ? window() : nullptr; };
    m_coordinator->attach(hostingWindow());
    QMetaObject::invokeMethod(
        this, [this, hostingWindow] { m_coordinator->attach(hostingWindow()); }, Qt::QueuedConnection);
}

} // namespace tolvar

#include "tolvar/settings/SettingsWindowController.h"

#include "platform/text/Localized.h"
#include "tolvar/settings/SettingsView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace tolvar {

void bringToFront(QWidget& window)
{
    // Activation alone leaves a minimised window minimised under window managers that do not restore it
    // then; a maximised window stays maximised.
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

SettingsWindowController::SettingsWindowController(QObject* parent)
    : QObject(parent)
{ }

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

void SettingsWindowController::show(AppModel& appModel, std::function<void()> showOnboarding)
{
    if (m_window) {
        bringToFront(*m_window);
        return;
    }
    auto* window = new SettingsView(appModel, std::move(showOnboarding));
    window->setWindowFlag(Qt::Window);
    window->setWindowTitle(platform::localized("Tolvar Settings"));
    window->resize(860, 720);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    // As every desktop's settings windows do.
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) })
        connect(new QShortcut(key, window), &QShortcut::activated, window, &QWidget::close);
    window->installEventFilter(this);
    m_window = window;
    bringToFront(*window);
}

void SettingsWindowController::windowWillClose()
{
    if (!m_window)
        return;
    m_window->removeEventFilter(this);
    m_window->deleteLater();
    m_window = nullptr;
}

SettingsView* SettingsWindowController::view() const
{
    return qobject_cast<SettingsView*>(m_window.data());
}

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}

} // namespace tolvar

#include "tolvar/settings/OnboardingWindowController.h"

#include "platform/activation/ActivationPolicy.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/model/SettingsStore.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/SettingsWindowController.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace tolvar {

using Policy = platform::ActivationPolicy::Policy;

OnboardingWindowController::OnboardingWindowController(platform::ActivationPolicy& activationPolicy, QObject* parent)
    : QObject(parent)
    , m_activationPolicy(activationPolicy)
{ }

OnboardingWindowController::~OnboardingWindowController()
{
    delete m_window;
}

void OnboardingWindowController::show(AppModel& appModel)
{
    if (m_window) {
        promoteActivationPolicy();
        bringToFront(*m_window);
        return;
    }
    // Finish needs the model for as long as the window lives; the controller may be gone by then.
    const QPointer<OnboardingWindowController> controller(this);
    auto finish = [&appModel, controller] {
        appModel.settingsStore().defaults().setBool(SettingsKey::onboardingCompleted, true);
        if (controller && controller->m_window)
            controller->m_window->close();
    };
    auto* window = new OnboardingView(appModel, finish);
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint
        | Qt::CustomizeWindowHint);
    window->setWindowTitle(platform::localized("Set Up Tolvar"));
    window->setFixedSize(680, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->installEventFilter(this);
    m_window = window;
    promoteActivationPolicy();
    bringToFront(*window);
}

void OnboardingWindowController::promoteActivationPolicy()
{
    if (m_activationPolicy.policy() == Policy::regular)
        return;
    m_activationPolicy.setPolicy(Policy::regular);
    m_didPromoteActivationPolicy = true;
}

void OnboardingWindowController::windowWillClose()
{
    if (m_window) {
        m_window->removeEventFilter(this);
        m_window->deleteLater();
        m_window = nullptr;
    }
    if (!m_didPromoteActivationPolicy)
        return;
    m_didPromoteActivationPolicy = false;
    m_activationPolicy.setPolicy(Policy::accessory);
}

OnboardingView* OnboardingWindowController::view() const
{
    return qobject_cast<OnboardingView*>(m_window.data());
}

bool OnboardingWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}

} // namespace tolvar

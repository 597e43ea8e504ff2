#include "tolvar/app/TolvarApp.h"

#include "platform/defaults/UserDefaults.h"
#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/core/AppModel.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>

namespace tolvar {

TolvarApp::TolvarApp(AppModel& appModel, platform::ActivationPolicy& activationPolicy, QObject* parent)
    : QObject(parent)
    , m_appModel(appModel)
    , m_statusLabel(appModel, m_trayIcon)
    , m_onboardingWindowController(activationPolicy)
{
    // The tray's panel is still to come; until then its menu offers the way out and the settings.
    m_menu.addAction(platform::localized("Quit"), qApp, &QCoreApplication::quit);
    m_menu.addAction(platform::localized("Settings"), this, [this] {
        if (const std::function<void()> showSettings = m_appModel.showSettingsHandler())
            showSettings();
    });
    m_trayIcon.setContextMenu(&m_menu);
}

TolvarApp::~TolvarApp() = default;

void TolvarApp::showStatusItem()
{
    m_trayIcon.show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs("tolvar: no system tray is running, so Tolvar has no tray icon until one starts; "
                   "reminders still come.\n",
            stderr);
    QMetaObject::invokeMethod(this, &TolvarApp::bootstrap, Qt::QueuedConnection);
}

void TolvarApp::bootstrap()
{
    if (!m_didBootstrap) {
        m_didBootstrap = true;
        m_appModel.setShowSettingsHandler([app = QPointer<TolvarApp>(this)] {
            if (app)
                app->showSettings();
        });
        m_appModel.applyQuickPanelShortcut();
        m_appModel.start();
    }
    checkOnboarding();
}

void TolvarApp::checkOnboarding()
{
    if (m_didCheckOnboarding)
        return;
    m_didCheckOnboarding = true;
    if (m_appModel.settingsStore().defaults().boolForKey(SettingsKey::onboardingCompleted))
        return;
    m_appModel.clock().singleShot(onboardingDelay, this, [this] { showOnboarding(); });
}

void TolvarApp::showSettings()
{
    m_settingsWindowController.show(m_appModel, [app = QPointer<TolvarApp>(this)] {
        if (app)
            app->showOnboarding();
    });
}

void TolvarApp::showOnboarding()
{
    m_onboardingWindowController.show(m_appModel);
}

} // namespace tolvar

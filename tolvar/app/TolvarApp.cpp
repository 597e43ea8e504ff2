#include "tolvar/app/TolvarApp.h"

#include "platform/defaults/UserDefaults.h"
#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/app/MenuBarExtraWindow.h"
#include "tolvar/core/AppModel.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>

namespace tolvar {

TolvarApp::TolvarApp(
    AppModel& appModel, platform::ActivationPolicy& activationPolicy, PanelContentFactory panelContent, QObject* parent)
    : QObject(parent)
    , m_appModel(appModel)
    , m_panelContent(std::move(panelContent))
    , m_statusLabel(appModel, m_trayIcon)
    , m_onboardingWindowController(activationPolicy)
{
    // The panel's footer quits too; the menu keeps a way out where a click cannot reach the panel.
    m_menu.addAction(platform::localized("Quit"), qApp, &QCoreApplication::quit);
    m_trayIcon.setContextMenu(&m_menu);
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            togglePanel();
    });
}

TolvarApp::~TolvarApp()
{
    delete m_panelWindow;
}

MenuBarExtraWindow* TolvarApp::panelWindow() const
{
    return m_panelWindow;
}

void TolvarApp::togglePanel()
{
    if (m_panelWindow && m_panelWindow->isVisible()) {
        m_panelWindow->hide();
        return;
    }
    const double now = m_appModel.clock().now().secondsSinceReferenceDate();
    if (now - m_panelHiddenAt < reopenGuard)
        return;
    if (!m_panelWindow) {
        m_panelWindow = new MenuBarExtraWindow(m_panelContent());
        m_panelWindow->setOnHide([this] { m_panelHiddenAt = m_appModel.clock().now().secondsSinceReferenceDate(); });
    }
    m_panelWindow->openBeside(m_trayIcon.geometry());
    bootstrap();
}

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

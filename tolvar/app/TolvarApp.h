#pragma once

#include "tolvar/app/MenuBarStatusLabel.h"
#include "tolvar/settings/OnboardingWindowController.h"
#include "tolvar/settings/SettingsWindowController.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace tolvar {

class AppModel;

// The application's scene, a tray icon whose face is the status label, and the small bootstrap that
// its first appearance runs: the settings action, the Quick Panel shortcut, the model's start and,
// once per launch, the onboarding check.
class TolvarApp : public QObject
{
    Q_OBJECT
public:
    static constexpr double onboardingDelay = 0.35;

    TolvarApp(AppModel& appModel, platform::ActivationPolicy& activationPolicy, QObject* parent = nullptr);
    ~TolvarApp() override;

    // Puts the icon in the tray and runs the bootstrap as the label's first appearance. Without a
    // tray that is the program's start; the icon still comes once a tray starts.
    void showStatusItem();

    void bootstrap();
    void checkOnboarding();
    void showSettings();
    void showOnboarding();

    QSystemTrayIcon& trayIcon() { return m_trayIcon; }
    SettingsWindowController& settingsWindowController() { return m_settingsWindowController; }
    OnboardingWindowController& onboardingWindowController() { return m_onboardingWindowController; }
    bool didBootstrap() const { return m_didBootstrap; }
    bool didCheckOnboarding() const { return m_didCheckOnboarding; }

private:
    AppModel& m_appModel;
    QMenu m_menu;
    QSystemTrayIcon m_trayIcon;
    MenuBarStatusLabel m_statusLabel;
    SettingsWindowController m_settingsWindowController;
    OnboardingWindowController m_onboardingWindowController;
    bool m_didBootstrap = false;
    bool m_didCheckOnboarding = false;
};

} // namespace tolvar

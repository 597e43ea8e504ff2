#pragma once

#include "tolvar/app/MenuBarStatusLabel.h"
#include "tolvar/settings/OnboardingWindowController.h"
#include "tolvar/settings/SettingsWindowController.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

namespace tolvar {

class AppModel;
class MenuBarExtraWindow;

// The application's scene, a tray icon whose face is the status label and whose click opens the
// panel, and the small bootstrap that its first appearance and every opening of the panel run: the
// settings action, the Quick Panel shortcut, the model's start and, once per launch, the onboarding
// check.
class TolvarApp : public QObject
{
    Q_OBJECT
public:
    static constexpr double onboardingDelay = 0.35;
    // A click on the icon that closed the panel by taking its focus must not open it again at once.
    static constexpr double reopenGuard = 0.3;

    // Builds the panel's content; its settings action goes through the model's handler.
    using PanelContentFactory = std::function<QWidget*()>;

    TolvarApp(AppModel& appModel, platform::ActivationPolicy& activationPolicy, PanelContentFactory panelContent,
        QObject* parent = nullptr);
    ~TolvarApp() override;

    // Puts the icon in the tray and runs the bootstrap as the label's first appearance. Without a
    // tray that is the program's start; the icon still comes once a tray starts.
    void showStatusItem();

    void bootstrap();
    void checkOnboarding();
    void showSettings();
    void showOnboarding();

    // The icon's click: opens the panel beside the icon, or closes it.
    void togglePanel();
    MenuBarExtraWindow* panelWindow() const;

    QSystemTrayIcon& trayIcon() { return m_trayIcon; }
    SettingsWindowController& settingsWindowController() { return m_settingsWindowController; }
    OnboardingWindowController& onboardingWindowController() { return m_onboardingWindowController; }
    bool didBootstrap() const { return m_didBootstrap; }
    bool didCheckOnboarding() const { return m_didCheckOnboarding; }

private:
    AppModel& m_appModel;
    PanelContentFactory m_panelContent;
    QPointer<MenuBarExtraWindow> m_panelWindow;
    double m_panelHiddenAt = -1e9;
    QMenu m_menu;
    QSystemTrayIcon m_trayIcon;
    MenuBarStatusLabel m_statusLabel;
    SettingsWindowController m_settingsWindowController;
    OnboardingWindowController m_onboardingWindowController;
    bool m_didBootstrap = false;
    bool m_didCheckOnboarding = false;
};

} // namespace tolvar

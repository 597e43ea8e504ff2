#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace platform {
class ActivationPolicy;
}

namespace tolvar {

class AppModel;
class OnboardingView;

// Owns the one onboarding window. While it is open the application is an ordinary one; closing it
// returns to the tray alone, but only when opening it made that switch.
class OnboardingWindowController : public QObject
{
    Q_OBJECT
public:
    explicit OnboardingWindowController(platform::ActivationPolicy& activationPolicy, QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    void show(AppModel& appModel);
    void windowWillClose();

    QWidget* window() const { return m_window; }
    OnboardingView* view() const;
    bool didPromoteActivationPolicy() const { return m_didPromoteActivationPolicy; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void promoteActivationPolicy();

    platform::ActivationPolicy& m_activationPolicy;
    QPointer<QWidget> m_window;
    bool m_didPromoteActivationPolicy = false;
};

} // namespace tolvar

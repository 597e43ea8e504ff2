#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QSpinBox;

namespace tolvar {

class AppModel;
class HealthCheckCard;
class HealthTiles;
class SoftwareUpdateSettingsCard;

// The settings of the application as a whole: start at login, the Quick Panel shortcut, the days read
// ahead; then the health check and software updates.
class GeneralSection : public QWidget
{
    Q_OBJECT
public:
    explicit GeneralSection(AppModel& appModel, QWidget* parent = nullptr);

    // Shows the model's values.
    void refresh();

    QCheckBox* launchAtLoginToggle() const { return m_launchAtLogin; }
    QCheckBox* shortcutToggle() const { return m_shortcutEnabled; }
    QWidget* recorder() const { return m_recorder; }
    qreal recorderOpacity() const;
    QSpinBox* forwardDaysStepper() const { return m_forwardDays; }
    QString forwardDaysLabel() const;
    HealthTiles* healthTiles() const { return m_healthTiles; }
    HealthCheckCard* healthCheck() const { return m_healthCheck; }
    SoftwareUpdateSettingsCard* softwareUpdateCard() const { return m_softwareUpdate; }

private:
    QWidget* startupCard();
    QWidget* quickPanelShortcutCard();
    QWidget* agendaWindowCard();

    AppModel& m_appModel;
    QCheckBox* m_launchAtLogin = nullptr;
    QCheckBox* m_shortcutEnabled = nullptr;
    QWidget* m_recorder = nullptr;
    QSpinBox* m_forwardDays = nullptr;
    QLabel* m_forwardDaysLabel = nullptr;
    HealthTiles* m_healthTiles = nullptr;
    HealthCheckCard* m_healthCheck = nullptr;
    SoftwareUpdateSettingsCard* m_softwareUpdate = nullptr;
};

} // namespace tolvar

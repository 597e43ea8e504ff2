#pragma once

#include "tolvar/settings/MacSettingsCardTitled.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace tolvar {

class UpdateService;

// The last card of the General section: a manual update check and the daily automatic check. A build
// without an update feed says so instead of offering checks that cannot look anywhere.
class SoftwareUpdateSettingsCard : public MacSettingsCardTitled
{
    Q_OBJECT
public:
    explicit SoftwareUpdateSettingsCard(UpdateService& updateService, QWidget* parent = nullptr);

    void refresh();
    QPushButton* checkButton() const { return m_checkButton; }
    QCheckBox* automaticToggle() const { return m_automaticToggle; }
    QString footnote() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    UpdateService& m_updateService;
    QPushButton* m_checkButton;
    QCheckBox* m_automaticToggle;
    QLabel* m_footnote;
};

} // namespace tolvar

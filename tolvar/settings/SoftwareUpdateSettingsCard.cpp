#include "tolvar/settings/SoftwareUpdateSettingsCard.h"

#include "platform/text/Localized.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/UpdateService.h"
#include "tolvar/style/BorderedButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvar {

SoftwareUpdateSettingsCard::SoftwareUpdateSettingsCard(UpdateService& updateService, QWidget* parent)
    : MacSettingsCardTitled("Software Update", QStringLiteral("arrow.down.circle.fill"), std::nullopt, QColor(), parent)
    , m_updateService(updateService)
{
    body().setSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    m_checkButton = new BorderedButton(
        platform::localized("Check for Updates..."), BorderedButton::Style::borderedProminent, this);
    buttons->addWidget(m_checkButton);
    buttons->addStretch(1);
    body().addLayout(buttons);
    m_automaticToggle = new QCheckBox(platform::localized("Automatically check for updates"), this);
    body().addWidget(m_automaticToggle);
    m_footnote = settingsStyle::caption(QString(), this);
    body().addWidget(m_footnote);

    connect(m_checkButton, &QPushButton::clicked, this, [this] {
        m_updateService.checkForUpdates();
        refresh();
    });
    connect(m_automaticToggle, &QCheckBox::clicked, this, [this](bool checked) {
        m_updateService.setAutomaticallyChecksForUpdates(checked);
        refresh();
    });
    connect(&m_updateService, &UpdateService::canCheckForUpdatesChanged, this, &SoftwareUpdateSettingsCard::refresh);
    connect(&m_updateService, &UpdateService::automaticallyChecksForUpdatesChanged, this,
        &SoftwareUpdateSettingsCard::refresh);
    refresh();
}

void SoftwareUpdateSettingsCard::refresh()
{
    const bool checks = m_updateService.checksForUpdates();
    m_checkButton->setEnabled(checks && m_updateService.canCheckForUpdates());
    m_automaticToggle->setEnabled(checks);
    m_automaticToggle->setChecked(checks && m_updateService.automaticallyChecksForUpdates());
    m_footnote->setText(checks ? platform::localized("When enabled, Tolvar checks for updates once per day.")
                               : platform::localized("This build does not check for updates: it was made without "
                                                     "an update feed address."));
}

QString SoftwareUpdateSettingsCard::footnote() const
{
    return m_footnote->text();
}

void SoftwareUpdateSettingsCard::showEvent(QShowEvent* event)
{
    // The card starts from the updater's current flags.
    m_updateService.refresh();
    MacSettingsCardTitled::showEvent(event);
}

} // namespace tolvar

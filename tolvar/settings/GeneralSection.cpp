#include "tolvar/settings/GeneralSection.h"

#include "ShortcutKit/Name.h"
#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/HealthCheck.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/ShortcutKitRecorder.h"
#include "tolvar/settings/SoftwareUpdateSettingsCard.h"
#include "tolvar/settings/UpdateService.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tolvar {

GeneralSection::GeneralSection(AppModel& appModel, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(startupCard());
    column->addWidget(quickPanelShortcutCard());
    column->addWidget(agendaWindowCard());
    m_healthTiles = new HealthTiles(appModel, this);
    column->addWidget(m_healthTiles);
    m_healthCheck = new HealthCheckCard(appModel, this);
    column->addWidget(m_healthCheck);
    m_softwareUpdate = new SoftwareUpdateSettingsCard(appModel.updateService(), this);
    column->addWidget(m_softwareUpdate);

    connect(&appModel, &AppModel::changed, this, &GeneralSection::refresh);
    refresh();
}

QWidget* GeneralSection::startupCard()
{
    auto* card
        = new MacSettingsCardTitled("Startup", QStringLiteral("power.circle.fill"), std::nullopt, QColor(), this);
    card->body().setSpacing(14);
    m_launchAtLogin = new QCheckBox(platform::localized("Launch Tolvar at login"), card);
    // The toggle shows what the login item reports after the change, so a refusal leaves it off.
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [this](bool checked) {
        m_appModel.setLaunchAtLogin(checked);
        refresh();
    });
    card->body().addWidget(m_launchAtLogin);
    card->body().addWidget(settingsStyle::caption(platform::localized("Runs Tolvar automatically whenever you log in. "
                                                                      "You can also manage this in System Settings → "
                                                                      "General → Login Items."),
        card));
    return card;
}

QWidget* GeneralSection::quickPanelShortcutCard()
{
    auto* card
        = new MacSettingsCardTitled("Quick Panel Shortcut", QStringLiteral("keyboard"), std::nullopt, QColor(), this);
    card->body().setSpacing(10);
    m_shortcutEnabled = new QCheckBox(platform::localized("Enable global shortcut"), card);
    connect(m_shortcutEnabled, &QCheckBox::clicked, this, [this](bool checked) {
        m_appModel.setQuickPanelShortcutEnabled(checked);
        refresh();
    });
    card->body().addWidget(m_shortcutEnabled);

    auto* shortcut = new QVBoxLayout;
    shortcut->setSpacing(4);
    shortcut->addWidget(settingsStyle::label(platform::localized("Shortcut"), settingsStyle::font(12), false, card));
    m_recorder = makeShortcutKitRecorder(ShortcutKit::Name::toggleQuickPanel(), card);
    m_recorder->setFixedHeight(24);
    m_recorder->setGraphicsEffect(new QGraphicsOpacityEffect(m_recorder));
    shortcut->addWidget(m_recorder, 0, Qt::AlignLeft);
    card->body().addLayout(shortcut);

    card->body().addWidget(settingsStyle::caption(platform::localized("Press the shortcut from anywhere to pop up your "
                                                                      "meetings at the cursor. Press Esc or click away "
                                                                      "to dismiss."),
        card));
    return card;
}

QWidget* GeneralSection::agendaWindowCard()
{
    auto* card = new MacSettingsCardTitled(
        "Agenda window", QStringLiteral("calendar.badge.clock"), std::nullopt, QColor(), this);
    card->body().setSpacing(10);
    auto* stepper = new QHBoxLayout;
    stepper->setSpacing(8);
    m_forwardDaysLabel = settingsStyle::label(QString(), settingsStyle::font(13), false, card);
    m_forwardDaysLabel->setWordWrap(false);
    m_forwardDays = new QSpinBox(card);
    m_forwardDays->setRange(1, 30);
    m_forwardDays->setSingleStep(1);
    m_forwardDays->setKeyboardTracking(false);
    m_forwardDays->setAccessibleName(platform::localized("Agenda window"));
    connect(m_forwardDays, &QSpinBox::valueChanged, this, [this](int days) {
        m_appModel.setForwardDays(days);
        refresh();
    });
    stepper->addWidget(m_forwardDaysLabel);
    stepper->addWidget(m_forwardDays);
    stepper->addStretch(1);
    card->body().addLayout(stepper);
    card->body().addWidget(settingsStyle::caption(
        platform::localized("Tolvar fetches meetings from today through this many days ahead. The default is 7 days."),
        card));
    return card;
}

void GeneralSection::refresh()
{
    m_launchAtLogin->setChecked(m_appModel.launchAtLogin());
    const bool shortcutEnabled = m_appModel.quickPanelShortcutEnabled();
    m_shortcutEnabled->setChecked(shortcutEnabled);
    m_recorder->setEnabled(shortcutEnabled);
    static_cast<QGraphicsOpacityEffect*>(m_recorder->graphicsEffect())->setOpacity(shortcutEnabled ? 1.0 : 0.5);
    {
        const QSignalBlocker blocker(m_forwardDays);
        m_forwardDays->setValue(m_appModel.forwardDays());
    }
    m_forwardDaysLabel->setText(
        platform::localizedFormat("Fetch up to %d days ahead", { QLocale().toString(m_appModel.forwardDays()) }));
    m_healthTiles->refresh();
    m_healthCheck->refresh();
}

qreal GeneralSection::recorderOpacity() const
{
    return static_cast<QGraphicsOpacityEffect*>(m_recorder->graphicsEffect())->opacity();
}

QString GeneralSection::forwardDaysLabel() const
{
    return m_forwardDaysLabel->text();
}

} // namespace tolvar

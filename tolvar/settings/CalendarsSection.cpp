#include "tolvar/settings/CalendarsSection.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/RuleEditor.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsTexts.h"
#include "tolvar/settings/SourceToggleList.h"
#include "tolvar/style/BorderedButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvar {

CalendarsSection::CalendarsSection(AppModel& appModel, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    auto* access = new MacSettingsCardTitled(
        "Calendar Access", QStringLiteral("lock.shield.fill"), std::nullopt, QColor(), this);
    auto* accessRow = new QHBoxLayout;
    accessRow->setSpacing(12);
    m_accessMessage = settingsStyle::label(QString(), settingsStyle::font(13), false, access);
    m_requestAccess
        = new BorderedButton(platform::localized("Request Access"), BorderedButton::Style::borderedProminent, access);
    // Not awaited: the new state arrives through the model's permission state and calendars.
    connect(m_requestAccess, &QPushButton::clicked, this, [this] { m_appModel.requestCalendarAccess(); });
    accessRow->addWidget(m_accessMessage, 1);
    accessRow->addWidget(m_requestAccess);
    access->body().addLayout(accessRow);
    column->addWidget(access);

    auto* monitored
        = new MacSettingsCardTitled("Monitored Calendars", QStringLiteral("calendar"), std::nullopt, QColor(), this);
    m_noCalendars
        = settingsStyle::label(platform::localized("No calendars found."), settingsStyle::font(13), true, monitored);
    m_calendarList
        = new SourceToggleList([this](const QString& id) { return m_appModel.selectedCalendarIDs().contains(id); },
            [this](const QString& id, bool selected) { m_appModel.setCalendar(id, selected); }, monitored);
    monitored->body().addWidget(m_noCalendars);
    monitored->body().addWidget(m_calendarList);
    column->addWidget(monitored);

    auto* rules
        = new MacSettingsCardTitled("Reminder Rules", QStringLiteral("bell.badge"), std::nullopt, QColor(), this);
    m_ruleEditor = new RuleEditor(appModel, RuleRow::Kind::calendar, rules);
    rules->body().addWidget(m_ruleEditor);
    column->addWidget(rules);

    connect(&appModel, &AppModel::changed, this, &CalendarsSection::refresh);
    refresh();
}

void CalendarsSection::refresh()
{
    m_accessMessage->setText(settingsTexts::calendarAccessMessage(m_appModel.permissionState()));
    const QList<CalendarSource> calendars = m_appModel.calendars();
    m_noCalendars->setVisible(calendars.isEmpty());
    m_calendarList->setVisible(!calendars.isEmpty());
    m_calendarList->setSources(calendars);
    m_calendarList->refresh();
    m_ruleEditor->refresh();
}

bool CalendarsSection::isNoCalendarsTextShown() const
{
    return !m_noCalendars->isHidden();
}

} // namespace tolvar

#include "tolvar/settings/RemindersSection.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/HourPicker.h"
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

RemindersSection::RemindersSection(AppModel& appModel, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    auto* access
        = new MacSettingsCardTitled("Reminders Access", QStringLiteral("checklist"), std::nullopt, QColor(), this);
    auto* accessRow = new QHBoxLayout;
    accessRow->setSpacing(12);
    m_accessMessage = settingsStyle::label(QString(), settingsStyle::font(13), false, access);
    m_requestAccess
        = new BorderedButton(platform::localized("Request Access"), BorderedButton::Style::borderedProminent, access);
    connect(m_requestAccess, &QPushButton::clicked, this, [this] { m_appModel.requestRemindersAccess(); });
    accessRow->addWidget(m_accessMessage, 1);
    accessRow->addWidget(m_requestAccess);
    access->body().addLayout(accessRow);
    column->addWidget(access);

    auto* monitored = new MacSettingsCardTitled(
        "Monitored Reminder Lists", QStringLiteral("list.bullet.rectangle"), std::nullopt, QColor(), this);
    m_noLists = settingsStyle::label(
        platform::localized("No reminder lists found."), settingsStyle::font(13), true, monitored);
    monitored->body().addWidget(m_noLists);
    m_listBox = new QWidget(monitored);
    auto* listStack = new QVBoxLayout(m_listBox);
    listStack->setContentsMargins(0, 0, 0, 0);
    listStack->setSpacing(8);
    listStack->addWidget(
        settingsStyle::caption(platform::localized("Tasks with a due date in the selected lists appear "
                                                   "in the menubar and fire the fullscreen reminder at "
                                                   "the due time."),
            m_listBox));
    m_lists
        = new SourceToggleList([this](const QString& id) { return m_appModel.selectedReminderListIDs().contains(id); },
            [this](const QString& id, bool selected) { m_appModel.setReminderList(id, selected); }, m_listBox);
    listStack->addWidget(m_lists);
    monitored->body().addWidget(m_listBox);
    column->addWidget(monitored);

    auto* rules
        = new MacSettingsCardTitled("Reminder Rules", QStringLiteral("bell.badge"), std::nullopt, QColor(), this);
    m_ruleEditor = new RuleEditor(appModel, RuleRow::Kind::reminderList, rules);
    rules->body().addWidget(m_ruleEditor);
    column->addWidget(rules);

    auto* dateOnly = new MacSettingsCardTitled(
        "Date-only Tasks", QStringLiteral("clock.badge.checkmark"), std::nullopt, QColor(), this);
    dateOnly->body().setSpacing(12);
    dateOnly->body().addWidget(settingsStyle::caption(platform::localized("Tasks that have a due date but no time are "
                                                                          "treated as due at the hour below on that "
                                                                          "day, and stay visible in the menubar for "
                                                                          "the rest of the day."),
        dateOnly));
    m_defaultTime = new HourPicker;
    connect(m_defaultTime, &HourPicker::hourChosen, this, [this](int hour) {
        m_appModel.setReminderDefaultHour(hour);
        refresh();
    });
    auto* timeRow = new QHBoxLayout;
    timeRow->setSpacing(16);
    timeRow->addWidget(titledHourPicker("Default time", m_defaultTime, dateOnly));
    timeRow->addStretch(1);
    dateOnly->body().addLayout(timeRow);
    column->addWidget(dateOnly);

    connect(&appModel, &AppModel::changed, this, &RemindersSection::refresh);
    refresh();
}

void RemindersSection::refresh()
{
    m_accessMessage->setText(settingsTexts::remindersAccessMessage(m_appModel.remindersPermissionState()));
    const QList<CalendarSource> lists = m_appModel.reminderLists();
    m_noLists->setVisible(lists.isEmpty());
    m_listBox->setVisible(!lists.isEmpty());
    m_lists->setSources(lists);
    m_lists->refresh();
    m_ruleEditor->refresh();
    m_defaultTime->setHour(m_appModel.reminderDefaultHour());
}

bool RemindersSection::isNoListsTextShown() const
{
    return !m_noLists->isHidden();
}

} // namespace tolvar

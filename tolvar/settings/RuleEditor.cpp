#include "tolvar/settings/RuleEditor.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/SettingsStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tolvar {

RuleEditor::RuleEditor(AppModel& appModel, RuleRow::Kind kind, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
    , m_kind(kind)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    const bool calendars = kind == RuleRow::Kind::calendar;
    stack->addWidget(settingsStyle::caption(calendars
            ? platform::localized("Customize the reminder for each monitored calendar: whether to show the fullscreen "
                                  "overlay, play the sound, and how many times the sound repeats before stopping. "
                                  "Rules sync across your Macs via iCloud.")
            : platform::localized("Customize the reminder for each monitored list: whether to show the fullscreen "
                                  "overlay, play the sound, and how many times the sound repeats before stopping. "
                                  "Rules sync across your Macs via iCloud."),
        this));
    m_emptyText = settingsStyle::label(calendars
            ? platform::localized(
                "No calendars monitored. Select at least one calendar above to configure its reminder.")
            : platform::localized(
                "No reminder lists monitored. Select at least one list above to configure its reminder."),
        settingsStyle::font(13), true, this);
    stack->addWidget(m_emptyText);
    m_rowLayout = new QVBoxLayout;
    m_rowLayout->setSpacing(8);
    stack->addLayout(m_rowLayout);
    refresh();
}

QList<CalendarSource> RuleEditor::monitoredSources() const
{
    const bool calendars = m_kind == RuleRow::Kind::calendar;
    const QSet<QString> selected = calendars ? m_appModel.selectedCalendarIDs() : m_appModel.selectedReminderListIDs();
    QList<CalendarSource> monitored;
    for (const CalendarSource& source : calendars ? m_appModel.calendars() : m_appModel.reminderLists()) {
        if (selected.contains(source.id))
            monitored.append(source);
    }
    return monitored;
}

void RuleEditor::refresh()
{
    const QList<CalendarSource> monitored = monitoredSources();
    QList<CalendarSource> shown;
    for (const RuleRow* row : m_rows)
        shown.append(row->source());
    if (shown == monitored) {
        for (RuleRow* row : m_rows)
            row->refresh();
        return;
    }
    for (RuleRow* row : m_rows) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    for (const CalendarSource& source : monitored) {
        auto* row = new RuleRow(m_appModel, source, m_kind, this);
        m_rowLayout->addWidget(row);
        m_rows.append(row);
    }
    m_emptyText->setVisible(monitored.isEmpty());
}

bool RuleEditor::isEmptyTextShown() const
{
    return !m_emptyText->isHidden();
}

} // namespace tolvar

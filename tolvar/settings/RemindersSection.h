#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tolvar {

class AppModel;
class HourPicker;
class RuleEditor;
class SourceToggleList;

// Reminders access, the task lists to watch, each watched list's rule, and the hour of date-only tasks.
class RemindersSection : public QWidget
{
    Q_OBJECT
public:
    explicit RemindersSection(AppModel& appModel, QWidget* parent = nullptr);

    void refresh();

    QLabel* accessMessage() const { return m_accessMessage; }
    QPushButton* requestAccessButton() const { return m_requestAccess; }
    SourceToggleList* reminderListList() const { return m_lists; }
    bool isNoListsTextShown() const;
    RuleEditor* ruleEditor() const { return m_ruleEditor; }
    HourPicker* defaultTimePicker() const { return m_defaultTime; }

private:
    AppModel& m_appModel;
    QLabel* m_accessMessage;
    QPushButton* m_requestAccess;
    QLabel* m_noLists;
    QWidget* m_listBox;
    SourceToggleList* m_lists;
    RuleEditor* m_ruleEditor;
    HourPicker* m_defaultTime;
};

} // namespace tolvar

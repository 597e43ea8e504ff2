#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tolvar {

class AppModel;
class RuleEditor;
class SourceToggleList;

// Calendar access, the calendars to watch, and each watched calendar's reminder rule.
class CalendarsSection : public QWidget
{
    Q_OBJECT
public:
    explicit CalendarsSection(AppModel& appModel, QWidget* parent = nullptr);

    void refresh();

    QLabel* accessMessage() const { return m_accessMessage; }
    QPushButton* requestAccessButton() const { return m_requestAccess; }
    SourceToggleList* calendarList() const { return m_calendarList; }
    bool isNoCalendarsTextShown() const;
    RuleEditor* ruleEditor() const { return m_ruleEditor; }

private:
    AppModel& m_appModel;
    QLabel* m_accessMessage;
    QPushButton* m_requestAccess;
    QLabel* m_noCalendars;
    SourceToggleList* m_calendarList;
    RuleEditor* m_ruleEditor;
};

} // namespace tolvar

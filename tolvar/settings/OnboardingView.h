#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace tolvar {

class AppModel;
class MacSettingsCardTitled;
class SourceToggleList;

// The first-run walk: calendar access and the calendars to watch, then a 30-second test reminder.
class OnboardingView : public QWidget
{
    Q_OBJECT
public:
    OnboardingView(AppModel& appModel, std::function<void()> onFinish, QWidget* parent = nullptr);

    void refresh();

    bool testCreated() const { return m_testCreated; }
    bool isStepOneComplete() const;
    bool isStepTwoComplete() const { return m_testCreated; }

    QPushButton* requestAccessButton() const { return m_requestAccess; }
    SourceToggleList* calendarList() const { return m_calendarList; }
    bool isCalendarListShown() const;
    QString emptyCalendarsText() const;
    MacSettingsCardTitled* stepOneCard() const { return m_stepOne; }
    MacSettingsCardTitled* stepTwoCard() const { return m_stepTwo; }
    QPushButton* createTestButton() const { return m_createTest; }
    QPushButton* fullscreenTestButton() const { return m_fullscreenTest; }
    bool isSuccessNoteShown() const;
    QPushButton* finishButton() const { return m_finish; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* header();
    QWidget* stepOneContent();
    QWidget* stepTwoContent();
    void markTestCreated();

    AppModel& m_appModel;
    std::function<void()> m_onFinish;
    bool m_testCreated = false;
    bool m_refreshedOnShow = false;
    QWidget* m_dots[2] = {};
    MacSettingsCardTitled* m_stepOne = nullptr;
    MacSettingsCardTitled* m_stepTwo = nullptr;
    QPushButton* m_requestAccess = nullptr;
    QScrollArea* m_calendarScroll = nullptr;
    SourceToggleList* m_calendarList = nullptr;
    QLabel* m_emptyCalendars = nullptr;
    QPushButton* m_createTest = nullptr;
    QPushButton* m_fullscreenTest = nullptr;
    QWidget* m_successNote = nullptr;
    QPushButton* m_finish = nullptr;
};

} // namespace tolvar

#pragma once

#include "tolvar/core/TestMeetingKind.h"

#include <QMap>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPropertyAnimation;
class QPushButton;

namespace tolvar {

class AppModel;
class HourPicker;
class SegmentedPicker;
class SettingsView;

// How the full-screen reminder behaves, quiet hours, screen sharing, and the test reminders.
class AlertsSection : public QWidget
{
    Q_OBJECT
public:
    // The view keeps the test reminders' confirmation line, which outlives a change of section.
    AlertsSection(AppModel& appModel, SettingsView& settingsView, QWidget* parent = nullptr);

    void refresh();

    SegmentedPicker* remindBeforePicker() const { return m_remindBefore; }
    SegmentedPicker* autoDismissPicker() const { return m_autoDismiss; }
    QCheckBox* joinLinkToggle() const { return m_joinLinkOnly; }
    QCheckBox* menuBarJoinToggle() const { return m_dismissOnJoin; }
    QCheckBox* actionItemToggle() const { return m_actionItems; }
    QCheckBox* quietHoursToggle() const { return m_quietHours; }
    QWidget* quietHoursPickers() const { return m_quietHoursPickers; }
    HourPicker* quietHoursStartPicker() const { return m_quietStart; }
    HourPicker* quietHoursEndPicker() const { return m_quietEnd; }
    QCheckBox* screenShareToggle() const { return m_screenShare; }
    QPushButton* testMeetingButton(TestMeetingKind kind) const { return m_testButtons.value(kind); }
    QPushButton* conflictTestButton() const { return m_conflictTest; }
    QPushButton* fullscreenTestButton() const { return m_fullscreenTest; }
    // The confirmation line, empty while hidden.
    QString shownTestMessage() const;

private:
    QWidget* fullscreenReminderCard();
    QWidget* quietHoursCard();
    QWidget* screenSharingCard();
    QWidget* testRemindersCard();
    void showTestMessage(const std::optional<QString>& message);
    QCheckBox* toggle(const char* title, QWidget* parent, std::function<void(bool)> write);

    AppModel& m_appModel;
    SettingsView& m_settingsView;
    SegmentedPicker* m_remindBefore = nullptr;
    SegmentedPicker* m_autoDismiss = nullptr;
    QCheckBox* m_joinLinkOnly = nullptr;
    QCheckBox* m_dismissOnJoin = nullptr;
    QCheckBox* m_actionItems = nullptr;
    QCheckBox* m_quietHours = nullptr;
    QWidget* m_quietHoursPickers = nullptr;
    HourPicker* m_quietStart = nullptr;
    HourPicker* m_quietEnd = nullptr;
    QCheckBox* m_screenShare = nullptr;
    QMap<TestMeetingKind, QPushButton*> m_testButtons;
    QPushButton* m_conflictTest = nullptr;
    QPushButton* m_fullscreenTest = nullptr;
    QWidget* m_testMessage = nullptr;
    QLabel* m_testMessageText = nullptr;
    QPropertyAnimation* m_testMessageFade = nullptr;
};

} // namespace tolvar

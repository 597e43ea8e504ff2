#pragma once

#include "tolvar/core/TestMeetingKind.h"

#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class QScrollArea;

namespace tolvar {

class AppModel;
class SegmentedPicker;

// The settings window's content: the header, the section picker and the scrolling section.
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    enum class Section { general, calendars, reminders, alerts };
    static QList<Section> allSections();
    static QString rawValue(Section section);
    // Only an exact raw value makes a section.
    static std::optional<Section> sectionFromRawValue(const QString& rawValue);

    SettingsView(AppModel& appModel, std::function<void()> showOnboarding, QWidget* parent = nullptr);

    Section selectedSection() const { return m_selectedSection; }
    void setSelectedSection(Section section);
    // The section on screen.
    QWidget* sectionView() const { return m_sectionView; }
    SegmentedPicker* sectionPicker() const { return m_sectionPicker; }

    std::optional<QString> testMeetingMessage() const { return m_testMeetingMessage; }
    // Shows the confirmation line and clears it 4 s later, unless a newer message came meanwhile.
    void showTestMessage(const QString& message);
    void createTestMeeting(TestMeetingKind kind);
    void createConflictTest();

    void openSupport();
    void openOnboarding();

Q_SIGNALS:
    void testMeetingMessageChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* header();
    QWidget* makeSection(Section section);

    AppModel& m_appModel;
    std::function<void()> m_showOnboarding;
    Section m_selectedSection = Section::general;
    std::optional<QString> m_testMeetingMessage;
    std::optional<QUuid> m_messageToken;
    SegmentedPicker* m_sectionPicker = nullptr;
    QScrollArea* m_pane = nullptr;
    QWidget* m_sectionView = nullptr;
    bool m_refreshedOnShow = false;
};

} // namespace tolvar

#pragma once

#include "tolvar/model/MeetingSnapshot.h"

#include <QWidget>

class QVBoxLayout;

namespace platform {
class Workspace;
}

namespace tolvar {

class AttendeeListView;
class DetailLinkButton;

// The current user first, then accepted, declined, tentative and no answer, each by name.
QList<MeetingAttendee> sortedAttendees(const QList<MeetingAttendee>& attendees);

// The card of the detail side panel: title, time, recurrence, the place with its maps link,
// calendar, join service, organiser, attendees with their replies, and "Open in Calendar".
// A hosting window gives it its width and takes heightForWidth() as its height.
class MeetingDetailCard : public QWidget
{
    Q_OBJECT
public:
    explicit MeetingDetailCard(platform::Workspace& workspace, QWidget* parent = nullptr);

    // Rebuilds when anything shown changed.
    void setContent(const MeetingSnapshot& meeting, const QString& timeLabel, bool showAllAttendees);
    const MeetingSnapshot& meeting() const { return m_meeting; }
    QString timeLabel() const { return m_timeLabel; }
    bool showAllAttendees() const { return m_showAllAttendees; }
    void setMaxVisibleAttendees(int count) { m_maxVisibleAttendees = count; }
    void setMaxExpandedAttendeesHeight(int height) { m_maxExpandedAttendeesHeight = height; }

    QString accessibilitySummary() const;
    // The attendees shown and how many the "more" button stands for.
    QList<MeetingAttendee> visibleAttendees() const;
    qsizetype hiddenAttendeeCount() const;

    // The parts that act, absent when the meeting does not show them; for tests.
    DetailLinkButton* locationButton() const { return m_locationButton; }
    DetailLinkButton* moreButton() const { return m_moreButton; }
    DetailLinkButton* openInCalendarButton() const { return m_openInCalendarButton; }
    // The expanded list's fixed height; 0 while collapsed.
    int expandedListHeight() const { return m_expandedListHeight; }

Q_SIGNALS:
    void showAllAttendeesRequested();
    void hoverChanged(bool hovering);
    void openInCalendarRequested(const tolvar::MeetingSnapshot& meeting);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void rebuild();
    void addText(const QString& text, const QFont& font, const QColor& color, bool wraps);
    void addOrganizer(const QString& name);
    void addAttendees();
    void openMap();

    platform::Workspace& m_workspace;
    MeetingSnapshot m_meeting;
    QString m_timeLabel;
    bool m_showAllAttendees = false;
    bool m_hasContent = false;
    int m_maxVisibleAttendees = 8;
    int m_maxExpandedAttendeesHeight = 280;
    QVBoxLayout* m_column;
    DetailLinkButton* m_locationButton = nullptr;
    DetailLinkButton* m_moreButton = nullptr;
    DetailLinkButton* m_openInCalendarButton = nullptr;
    int m_expandedListHeight = 0;
};

} // namespace tolvar

#pragma once

#include "tolvar/menubar/MeetingDisplay.h"

#include <QAbstractButton>

namespace tolvar {

// The compact row of UPCOMING and of another day's list: calendar dot, title with the kind's symbol,
// "Muted" and the calendar, and the time. A click anywhere on it activates the meeting.
class MeetingRow : public QAbstractButton
{
    Q_OBJECT
public:
    explicit MeetingRow(QWidget* parent = nullptr);

    const MeetingDisplay& display() const { return m_display; }
    // Repaints only when something shown changed.
    void setDisplay(const MeetingDisplay& display);

    QSize sizeHint() const override;

    static QString kindSymbol(MeetingKind kind);

Q_SIGNALS:
    void activated(const tolvar::MeetingSnapshot& meeting);
    void hoverChanged(const QString& meetingID, bool inside);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hasMetaLine() const;

    MeetingDisplay m_display;
};

} // namespace tolvar

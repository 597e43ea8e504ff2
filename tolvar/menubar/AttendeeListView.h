#pragma once

#include "tolvar/model/MeetingAttendee.h"

#include <QList>
#include <QWidget>

namespace tolvar {

// The attendees of the detail card, one line each: the reply's symbol, the name and the reply.
class AttendeeListView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int rowHeight = 18;
    static constexpr int rowSpacing = 4;

    explicit AttendeeListView(QWidget* parent = nullptr);

    const QList<MeetingAttendee>& attendees() const { return m_attendees; }
    void setAttendees(const QList<MeetingAttendee>& attendees);
    // The height of `count` rows with the spacing between them.
    static int heightFor(qsizetype count);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<MeetingAttendee> m_attendees;
};

} // namespace tolvar

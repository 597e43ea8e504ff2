#include "tolvar/menubar/AttendeeListView.h"

#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal symbolWidth = 12;
constexpr qreal spacing = 6;

QString replySymbol(AttendeeRSVPStatus status)
{
    switch (status) {
    case AttendeeRSVPStatus::accepted:
        return QStringLiteral("checkmark.circle.fill");
    case AttendeeRSVPStatus::declined:
        return QStringLiteral("xmark.circle.fill");
    case AttendeeRSVPStatus::tentative:
        return QStringLiteral("questionmark.circle.fill");
    case AttendeeRSVPStatus::noAnswer:
        break;
    }
    return QStringLiteral("circle");
}

QColor replyColor(AttendeeRSVPStatus status)
{
    const Palette& palette = Palette::shared();
    switch (status) {
    case AttendeeRSVPStatus::accepted:
        return palette.teal;
    case AttendeeRSVPStatus::declined:
        return palette.red;
    case AttendeeRSVPStatus::tentative:
        return palette.amber;
    case AttendeeRSVPStatus::noAnswer:
        break;
    }
    return PanelStyle::white(0.45);
}
} // namespace

AttendeeListView::AttendeeListView(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void AttendeeListView::setAttendees(const QList<MeetingAttendee>& attendees)
{
    if (m_attendees == attendees)
        return;
    m_attendees = attendees;
    setFixedHeight(heightFor(attendees.size()));
    update();
}

int AttendeeListView::heightFor(qsizetype count)
{
    return int(count * rowHeight + std::max<qsizetype>(count - 1, 0) * rowSpacing);
}

QSize AttendeeListView::sizeHint() const
{
    return { 0, heightFor(m_attendees.size()) };
}

void AttendeeListView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFont replyFont = PanelStyle::font(10, QFont::Medium);
    qreal y = 0;
    for (const MeetingAttendee& attendee : m_attendees) {
        const QColor color = replyColor(attendee.status);
        const QRectF row(0, y, width(), rowHeight);
        PanelStyle::paintSymbol(
            painter, replySymbol(attendee.status), QRectF(row.left(), row.top(), symbolWidth, rowHeight), 10, color);
        const QString reply = displayName(attendee.status);
        const qreal replyWidth = std::ceil(PanelStyle::textWidth(replyFont, reply));
        PanelStyle::drawLine(painter, QRectF(row.right() - replyWidth, row.top(), replyWidth, rowHeight), reply,
            replyFont, multipliedOpacity(color, 0.95));
        const qreal nameLeft = symbolWidth + spacing;
        PanelStyle::drawLine(painter,
            QRectF(nameLeft, row.top(), std::max(0.0, row.right() - replyWidth - spacing - nameLeft), rowHeight),
            attendee.displayName(), PanelStyle::font(11, attendee.isCurrentUser ? QFont::DemiBold : QFont::Normal),
            PanelStyle::white(0.82));
        y += rowHeight + rowSpacing;
    }
}

} // namespace tolvar

#pragma once

#include "tolvar/menubar/MeetingDisplay.h"

#include <QWidget>
#include <optional>

namespace tolvar {

class CircleActionButton;

// The large card of a running meeting (NOW, teal) or of the next one (NEXT, amber): title, badges,
// place and countdown, calendar, and the join or copy-location button. The card itself takes no
// click; only its button acts.
class FeaturedMeetingCard : public QWidget
{
    Q_OBJECT
public:
    FeaturedMeetingCard(bool isNow, QWidget* parent = nullptr);

    bool isNow() const { return m_isNow; }
    const MeetingDisplay& display() const { return m_display; }
    // The place line's text; absent when there is no place to show.
    const std::optional<QString>& place() const { return m_place; }
    // Repaints only when something shown changed.
    void setDisplay(const MeetingDisplay& display);

    QSize sizeHint() const override;

Q_SIGNALS:
    void activated(const tolvar::MeetingSnapshot& meeting);
    void hoverChanged(const QString& meetingID, bool inside);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor accent() const;
    qreal trailingWidth() const;
    qreal trailingHeight() const;
    qreal leftColumnHeight() const;
    void placeButton();
    void paintDetails(QPainter& painter, const QRectF& line) const;

    bool m_isNow;
    MeetingDisplay m_display;
    // The place without its links, found once per display rather than on every paint.
    std::optional<QString> m_place;
    CircleActionButton* m_button;
};

} // namespace tolvar

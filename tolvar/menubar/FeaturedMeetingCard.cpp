#include "tolvar/menubar/FeaturedMeetingCard.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/CircleActionButton.h"
#include "tolvar/menubar/PanelBadges.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/style/CalendarColor.h"
#include "tolvar/style/DropShadow.h"
#include "tolvar/style/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvar {

namespace {
constexpr qreal padding = 12;
constexpr qreal dotSize = 10;
constexpr qreal dotSpacing = 12;
constexpr qreal columnSpacing = 3;
constexpr qreal minimumGap = 8;
constexpr qreal trailingSpacing = 6;
constexpr qreal detailSpacing = 6;

QFont titleFont()
{
    return PanelStyle::font(14, QFont::DemiBold);
}
QFont detailFont()
{
    return PanelStyle::font(12);
}
FractionalFont calendarFont()
{
    return PanelStyle::fractionalFont(10.5);
}
QFont countdownFont()
{
    return PanelStyle::font(13, QFont::Bold);
}
QFont timeRangeFont()
{
    return PanelStyle::font(11, QFont::Medium);
}

qreal detailLineHeight()
{
    return std::max(PanelStyle::lineHeight(detailFont()), PanelBadges::capsuleLabelSize(QStringLiteral("X")).height());
}
} // namespace

FeaturedMeetingCard::FeaturedMeetingCard(bool isNow, QWidget* parent)
    : QWidget(parent)
    , m_isNow(isNow)
    , m_button(new CircleActionButton(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_button->hide();
    connect(m_button, &QAbstractButton::clicked, this, [this] { Q_EMIT activated(m_display.meeting); });
}

void FeaturedMeetingCard::setDisplay(const MeetingDisplay& display)
{
    if (m_display == display)
        return;
    m_display = display;
    m_place = placeName(display.meeting.location);
    const MeetingSnapshot& meeting = display.meeting;
    // A service's name is no place to show, but it is still there to copy.
    const bool hasLocation = physicalLocationText(meeting.location).has_value();
    if (meeting.joinURL) {
        m_button->setKind(CircleActionButton::Kind::join);
        m_button->setAccessibleName(platform::localizedFormat("Join %@", { meeting.title }));
    } else if (hasLocation) {
        m_button->setKind(CircleActionButton::Kind::copyLocation);
        m_button->setAccessibleName(platform::localizedFormat("Copy location for %@", { meeting.title }));
    }
    m_button->setVisible(meeting.joinURL.has_value() || hasLocation);
    setToolTip(muteHelpText(display.muted));
    setAccessibleName(
        display.muted ? meeting.title + QStringLiteral(", ") + platform::localized("Muted") : meeting.title);
    setAccessibleDescription(muteAccessibilityHint(display.muted));
    updateGeometry();
    placeButton();
    update();
}

QColor FeaturedMeetingCard::accent() const
{
    return m_isNow ? Palette::shared().teal : Palette::shared().amber;
}

qreal FeaturedMeetingCard::trailingWidth() const
{
    qreal width = m_button->isVisibleTo(this) ? CircleActionButton::diameter : 0;
    if (m_display.upcoming) {
        width = std::max(width, PanelStyle::textWidth(countdownFont(), m_display.countdown));
        width = std::max(width, PanelStyle::textWidth(timeRangeFont(), m_display.timeRange));
    }
    return std::ceil(width);
}

qreal FeaturedMeetingCard::trailingHeight() const
{
    QList<qreal> items;
    if (m_display.upcoming)
        items << PanelStyle::lineHeight(countdownFont()) << PanelStyle::lineHeight(timeRangeFont());
    if (m_button->isVisibleTo(this))
        items << CircleActionButton::diameter;
    qreal height = 0;
    for (const qreal item : items)
        height += item;
    return items.isEmpty() ? 0 : height + trailingSpacing * (items.size() - 1);
}

qreal FeaturedMeetingCard::leftColumnHeight() const
{
    qreal height = PanelStyle::lineHeight(titleFont()) + columnSpacing + detailLineHeight();
    if (m_display.meeting.calendarDisplayName())
        height += columnSpacing + PanelStyle::lineHeight(calendarFont());
    return height;
}

QSize FeaturedMeetingCard::sizeHint() const
{
    return { PanelStyle::columnWidth, int(std::ceil(2 * padding + std::max(leftColumnHeight(), trailingHeight()))) };
}

void FeaturedMeetingCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButton();
}

void FeaturedMeetingCard::placeButton()
{
    const qreal trailingLeft = width() - padding - trailingWidth();
    const qreal top = padding
        + (m_display.upcoming ? PanelStyle::lineHeight(countdownFont()) + PanelStyle::lineHeight(timeRangeFont())
                    + 2 * trailingSpacing
                              : 0);
    // Trailing-aligned in its column.
    m_button->move(int(trailingLeft + trailingWidth() - CircleActionButton::diameter), int(top));
}

void FeaturedMeetingCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Palette& palette = Palette::shared();
    const MeetingSnapshot& meeting = m_display.meeting;
    const bool muted = m_display.muted;
    const QColor accent = this->accent();
    const QRectF bounds = QRectF(rect());

    if (m_display.selected)
        PanelStyle::fillRounded(painter, bounds, 12, withOpacity(accent, 0.18), withOpacity(palette.teal, 0.7), 1.5);
    else
        PanelStyle::fillRounded(painter, bounds, 12, withOpacity(accent, 0.1), withOpacity(accent, 0.3));

    const QRectF content = bounds.adjusted(padding, padding, -padding, -padding);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(calendarAccentColor(meeting.calendarTitle), muted ? 0.45 : 1.0));
    painter.drawEllipse(QRectF(content.left(), content.top() + 4, dotSize, dotSize));

    // Trailing column: countdown and time range while the meeting is ahead, then the button's glow.
    const qreal trailing = trailingWidth();
    const QRectF trailingRect(content.right() - trailing, content.top(), trailing, content.height());
    qreal y = trailingRect.top();
    if (m_display.upcoming) {
        const qreal countdownHeight = PanelStyle::lineHeight(countdownFont());
        PanelStyle::drawLine(painter, QRectF(trailingRect.left(), y, trailing, countdownHeight), m_display.countdown,
            countdownFont(), withOpacity(accent, muted ? 0.45 : 0.95), Qt::AlignRight);
        y += countdownHeight + trailingSpacing;
        const qreal rangeHeight = PanelStyle::lineHeight(timeRangeFont());
        PanelStyle::drawLine(painter, QRectF(trailingRect.left(), y, trailing, rangeHeight), m_display.timeRange,
            timeRangeFont(), PanelStyle::white(muted ? 0.35 : 0.55), Qt::AlignRight);
    }
    if (m_button->isVisibleTo(this) && m_button->kind() == CircleActionButton::Kind::join) {
        QPainterPath disc;
        disc.addEllipse(QRectF(m_button->geometry()));
        drawDropShadow(painter, disc, withOpacity(accent, 0.4), 6, QPointF(0, 3));
    }

    const qreal left = content.left() + dotSize + dotSpacing;
    const qreal columnWidth = std::max(0.0, trailingRect.left() - minimumGap - left);
    y = content.top();
    const qreal titleHeight = PanelStyle::lineHeight(titleFont());
    PanelStyle::drawLine(painter, QRectF(left, y, columnWidth, titleHeight), meeting.title, titleFont(),
        PanelStyle::white(muted ? 0.5 : 1.0));
    y += titleHeight + columnSpacing;
    paintDetails(painter, QRectF(left, y, columnWidth, detailLineHeight()));
    y += detailLineHeight() + columnSpacing;
    if (const auto calendar = meeting.calendarDisplayName())
        PanelStyle::drawLine(painter, QRectF(left, y, columnWidth, PanelStyle::lineHeight(calendarFont())), *calendar,
            calendarFont(), PanelStyle::white(muted ? 0.28 : 0.4));
}

void FeaturedMeetingCard::paintDetails(QPainter& painter, const QRectF& line) const
{
    const MeetingSnapshot& meeting = m_display.meeting;
    const QColor detailColor = PanelStyle::white(m_display.muted ? 0.35 : 0.55);
    qreal x = line.left();
    const auto badgeTop = [&](qreal height) { return line.top() + (line.height() - height) / 2; };
    if (m_display.muted) {
        const QSizeF badge = PanelBadges::mutedBadgeSize();
        PanelBadges::paintMutedBadge(painter, QPointF(x, badgeTop(badge.height())));
        x += badge.width() + detailSpacing;
    }
    QStringList capsules = { label(meeting.kind()) };
    if (const auto service = joinServiceName(meeting.joinURL))
        capsules.append(*service);
    for (const QString& text : capsules) {
        const QSizeF capsule = PanelBadges::capsuleLabelSize(text);
        if (x + capsule.width() > line.right())
            return;
        PanelBadges::paintCapsuleLabel(painter, QPointF(x, badgeTop(capsule.height())), text);
        x += capsule.width() + detailSpacing;
    }
    // The countdown keeps its width; the place takes what is left.
    const QString countdown = m_isNow ? m_display.countdown : QString();
    const qreal countdownWidth = countdown.isEmpty() ? 0 : PanelStyle::textWidth(detailFont(), countdown);
    if (m_place) {
        const qreal room = line.right() - x - (countdownWidth > 0 ? countdownWidth + detailSpacing : 0);
        const qreal width = std::min(room, PanelStyle::textWidth(detailFont(), *m_place));
        if (width > 12) {
            PanelStyle::drawLine(
                painter, QRectF(x, line.top(), width, line.height()), *m_place, detailFont(), detailColor);
            x += width + detailSpacing;
        }
    }
    if (countdownWidth > 0)
        PanelStyle::drawLine(
            painter, QRectF(x, line.top(), line.right() - x, line.height()), countdown, detailFont(), detailColor);
}

void FeaturedMeetingCard::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    Q_EMIT hoverChanged(m_display.meeting.id, true);
}

void FeaturedMeetingCard::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    Q_EMIT hoverChanged(m_display.meeting.id, false);
}

} // namespace tolvar

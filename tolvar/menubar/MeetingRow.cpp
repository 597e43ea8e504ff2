#include "tolvar/menubar/MeetingRow.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelBadges.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/CalendarColor.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal horizontalPadding = 8;
constexpr qreal verticalPadding = 7;
constexpr qreal dotSize = 8;
constexpr qreal dotSpacing = 10;
constexpr qreal lineSpacing = 1;
constexpr qreal minimumGap = 8;
constexpr qreal kindSymbolSize = 9.5;

QFont titleFont()
{
    return PanelStyle::font(13, QFont::Medium);
}
FractionalFont calendarFont()
{
    return PanelStyle::fractionalFont(10.5);
}
QFont timeFont()
{
    return PanelStyle::font(12, QFont::Medium);
}

qreal metaLineHeight(bool muted)
{
    const qreal label = PanelStyle::lineHeight(calendarFont());
    return muted ? std::max(label, PanelBadges::mutedBadgeSize().height()) : label;
}
} // namespace

MeetingRow::MeetingRow(QWidget* parent)
    : QAbstractButton(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT activated(m_display.meeting); });
}

QString MeetingRow::kindSymbol(MeetingKind kind)
{
    switch (kind) {
    case MeetingKind::online:
        return QStringLiteral("video.fill");
    case MeetingKind::inPerson:
        return QStringLiteral("mappin.and.ellipse");
    case MeetingKind::hybrid:
        return QStringLiteral("person.2.wave.2.fill");
    case MeetingKind::calendarEvent:
        return QStringLiteral("calendar");
    case MeetingKind::task:
        return QStringLiteral("checklist");
    }
    return {};
}

void MeetingRow::setDisplay(const MeetingDisplay& display)
{
    if (m_display == display)
        return;
    const bool heightChanges = m_display.muted != display.muted
        || m_display.meeting.calendarDisplayName().has_value() != display.meeting.calendarDisplayName().has_value();
    m_display = display;
    setToolTip(muteHelpText(display.muted));
    QStringList spoken = { display.meeting.title };
    if (display.muted)
        spoken.append(platform::localized("Muted"));
    spoken.append(display.timeText);
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    setAccessibleDescription(muteAccessibilityHint(display.muted));
    if (heightChanges)
        updateGeometry();
    update();
}

bool MeetingRow::hasMetaLine() const
{
    return m_display.muted || m_display.meeting.calendarDisplayName().has_value();
}

QSize MeetingRow::sizeHint() const
{
    qreal height = PanelStyle::lineHeight(titleFont());
    if (hasMetaLine())
        height += lineSpacing + metaLineHeight(m_display.muted);
    return { PanelStyle::columnWidth, int(std::ceil(height + 2 * verticalPadding)) };
}

void MeetingRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Palette& palette = Palette::shared();
    const bool muted = m_display.muted;
    const QRectF bounds = rect();
    if (m_display.selected)
        PanelStyle::fillRounded(painter, bounds, 8, withOpacity(palette.teal, 0.16), withOpacity(palette.teal, 0.55));

    const QRectF content = bounds.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(calendarAccentColor(m_display.meeting.calendarTitle), muted ? 0.45 : 1.0));
    painter.drawEllipse(QRectF(content.left(), content.center().y() - dotSize / 2, dotSize, dotSize));

    const qreal timeWidth = PanelStyle::textWidth(timeFont(), m_display.timeText);
    const QRectF timeRect(content.right() - timeWidth, content.top(), timeWidth, content.height());
    PanelStyle::drawLine(painter, timeRect, m_display.timeText, timeFont(), PanelStyle::white(muted ? 0.32 : 0.5));

    const qreal left = content.left() + dotSize + dotSpacing;
    const qreal columnWidth = std::max(0.0, timeRect.left() - minimumGap - left);
    const qreal titleHeight = PanelStyle::lineHeight(titleFont());
    const qreal metaHeight = hasMetaLine() ? metaLineHeight(muted) : 0;
    const qreal columnHeight = titleHeight + (hasMetaLine() ? lineSpacing + metaHeight : 0);
    const qreal top = content.center().y() - columnHeight / 2;

    // Title line: the title gives way to the kind symbol.
    const qreal symbolWidth = muted ? 0 : kindSymbolSize + 5;
    const qreal titleWidth
        = std::min(PanelStyle::textWidth(titleFont(), m_display.meeting.title), columnWidth - symbolWidth);
    PanelStyle::drawLine(painter, QRectF(left, top, titleWidth, titleHeight), m_display.meeting.title, titleFont(),
        PanelStyle::white(muted ? 0.48 : 0.92));
    if (!muted)
        PanelStyle::paintSymbol(painter, kindSymbol(m_display.meeting.kind()),
            QRectF(left + titleWidth + 5, top, kindSymbolSize, titleHeight), kindSymbolSize, PanelStyle::white(0.45));

    if (!hasMetaLine())
        return;
    qreal x = left;
    const qreal metaTop = top + titleHeight + lineSpacing;
    if (muted) {
        const QSizeF badge = PanelBadges::mutedBadgeSize();
        PanelBadges::paintMutedBadge(painter, QPointF(x, metaTop + (metaHeight - badge.height()) / 2));
        x += badge.width() + 6;
    }
    if (const auto calendar = m_display.meeting.calendarDisplayName())
        PanelStyle::drawLine(painter, QRectF(x, metaTop, left + columnWidth - x, metaHeight), *calendar, calendarFont(),
            PanelStyle::white(muted ? 0.32 : 0.45));
}

void MeetingRow::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    Q_EMIT hoverChanged(m_display.meeting.id, true);
}

void MeetingRow::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    Q_EMIT hoverChanged(m_display.meeting.id, false);
}

} // namespace tolvar

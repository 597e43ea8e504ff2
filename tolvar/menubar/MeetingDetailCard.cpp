#include "tolvar/menubar/MeetingDetailCard.h"

#include "platform/text/Localized.h"
#include "platform/workspace/Workspace.h"
#include "tolvar/menubar/AttendeeListView.h"
#include "tolvar/menubar/DetailLinkButton.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/menubar/SymbolLabel.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/style/FractionalLabel.h"
#include "tolvar/style/Palette.h"

#include <QCollator>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvar {

namespace {
int replyRank(AttendeeRSVPStatus status)
{
    switch (status) {
    case AttendeeRSVPStatus::accepted:
        return 0;
    case AttendeeRSVPStatus::declined:
        return 1;
    case AttendeeRSVPStatus::tentative:
        return 2;
    case AttendeeRSVPStatus::noAnswer:
        break;
    }
    return 3;
}

QFont headingFont()
{
    QFont font = PanelStyle::font(10, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

QLabel* colored(QLabel* label, const QColor& color)
{
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, bool wraps)
{
    auto* label = new QLabel(text);
    label->setFont(font);
    label->setWordWrap(wraps);
    return colored(label, color);
}

bool isPresent(const std::optional<QString>& text)
{
    return text && !text->isEmpty();
}
} // namespace

QList<MeetingAttendee> sortedAttendees(const QList<MeetingAttendee>& attendees)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<MeetingAttendee> sorted = attendees;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const MeetingAttendee& a, const MeetingAttendee& b) {
        if (a.isCurrentUser != b.isCurrentUser)
            return a.isCurrentUser;
        if (a.status != b.status)
            return replyRank(a.status) < replyRank(b.status);
        return collator.compare(a.name, b.name) < 0;
    });
    return sorted;
}

MeetingDetailCard::MeetingDetailCard(platform::Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , m_workspace(workspace)
    , m_column(new QVBoxLayout(this))
{
    m_column->setContentsMargins(12, 10, 12, 10);
    m_column->setSpacing(6);
    m_column->setAlignment(Qt::AlignTop);
}

void MeetingDetailCard::setContent(const MeetingSnapshot& meeting, const QString& timeLabel, bool showAllAttendees)
{
    // The whole meeting counts: a new title or a changed reply redraws as surely as another meeting.
    if (m_hasContent && m_meeting == meeting && m_timeLabel == timeLabel && m_showAllAttendees == showAllAttendees)
        return;
    m_hasContent = true;
    m_meeting = meeting;
    m_timeLabel = timeLabel;
    m_showAllAttendees = showAllAttendees;
    rebuild();
}

QList<MeetingAttendee> MeetingDetailCard::visibleAttendees() const
{
    const QList<MeetingAttendee> sorted = sortedAttendees(m_meeting.attendees);
    return m_showAllAttendees ? sorted : sorted.mid(0, m_maxVisibleAttendees);
}

qsizetype MeetingDetailCard::hiddenAttendeeCount() const
{
    return m_meeting.attendees.size() - visibleAttendees().size();
}

void MeetingDetailCard::rebuild()
{
    while (QLayoutItem* item = m_column->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_locationButton = m_moreButton = m_openInCalendarButton = nullptr;
    m_expandedListHeight = 0;
    const Palette& palette = Palette::shared();

    addText(m_meeting.title, PanelStyle::font(13, QFont::DemiBold), Qt::white, true);
    addText(m_timeLabel, PanelStyle::font(11, QFont::Medium), PanelStyle::white(0.62), false);
    if (isPresent(m_meeting.recurrenceLabel)) {
        const QColor color = PanelStyle::white(0.7);
        m_column->addWidget(new SymbolLabel(
            QStringLiteral("repeat"), 11, color, *m_meeting.recurrenceLabel, PanelStyle::font(11), color));
    }
    if (const auto place = placeName(m_meeting.location)) {
        QFont font = PanelStyle::font(11);
        font.setUnderline(true);
        m_locationButton = new DetailLinkButton(font, withOpacity(palette.teal, 0.9));
        m_locationButton->setContent(QStringLiteral("mappin.and.ellipse"), *place);
        m_locationButton->setAccessibleName(platform::localizedFormat("Open %@ in Google Maps", { *place }));
        connect(m_locationButton, &QAbstractButton::clicked, this, &MeetingDetailCard::openMap);
        m_column->addWidget(m_locationButton);
    }
    if (const auto calendar = m_meeting.calendarDisplayName())
        m_column->addWidget(
            colored(new FractionalLabel(*calendar, PanelStyle::fractionalFont(10.5)), PanelStyle::white(0.45)));
    if (const auto service = joinServiceName(m_meeting.joinURL))
        addText(*service, PanelStyle::font(10, QFont::DemiBold), PanelStyle::white(0.55), false);
    if (isPresent(m_meeting.organizerName))
        addOrganizer(*m_meeting.organizerName);
    if (!m_meeting.attendees.isEmpty())
        addAttendees();
    if (!m_meeting.isTask) {
        m_openInCalendarButton
            = new DetailLinkButton(PanelStyle::font(10, QFont::DemiBold), withOpacity(palette.teal, 0.9));
        m_openInCalendarButton->setContent(QStringLiteral("calendar"), platform::localized("Open in Calendar"));
        m_openInCalendarButton->setAccessibleName(
            platform::localizedFormat("Open %@ in Calendar", { m_meeting.title }));
        connect(m_openInCalendarButton, &QAbstractButton::clicked, this,
            [this] { Q_EMIT openInCalendarRequested(m_meeting); });
        m_column->addSpacing(4);
        m_column->addWidget(m_openInCalendarButton, 0, Qt::AlignLeft);
    }
    setAccessibleName(accessibilitySummary());
    updateGeometry();
    update();
}

void MeetingDetailCard::addText(const QString& text, const QFont& font, const QColor& color, bool wraps)
{
    m_column->addWidget(makeLabel(text, font, color, wraps));
}

void MeetingDetailCard::addOrganizer(const QString& name)
{
    auto* group = new QWidget;
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(4);
    column->addWidget(makeLabel(platform::localized("Organizer"), headingFont(), PanelStyle::white(0.45), false));
    column->addWidget(new SymbolLabel(QStringLiteral("person.fill"), 10, PanelStyle::white(0.55), name,
        PanelStyle::font(11), PanelStyle::white(0.82), 12));
    m_column->addWidget(group);
}

void MeetingDetailCard::addAttendees()
{
    const QList<MeetingAttendee> visible = visibleAttendees();
    auto* group = new QWidget;
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    QLabel* heading
        = makeLabel(platform::localizedFormat("Attendees · %d", { QString::number(m_meeting.attendees.size()) }),
            headingFont(), PanelStyle::white(0.45), false);
    heading->setContentsMargins(0, isPresent(m_meeting.organizerName) ? 0 : 4, 0, 0);
    column->addWidget(heading);

    auto* list = new AttendeeListView;
    list->setAttendees(visible);
    if (m_showAllAttendees) {
        // A fixed height from the count, not measured; the list scrolls within it.
        m_expandedListHeight = std::min(m_maxExpandedAttendeesHeight, AttendeeListView::heightFor(visible.size()));
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        PanelStyle::setUpVerticalScrollArea(*scroll);
        scroll->setWidget(list);
        list->setAutoFillBackground(false);
        scroll->setFixedHeight(m_expandedListHeight);
        column->addWidget(scroll);
    } else {
        column->addWidget(list);
    }

    if (const qsizetype hidden = hiddenAttendeeCount(); hidden > 0) {
        m_moreButton
            = new DetailLinkButton(PanelStyle::font(10, QFont::DemiBold), withOpacity(Palette::shared().teal, 0.9));
        m_moreButton->setContent({}, platform::localizedFormat("+%d more", { QString::number(hidden) }));
        m_moreButton->setAccessibleName(
            platform::localizedFormat("Show all %d attendees", { QString::number(m_meeting.attendees.size()) }));
        connect(m_moreButton, &QAbstractButton::clicked, this, &MeetingDetailCard::showAllAttendeesRequested);
        column->addWidget(m_moreButton, 0, Qt::AlignLeft);
    }
    m_column->addWidget(group);
}

void MeetingDetailCard::openMap()
{
    if (const auto place = placeName(m_meeting.location)) {
        if (const auto url = MeetingSnapshot::mapSearchURL(*place))
            m_workspace.openUrl(*url);
    }
}

QString MeetingDetailCard::accessibilitySummary() const
{
    QStringList parts = { m_meeting.title, m_timeLabel };
    if (isPresent(m_meeting.recurrenceLabel))
        parts.append(*m_meeting.recurrenceLabel);
    if (const auto place = placeName(m_meeting.location))
        parts.append(*place);
    if (const auto calendar = m_meeting.calendarDisplayName())
        parts.append(*calendar);
    if (isPresent(m_meeting.organizerName))
        parts.append(platform::localizedFormat("Organizer: %@", { *m_meeting.organizerName }));
    if (!m_meeting.attendees.isEmpty()) {
        QStringList people;
        for (const MeetingAttendee& attendee : visibleAttendees())
            people.append(attendee.displayName() + QLatin1Char(' ') + displayName(attendee.status));
        parts.append(platform::localizedFormat("Attendees: %@", { people.join(QStringLiteral(", ")) }));
    }
    return parts.join(QStringLiteral(", "));
}

void MeetingDetailCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Palette& palette = Palette::shared();
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, palette.backgroundTop);
    gradient.setColorAt(1, palette.backgroundBottom);
    PanelStyle::fillRounded(painter, QRectF(rect()), 12, gradient, withOpacity(palette.teal, 0.35));
}

void MeetingDetailCard::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    Q_EMIT hoverChanged(true);
}

void MeetingDetailCard::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    Q_EMIT hoverChanged(false);
}

} // namespace tolvar

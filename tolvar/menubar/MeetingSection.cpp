#include "tolvar/menubar/MeetingSection.h"

#include "tolvar/menubar/FeaturedMeetingCard.h"
#include "tolvar/menubar/MeetingRow.h"
#include "tolvar/menubar/SectionHeader.h"

#include <QEvent>
#include <QVBoxLayout>

namespace tolvar {

MeetingSection::MeetingSection(Style style, int spacing, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_layout(new QVBoxLayout(this))
    , m_header(new SectionHeader(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(spacing);
    m_layout->addWidget(m_header);
}

void MeetingSection::setTitle(const QString& text, const QColor& color)
{
    m_header->setTitle(text, color);
}

void MeetingSection::setMeetings(const QList<MeetingDisplay>& meetings)
{
    QStringList ids;
    for (const MeetingDisplay& display : meetings)
        ids.append(display.meeting.id);
    if (ids != m_ids) {
        qDeleteAll(m_items);
        m_items.clear();
        for (qsizetype i = 0; i < meetings.size(); ++i) {
            QWidget* item = makeItem();
            m_layout->addWidget(item);
            m_items.append(item);
        }
        m_ids = ids;
        Q_EMIT itemGeometryChanged();
    }
    for (qsizetype i = 0; i < meetings.size(); ++i)
        setItemDisplay(m_items[i], meetings[i]);
}

QWidget* MeetingSection::makeItem()
{
    QWidget* item = nullptr;
    if (m_style == Style::rows) {
        auto* row = new MeetingRow(this);
        connect(row, &MeetingRow::activated, this, &MeetingSection::activated);
        connect(row, &MeetingRow::hoverChanged, this, &MeetingSection::hoverChanged);
        item = row;
    } else {
        auto* card = new FeaturedMeetingCard(m_style == Style::nowCards, this);
        connect(card, &FeaturedMeetingCard::activated, this, &MeetingSection::activated);
        connect(card, &FeaturedMeetingCard::hoverChanged, this, &MeetingSection::hoverChanged);
        item = card;
    }
    item->installEventFilter(this);
    return item;
}

void MeetingSection::setItemDisplay(QWidget* item, const MeetingDisplay& display)
{
    if (m_style == Style::rows)
        static_cast<MeetingRow*>(item)->setDisplay(display);
    else
        static_cast<FeaturedMeetingCard*>(item)->setDisplay(display);
}

QHash<QString, QRectF> MeetingSection::itemFrames(const QWidget* ancestor) const
{
    QHash<QString, QRectF> frames;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const QWidget* item = m_items[i];
        frames.insert(m_ids[i], QRectF(QRect(item->mapTo(ancestor, QPoint(0, 0)), item->size())));
    }
    return frames;
}

bool MeetingSection::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        Q_EMIT itemGeometryChanged();
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvar

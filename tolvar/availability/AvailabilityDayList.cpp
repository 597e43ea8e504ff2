#include "tolvar/availability/AvailabilityDayList.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/PaintedToolTip.h"
#include "tolvar/style/PaintedWidgetAccessible.h"
#include "tolvar/style/Palette.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tolvar {

namespace {

using PanelStyle::white;

constexpr qreal verticalPadding = 12;
constexpr qreal sectionSpacing = 14;
constexpr qreal titleSpacing = 8;
constexpr qreal chipPaddingX = 10;
constexpr qreal chipPaddingY = 6;

QFont titleFont()
{
    QFont font = overlayFont(11, QFont::Bold);
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

QFont chipFont()
{
    return overlayFont(11, QFont::DemiBold);
}

// DejaVu runs wider than the font the chips were drawn for: a label may shrink a little to stay on one
// line, and wraps once when that is not enough.
WrappedText chipText(const QString& label, qreal width)
{
    WrappedText oneLine = WrappedText::make(label, chipFont(), width, 1, 0.85);
    if (oneLine.lines.value(0) == label)
        return oneLine;
    return WrappedText::make(label, chipFont(), width, 2);
}

struct ChipColors
{
    QColor text;
    QColor fill;
    QColor outline;
};

ChipColors chipColors(AvailabilitySlot::Kind kind, bool isSelected)
{
    const Palette& palette = Palette::shared();
    switch (kind) {
    case AvailabilitySlot::Kind::free:
        if (isSelected)
            return { QColor::fromRgbF(0, 0, 0, 0.85f), palette.teal, withOpacity(palette.teal, 0.9) };
        return { white(0.88), white(0.08), white(0.12) };
    case AvailabilitySlot::Kind::busy:
        return { withOpacity(palette.red, 0.9), withOpacity(palette.red, 0.16), withOpacity(palette.red, 0.4) };
    case AvailabilitySlot::Kind::past:
        break;
    }
    return { white(0.32), white(0.04), white(0.08) };
}

} // namespace

AvailabilityDayList::AvailabilityDayList(ChipTexts texts, QWidget* parent)
    : QWidget(parent)
    , m_texts(std::move(texts))
{
    PaintedWidgetAccessible::install();
    setAttribute(Qt::WA_TranslucentBackground);
}

void AvailabilityDayList::setContent(QList<Section> sections, QSet<QString> selectedIDs)
{
    m_sections = std::move(sections);
    m_selectedIDs = std::move(selectedIDs);
    relayout();
}

void AvailabilityDayList::setContentWidth(qreal width)
{
    m_contentWidth = width;
    relayout();
}

int AvailabilityDayList::columnCount() const
{
    const qreal available = m_contentWidth;
    return std::max(1, int(std::floor((available + chipSpacing) / (minimumChipWidth + chipSpacing))));
}

void AvailabilityDayList::relayout()
{
    m_titles.clear();
    m_chips.clear();
    const qreal contentWidth = m_contentWidth;
    const int columns = columnCount();
    const qreal chipWidth = (contentWidth - (columns - 1) * chipSpacing) / columns;
    const qreal titleHeight = QFontMetricsF(titleFont()).height();
    qreal y = verticalPadding;
    for (const Section& section : m_sections) {
        if (&section != &m_sections.first())
            y += sectionSpacing;
        m_titles.append({ section.title, QRectF(sidePadding, y, contentWidth, titleHeight) });
        y += titleHeight + titleSpacing;
        // A row is as tall as its tallest chip; a label too wide for a chip wraps once.
        for (qsizetype first = 0; first < section.daySlots.size(); first += columns) {
            const qsizetype rowStart = m_chips.size();
            qreal rowHeight = 0;
            for (qsizetype i = first; i < std::min(first + columns, section.daySlots.size()); ++i) {
                const AvailabilitySlot& slot = section.daySlots[i];
                WrappedText text = chipText(m_texts.label(slot), chipWidth - 2 * chipPaddingX);
                rowHeight = std::max(rowHeight, text.height() + 2 * chipPaddingY);
                const qreal x = sidePadding + (i - first) * (chipWidth + chipSpacing);
                m_chips.append({ slot, QRectF(x, y, chipWidth, 0), std::move(text) });
            }
            for (qsizetype i = rowStart; i < m_chips.size(); ++i)
                m_chips[i].rect.setHeight(rowHeight);
            y += rowHeight;
            if (first + columns < section.daySlots.size())
                y += chipSpacing;
        }
    }
    y += verticalPadding;
    setMinimumHeight(int(std::ceil(y)));
    setMaximumHeight(int(std::ceil(y)));
    update();
}

QRectF AvailabilityDayList::chipRect(const QString& slotID) const
{
    for (const Chip& chip : m_chips) {
        if (chip.slot.id() == slotID)
            return chip.rect;
    }
    return {};
}

QString AvailabilityDayList::accessibleLabel(const AvailabilitySlot& slot) const
{
    return platform::localizedFormat("%@, %@", { m_texts.label(slot), m_texts.help(slot) });
}

QList<PaintedElement> AvailabilityDayList::accessibleElements() const
{
    QList<PaintedElement> elements;
    for (const Title& title : m_titles)
        elements.append(PaintedElement::text(QStringLiteral("title:") + title.text, title.text, title.rect));
    for (const Chip& chip : m_chips) {
        const QString id = chip.slot.id();
        PaintedElement element = PaintedElement::button(id, accessibleLabel(chip.slot), chip.rect,
            chip.slot.kind == AvailabilitySlot::Kind::free, m_selectedIDs.contains(id));
        element.toolTip = m_texts.help(chip.slot);
        elements.append(element);
    }
    return elements;
}

void AvailabilityDayList::pressAccessibleElement(const QString& id)
{
    for (const Chip& chip : m_chips) {
        if (chip.slot.id() == id && chip.slot.kind == AvailabilitySlot::Kind::free && m_onToggle) {
            m_onToggle(chip.slot, m_selectedIDs.contains(id));
            return;
        }
    }
}

const AvailabilityDayList::Chip* AvailabilityDayList::chipAt(const QPointF& point) const
{
    for (const Chip& chip : m_chips) {
        if (chip.rect.contains(point))
            return &chip;
    }
    return nullptr;
}

void AvailabilityDayList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void AvailabilityDayList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(titleFont());
    painter.setPen(white(0.55));
    for (const Title& title : m_titles)
        painter.drawText(title.rect, Qt::AlignLeft | Qt::AlignVCenter, title.text);

    for (const Chip& chip : m_chips) {
        const bool isSelected = m_selectedIDs.contains(chip.slot.id());
        const ChipColors colors = chipColors(chip.slot.kind, isSelected);
        const qreal radius = chip.rect.height() / 2;
        fillOutlined(painter, chip.rect, radius, colors.fill, QPen(colors.outline, 1));
        const QRectF text = chip.rect.adjusted(chipPaddingX, chipPaddingY, -chipPaddingX, -chipPaddingY);
        const qreal top = text.center().y() - chip.text.height() / 2;
        chip.text.paint(
            painter, QRectF(text.left(), top, text.width(), chip.text.height()), Qt::AlignHCenter, colors.text);
    }
}

void AvailabilityDayList::mousePressEvent(QMouseEvent* event)
{
    const Chip* chip = chipAt(event->position());
    m_pressedID = chip && chip->slot.kind == AvailabilitySlot::Kind::free ? chip->slot.id() : QString();
    if (m_pressedID.isEmpty())
        event->ignore();
}

void AvailabilityDayList::mouseReleaseEvent(QMouseEvent* event)
{
    const QString pressed = std::exchange(m_pressedID, QString());
    const Chip* chip = chipAt(event->position());
    if (pressed.isEmpty() || !chip || chip->slot.id() != pressed) {
        event->ignore();
        return;
    }
    if (m_onToggle)
        m_onToggle(chip->slot, m_selectedIDs.contains(pressed));
}

bool AvailabilityDayList::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto& help = *static_cast<QHelpEvent*>(event);
    const Chip* chip = chipAt(help.pos());
    showPaintedToolTip(*this, help, chip ? chip->rect : QRectF(), chip ? m_texts.help(chip->slot) : QString());
    return true;
}

} // namespace tolvar

#include "tolvar/availability/AvailabilityShareView.h"

#include "platform/text/Localized.h"
#include "tolvar/availability/AvailabilityDayGroup.h"
#include "tolvar/availability/AvailabilityDayList.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/PaintedToolTip.h"
#include "tolvar/style/PaintedWidgetAccessible.h"
#include "tolvar/style/Palette.h"
#include "tolvar/style/PrimaryActionButton.h"
#include "tolvar/style/WrappedText.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace tolvar {

namespace {

using PanelStyle::white;

constexpr qreal sidePadding = 16;
constexpr qreal controlHeight = 24;
constexpr qreal previewBoxHeight = 110;
constexpr qreal previewBoxPadding = 10;

QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
}

QFont smallLabelFont()
{
    return overlayFont(11, QFont::Medium);
}

QFont previewHeadingFont()
{
    QFont font = overlayFont(10, QFont::Bold);
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return font;
}

QFont doneFont()
{
    return overlayFont(13, QFont::DemiBold);
}

// The pickers are real widgets, so that they take the keyboard; they get the card's dark look.
QString pickerStyle()
{
    return QStringLiteral(
        "QComboBox { background: %1; color: %2; border: 1px solid %3; border-radius: 6px; padding: 1px 8px;"
        " font-size: 12px; }"
        "QComboBox:focus { border-color: %4; }"
        "QComboBox::drop-down { border: none; width: 18px; }"
        "QComboBox QAbstractItemView { background: #1a2230; color: white; selection-background-color: %4;"
        " selection-color: black; border: 1px solid %3; }"
        "QPushButton#segment { background: %1; color: %5; border: 1px solid %3; padding: 2px; font-size: 12px; }"
        "QPushButton#segment:checked { background: %6; color: white; }"
        "QPushButton#segment:focus { border-color: %4; }"
        "QPushButton#myTimeZone { background: transparent; border: none; color: %4; font-size: 11px;"
        " font-weight: 600; padding: 0px 2px; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 1px; }"
        "QScrollBar::handle:vertical { background: %7; border-radius: 3px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
        .arg(rgba(white(0.08)), rgba(white(0.9)), rgba(white(0.14)), rgba(Palette::shared().teal), rgba(white(0.7)),
            rgba(white(0.22)), rgba(white(0.3)));
}

// A picker with the chevron that the style sheet's plain look leaves out.
class PickerComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QComboBox::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(white(0.6), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF centre(width() - 11, height() / 2.0);
        painter.drawPolyline(
            QPolygonF({ centre + QPointF(-3.5, -1.5), centre + QPointF(0, 2), centre + QPointF(3.5, -1.5) }));
    }
};

void drawEmptyCalendar(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    const QRectF page = box.adjusted(0, box.height() * 0.12, -box.width() * 0.18, -box.height() * 0.08);
    painter.drawRoundedRect(page, 4, 4);
    painter.drawLine(QPointF(page.left(), page.top() + page.height() * 0.28),
        QPointF(page.right(), page.top() + page.height() * 0.28));
    for (const qreal x : { 0.3, 0.7 })
        painter.drawLine(QPointF(page.left() + page.width() * x, box.top()),
            QPointF(page.left() + page.width() * x, page.top() + 3));
    // The badge: a filled circle with an exclamation mark cut out of it.
    const qreal badge = box.width() * 0.46;
    const QRectF circle(box.right() - badge, box.bottom() - badge, badge, badge);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(circle);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(circle.center().x() - 1.2, circle.top() + badge * 0.2, 2.4, badge * 0.38), 1.2, 1.2);
    painter.drawEllipse(QPointF(circle.center().x(), circle.bottom() - badge * 0.22), 1.4, 1.4);
    painter.restore();
}

} // namespace

struct AvailabilityShareView::Layout
{
    QRectF header;
    QRectF badge;
    QRectF title;
    QRectF closeButton;
    qreal headerDivider = 0;
    QRectF durationPicker;
    QRectF fromLabel;
    QRectF fromPicker;
    QRectF toLabel;
    QRectF toPicker;
    QRectF zoneLabel;
    QRectF zonePicker;
    QRectF myTimeZoneButton;
    QList<std::pair<QRectF, QRectF>> legend;
    qreal controlsDivider = 0;
    QRectF dayList;
    qreal previewDivider = 0;
    QRectF previewHeading;
    QRectF messageBox;
    ButtonLabel copy;
    QRectF copyButton;
    ButtonLabel done;
    QRectF doneButton;
};

AvailabilityShareView::AvailabilityShareView(QList<MeetingSnapshot> meetings, std::function<void()> onDismiss,
    platform::Clock& clock, QWidget* parent, QTimeZone systemZone, QLocale locale)
    : QWidget(parent)
    , m_onDismiss(std::move(onDismiss))
    , m_clock(clock)
    , m_selection(std::move(meetings), clock, std::move(systemZone), std::move(locale))
{
    PaintedWidgetAccessible::install();
    setFixedSize(cardWidth, cardHeight);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(pickerStyle());
    buildControls();
    placeControls();
    refresh();
}

AvailabilityShareView::~AvailabilityShareView() = default;

void AvailabilityShareView::buildControls()
{
    m_durationPicker = new QButtonGroup(this);
    const QList<AvailabilitySlotDuration> durations = allAvailabilitySlotDurations();
    for (int i = 0; i < durations.size(); ++i) {
        auto* segment
            = new QPushButton(durations[i] == AvailabilitySlotDuration::oneHour ? platform::localized("1 hour")
                                                                                : platform::localized("30 min"),
                this);
        segment->setObjectName(QStringLiteral("segment"));
        segment->setStyleSheet(i == 0
                ? QStringLiteral("border-top-left-radius: 6px; border-bottom-left-radius: 6px;")
                : QStringLiteral("border-top-right-radius: 6px; border-bottom-right-radius: 6px;"));
        segment->setCheckable(true);
        segment->setAccessibleName(platform::localized("Slot length"));
        m_durationPicker->addButton(segment, i);
    }
    connect(m_durationPicker, &QButtonGroup::idClicked, this,
        [this](int id) { setSlotDuration(allAvailabilitySlotDurations().value(id)); });

    m_fromPicker = new PickerComboBox(this);
    m_fromPicker->setAccessibleName(platform::localized("From"));
    m_toPicker = new PickerComboBox(this);
    m_toPicker->setAccessibleName(platform::localized("To"));
    connect(m_fromPicker, &QComboBox::activated, this,
        [this](int index) { setWorkStartHour(m_fromPicker->itemData(index).toInt()); });
    connect(m_toPicker, &QComboBox::activated, this,
        [this](int index) { setWorkEndHour(m_toPicker->itemData(index).toInt()); });

    m_zonePicker = new PickerComboBox(this);
    m_zonePicker->setAccessibleName(platform::localized("Timezone"));
    const platform::Date now = m_clock.now();
    for (const AvailabilityDisplayTimeZone& option : AvailabilityDisplayTimeZone::options())
        m_zonePicker->addItem(option.label(m_selection.systemZone(), now), option.id());
    connect(m_zonePicker, &QComboBox::activated, this, [this](int index) {
        const QList<AvailabilityDisplayTimeZone>& options = AvailabilityDisplayTimeZone::options();
        if (index >= 0 && index < options.size())
            setDisplayZone(options[index]);
    });

    m_myTimeZoneButton = new QPushButton(platform::localized("My timezone"), this);
    m_myTimeZoneButton->setObjectName(QStringLiteral("myTimeZone"));
    m_myTimeZoneButton->setCursor(Qt::PointingHandCursor);
    connect(m_myTimeZoneButton, &QPushButton::clicked, this,
        [this] { setDisplayZone(AvailabilityDisplayTimeZone::system()); });

    m_dayList = new AvailabilityDayList({ [this](const AvailabilitySlot& slot) { return chipLabel(slot); },
        [](const AvailabilitySlot& slot) { return helpText(slot); } });
    m_dayList->setContentWidth(cardWidth - 2 * sidePadding);
    m_dayList->setOnToggle([this](const AvailabilitySlot& slot, bool isSelected) { toggle(slot, isSelected); });
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    m_scrollArea->viewport()->setStyleSheet(QStringLiteral("background: transparent;"));
    m_scrollArea->setWidget(m_dayList);

    m_messageBox = new QPlainTextEdit(this);
    m_messageBox->setReadOnly(true);
    m_messageBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_messageBox->setFrameShape(QFrame::NoFrame);
    m_messageBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_messageBox->viewport()->setAutoFillBackground(false);
    m_messageBox->document()->setDocumentMargin(0);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    mono.setWeight(QFont::Normal);
    m_messageBox->setFont(mono);
    m_messageBox->setPlaceholderText(platform::localized("Select free slots to build a message."));
    QPalette colors = m_messageBox->palette();
    colors.setColor(QPalette::Text, white(0.82));
    colors.setColor(QPalette::PlaceholderText, white(0.35));
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Highlight, withOpacity(Palette::shared().teal, 0.45));
    m_messageBox->setPalette(colors);
    m_messageBox->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
}

AvailabilityShareView::Layout AvailabilityShareView::layout() const
{
    Layout layout;
    const qreal contentWidth = cardWidth - 2 * sidePadding;
    // Header.
    layout.header = QRectF(0, 0, cardWidth, 12 + controlHeight + 12);
    const qreal headerMid = layout.header.center().y();
    layout.badge = QRectF(sidePadding, headerMid - 7, 14, 14);
    layout.closeButton = QRectF(cardWidth - sidePadding - 24, headerMid - 12, 24, 24);
    layout.title = QRectF(
        layout.badge.right() + 10, 12, layout.closeButton.left() - 10 - layout.badge.right() - 10, controlHeight);
    layout.headerDivider = layout.header.bottom();

    // Controls.
    qreal y = layout.headerDivider + 1 + 12;
    layout.durationPicker = QRectF(sidePadding, y, contentWidth, controlHeight);
    y += controlHeight + 10;
    const QFontMetricsF small(smallLabelFont());
    qreal x = sidePadding;
    layout.fromLabel = QRectF(x, y, small.horizontalAdvance(platform::localized("From")) + 1, controlHeight);
    layout.fromPicker = QRectF(layout.fromLabel.right() + 6, y, 88, controlHeight);
    x = layout.fromPicker.right() + 12;
    layout.toLabel = QRectF(x, y, small.horizontalAdvance(platform::localized("To")) + 1, controlHeight);
    layout.toPicker = QRectF(layout.toLabel.right() + 6, y, 88, controlHeight);
    y += controlHeight + 10;
    layout.zoneLabel
        = QRectF(sidePadding, y, small.horizontalAdvance(platform::localized("Show times as")) + 1, controlHeight);
    const qreal zoneWidth = std::min<qreal>(220, m_zonePicker->sizeHint().width());
    layout.zonePicker = QRectF(layout.zoneLabel.right() + 8, y, zoneWidth, controlHeight);
    layout.myTimeZoneButton
        = QRectF(layout.zonePicker.right() + 8, y, m_myTimeZoneButton->sizeHint().width(), controlHeight);
    y += controlHeight + 10;
    const QFontMetricsF legendMetrics(overlayFont(10, QFont::Medium));
    const qreal legendHeight = legendMetrics.height();
    x = sidePadding;
    for (const char* item : { "Free", "Busy", "Past" }) {
        const QRectF dot(x, y + (legendHeight - 7) / 2, 7, 7);
        const QRectF label(
            dot.right() + 5, y, legendMetrics.horizontalAdvance(platform::localized(item)) + 1, legendHeight);
        layout.legend.append({ dot, label });
        x = label.right() + 12;
    }
    y += legendHeight + 12;
    layout.controlsDivider = y;

    // Preview, from the bottom up.
    layout.copy = m_didCopy
        ? ButtonLabel { platform::localized("Copied"), Symbol::checkmark, PrimaryActionButton::defaultFont(), {} }
        : ButtonLabel { platform::localized("Copy"), Symbol::documents, PrimaryActionButton::defaultFont(), {} };
    const QSizeF copySize = PrimaryActionButton(Palette::shared().teal).size(layout.copy);
    layout.done = ButtonLabel { platform::localized("Done"), Symbol::none, doneFont(), QMarginsF(14, 8, 14, 8) };
    const QSizeF doneSize = layout.done.size();
    const qreal footerHeight = std::max(copySize.height(), doneSize.height());
    const qreal footerTop = cardHeight - 16 - footerHeight;
    layout.copyButton = QRectF(QPointF(sidePadding, footerTop + (footerHeight - copySize.height()) / 2), copySize);
    layout.doneButton = QRectF(
        QPointF(cardWidth - sidePadding - doneSize.width(), footerTop + (footerHeight - doneSize.height()) / 2),
        doneSize);
    const qreal boxHeight = previewBoxHeight + 2 * previewBoxPadding;
    layout.messageBox = QRectF(sidePadding, footerTop - 10 - boxHeight, contentWidth, boxHeight);
    const qreal headingHeight = QFontMetricsF(previewHeadingFont()).height();
    layout.previewHeading
        = QRectF(sidePadding, layout.messageBox.top() - 10 - headingHeight, contentWidth, headingHeight);
    layout.previewDivider = layout.previewHeading.top() - 16 - 1;

    layout.dayList
        = QRectF(0, layout.controlsDivider + 1, cardWidth, layout.previewDivider - layout.controlsDivider - 1);
    return layout;
}

void AvailabilityShareView::placeControls()
{
    const Layout layout = this->layout();
    const QRectF picker = layout.durationPicker;
    const QList<QAbstractButton*> segments = m_durationPicker->buttons();
    const qreal segmentWidth = picker.width() / segments.size();
    for (int i = 0; i < segments.size(); ++i)
        segments[i]->setGeometry(
            QRectF(picker.left() + i * segmentWidth, picker.top(), segmentWidth, picker.height()).toRect());
    m_fromPicker->setGeometry(layout.fromPicker.toRect());
    m_toPicker->setGeometry(layout.toPicker.toRect());
    m_zonePicker->setGeometry(layout.zonePicker.toRect());
    m_myTimeZoneButton->setGeometry(layout.myTimeZoneButton.toRect());
    m_scrollArea->setGeometry(layout.dayList.toRect());
    m_messageBox->setGeometry(
        layout.messageBox.adjusted(previewBoxPadding, previewBoxPadding, -previewBoxPadding, -previewBoxPadding)
            .toRect());
}

void AvailabilityShareView::setSlotDuration(AvailabilitySlotDuration duration)
{
    if (m_selection.setSlotDuration(duration))
        refresh();
}

void AvailabilityShareView::setWorkStartHour(int hour)
{
    if (m_selection.setWorkStartHour(hour))
        refresh();
}

void AvailabilityShareView::setWorkEndHour(int hour)
{
    if (m_selection.setWorkEndHour(hour))
        refresh();
}

void AvailabilityShareView::setDisplayZone(const AvailabilityDisplayTimeZone& zone)
{
    m_selection.setDisplayZone(zone);
    refresh();
}

void AvailabilityShareView::toggle(const AvailabilitySlot& slot, bool isSelected)
{
    if (m_selection.toggle(slot, isSelected))
        refresh();
}

void AvailabilityShareView::pruneSelection()
{
    m_selection.prune();
    refresh();
}

void AvailabilityShareView::copyMessage()
{
    const QString text = message().trimmed();
    if (text.isEmpty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
    m_didCopy = true;
    update();
    // Each copy ends its own "Copied"; an earlier copy's reset is not put off by a later one.
    m_clock.singleShot(copiedLabelSeconds, this, [this] {
        m_didCopy = false;
        update();
    });
}

void AvailabilityShareView::dismiss()
{
    if (m_onDismiss)
        m_onDismiss();
}

QString AvailabilityShareView::helpText(const AvailabilitySlot& slot)
{
    switch (slot.kind) {
    case AvailabilitySlot::Kind::free:
        return platform::localized("Free — click to include");
    case AvailabilitySlot::Kind::busy:
        return platform::localized("Busy — not available");
    case AvailabilitySlot::Kind::past:
        break;
    }
    return platform::localized("Past — not available");
}

QRectF AvailabilityShareView::chipRect(const QString& slotID) const
{
    const QRectF chip = m_dayList->chipRect(slotID);
    if (chip.isNull())
        return {};
    return chip.translated(m_dayList->mapTo(this, QPoint(0, 0)));
}

QRectF AvailabilityShareView::copyButtonRect() const
{
    return layout().copyButton;
}

QRectF AvailabilityShareView::doneButtonRect() const
{
    return layout().doneButton;
}

QRectF AvailabilityShareView::closeButtonRect() const
{
    return layout().closeButton;
}

QList<PaintedElement> AvailabilityShareView::accessibleElements() const
{
    const Layout layout = this->layout();
    PaintedElement close
        = PaintedElement::button(QStringLiteral("close"), platform::localized("Close"), layout.closeButton);
    close.toolTip = close.name;
    return {
        PaintedElement::text(QStringLiteral("title"), platform::localized("Share free time"), layout.title),
        close,
        PaintedElement::text(QStringLiteral("preview"), platform::localized("Message preview"), layout.previewHeading),
        PaintedElement::button(QStringLiteral("copy"), layout.copy.title, layout.copyButton, canCopy()),
        PaintedElement::button(QStringLiteral("done"), layout.done.title, layout.doneButton),
    };
}

void AvailabilityShareView::pressAccessibleElement(const QString& id)
{
    if (id == QLatin1String("copy"))
        copyMessage();
    else if (id == QLatin1String("close") || id == QLatin1String("done"))
        dismiss();
}

bool AvailabilityShareView::canCopy() const
{
    return !selectedSlots().isEmpty();
}

void AvailabilityShareView::refreshHourPickers()
{
    const auto fill = [](QComboBox* picker, int first, int last, int current) {
        const QSignalBlocker blocker(picker);
        picker->clear();
        for (int hour = first; hour <= last; ++hour) {
            picker->addItem(QString::asprintf("%02d:00", hour), hour);
            if (hour == current)
                picker->setCurrentIndex(picker->count() - 1);
        }
    };
    const int start = m_selection.workStartHour();
    const int end = m_selection.workEndHour();
    fill(m_fromPicker, 0, end - 1, start);
    fill(m_toPicker, start + 1, 23, end);
}

void AvailabilityShareView::refresh()
{
    const QList<AvailabilitySlot> grid = allSlots();
    QList<AvailabilityDayList::Section> sections;
    for (const AvailabilityDayGroup& group : groupSlotsByDay(grid, m_selection.systemZone()))
        sections.append({ dayTitle(group.day), group.daySlots });
    m_dayList->setContent(sections, m_selection.selectedIDs());
    m_scrollArea->setVisible(!grid.isEmpty());

    m_durationPicker->button(int(allAvailabilitySlotDurations().indexOf(m_selection.slotDuration())))->setChecked(true);
    refreshHourPickers();
    const QSignalBlocker blocker(m_zonePicker);
    m_zonePicker->setCurrentIndex(int(AvailabilityDisplayTimeZone::options().indexOf(m_selection.displayZone())));
    m_myTimeZoneButton->setVisible(!m_selection.displayZone().isSystem());
    placeControls();

    const QString text = message();
    if (m_messageBox->toPlainText() != text)
        m_messageBox->setPlainText(text);
    update();
}

void AvailabilityShareView::paintEvent(QPaintEvent*)
{
    const Palette& palette = Palette::shared();
    const Layout layout = this->layout();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 14, 14);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, palette.backgroundTop);
    background.setColorAt(1, palette.backgroundBottom);
    painter.fillPath(card, background);
    painter.save();
    painter.setClipPath(card);

    // Header.
    QPainterPath badge;
    badge.addRoundedRect(layout.badge, 5, 5);
    QLinearGradient badgeFill(layout.badge.topLeft(), layout.badge.bottomRight());
    badgeFill.setColorAt(0, palette.teal);
    badgeFill.setColorAt(1, palette.blue);
    painter.fillPath(badge, badgeFill);
    painter.setFont(overlayFont(14, QFont::Bold));
    painter.setPen(Qt::white);
    painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter, platform::localized("Share free time"));
    painter.setPen(Qt::NoPen);
    painter.setBrush(white(m_pressed == QLatin1String("close") ? 0.12 : 0.06));
    painter.drawEllipse(layout.closeButton);
    drawSymbol(
        painter, Symbol::xmark, QRectF(layout.closeButton.center() - QPointF(5.5, 5.5), QSizeF(11, 11)), white(0.55));

    // Dividers.
    for (const qreal y : { layout.headerDivider, layout.controlsDivider, layout.previewDivider })
        painter.fillRect(QRectF(0, y, width(), 1), white(0.1));

    // Control labels and legend.
    painter.setFont(smallLabelFont());
    painter.setPen(white(0.55));
    painter.drawText(layout.fromLabel, Qt::AlignLeft | Qt::AlignVCenter, platform::localized("From"));
    painter.drawText(layout.toLabel, Qt::AlignLeft | Qt::AlignVCenter, platform::localized("To"));
    painter.drawText(layout.zoneLabel, Qt::AlignLeft | Qt::AlignVCenter, platform::localized("Show times as"));
    const QColor legendColors[] = { withOpacity(palette.teal, 0.85), withOpacity(palette.red, 0.75), white(0.35) };
    const char* legendTexts[] = { "Free", "Busy", "Past" };
    painter.setFont(overlayFont(10, QFont::Medium));
    for (int i = 0; i < layout.legend.size(); ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(legendColors[i]);
        painter.drawEllipse(layout.legend[i].first);
        painter.setPen(white(0.5));
        painter.drawText(
            layout.legend[i].second, Qt::AlignLeft | Qt::AlignVCenter, platform::localized(legendTexts[i]));
    }

    // The empty state stands where the list would be.
    if (m_scrollArea->isHidden()) {
        const QFont heading = overlayFont(13, QFont::DemiBold);
        const WrappedText hint = WrappedText::make(
            platform::localized("Widen your hours, then try again."), overlayFont(11, QFont::Normal), width() - 48, 3);
        const qreal headingHeight = QFontMetricsF(heading).height();
        const qreal total = 28 + 8 + headingHeight + 8 + hint.height();
        qreal y = layout.dayList.center().y() - total / 2;
        drawEmptyCalendar(painter, QRectF(layout.dayList.center().x() - 14, y, 28, 28), white(0.35));
        y += 28 + 8;
        painter.setFont(heading);
        painter.setPen(white(0.75));
        painter.drawText(QRectF(24, y, width() - 48, headingHeight), Qt::AlignCenter,
            platform::localized("No slots in working hours"));
        y += headingHeight + 8;
        hint.paint(painter, QRectF(24, y, width() - 48, hint.height()), Qt::AlignHCenter, white(0.45));
    }

    // Preview.
    painter.setFont(previewHeadingFont());
    painter.setPen(white(0.45));
    painter.drawText(layout.previewHeading, Qt::AlignLeft | Qt::AlignVCenter, platform::localized("Message preview"));
    fillOutlined(painter, layout.messageBox, 10, white(0.05), QPen(white(0.1), 1));
    PrimaryActionButton(palette.teal)
        .paint(painter, layout.copyButton, layout.copy, m_pressed == QLatin1String("copy") ? 1 : 0, canCopy());
    fillOutlined(painter, layout.doneButton, 9, white(m_pressed == QLatin1String("done") ? 0.14 : 0.08),
        QPen(Qt::transparent, 0));
    layout.done.paint(painter, layout.doneButton, white(0.85));
    painter.restore();

    // The card's edge.
    QPainterPath edge;
    edge.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 13.5, 13.5);
    painter.strokePath(edge, QPen(white(0.12), 1));
}

void AvailabilityShareView::mousePressEvent(QMouseEvent* event)
{
    const Layout layout = this->layout();
    const QPointF at = event->position();
    m_pressed.clear();
    if (layout.closeButton.contains(at))
        m_pressed = QStringLiteral("close");
    else if (layout.copyButton.contains(at) && canCopy())
        m_pressed = QStringLiteral("copy");
    else if (layout.doneButton.contains(at))
        m_pressed = QStringLiteral("done");
    else if (event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - window()->pos();
    update();
}

void AvailabilityShareView::mouseMoveEvent(QMouseEvent* event)
{
    // The panel moves when its background is dragged.
    if (m_dragOffset && window() != this)
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

void AvailabilityShareView::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragOffset.reset();
    const Layout layout = this->layout();
    const QString pressed = std::exchange(m_pressed, QString());
    update();
    const QPointF at = event->position();
    if (pressed == QLatin1String("copy") && layout.copyButton.contains(at))
        copyMessage();
    else if ((pressed == QLatin1String("close") && layout.closeButton.contains(at))
        || (pressed == QLatin1String("done") && layout.doneButton.contains(at)))
        dismiss();
}

bool AvailabilityShareView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    showPaintedToolTip(*this, *static_cast<QHelpEvent*>(event), closeButtonRect(), platform::localized("Close"));
    return true;
}

} // namespace tolvar

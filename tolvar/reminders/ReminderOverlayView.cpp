#include "tolvar/reminders/ReminderOverlayView.h"

#include "platform/text/Localized.h"
#include "platform/text/ShortTime.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/style/CalendarColor.h"
#include "tolvar/style/DropShadow.h"
#include "tolvar/style/FractionalFont.h"
#include "tolvar/style/GhostActionButton.h"
#include "tolvar/style/PaintedWidgetAccessible.h"
#include "tolvar/style/Palette.h"
#include "tolvar/style/PrimaryActionButton.h"
#include "tolvar/style/WrappedText.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVariantAnimation>
#include <climits>
#include <cmath>

namespace tolvar {

namespace {

const QString separator = QStringLiteral(" \u00B7 ");

QString shortTime(platform::Date date)
{
    return platform::shortTimeText(date.toDateTime().toLocalTime().time());
}

QString joinedParts(const QList<std::optional<QString>>& parts)
{
    QStringList present;
    for (const std::optional<QString>& part : parts) {
        if (part)
            present.append(*part);
    }
    return present.join(separator);
}

QFont spacedFont(qreal size, QFont::Weight weight, qreal letterSpacing)
{
    QFont font = overlayFont(size, weight);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

QVariantAnimation* makeAnimation(QObject* parent, int milliseconds, std::function<void(qreal)> apply)
{
    auto* animation = new QVariantAnimation(parent);
    animation->setDuration(milliseconds);
    animation->setEasingCurve(QEasingCurve::OutQuad);
    QObject::connect(animation, &QVariantAnimation::valueChanged, parent,
        [apply = std::move(apply)](const QVariant& value) { apply(value.toReal()); });
    return animation;
}

void runAnimation(QVariantAnimation* animation, qreal from, qreal to)
{
    animation->stop();
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start();
}

} // namespace

struct ReminderOverlayView::Layout
{
    struct Row
    {
        int index = 0;
        QRectF rect;
        QRectF dot;
        WrappedText title;
        QRectF titleRect;
        WrappedText detail;
        QRectF detailRect;
        std::optional<QString> focusID;
    };

    // What the layout was made for.
    QSize size;
    int seconds = 0;

    QRectF content;
    QRectF header;
    QRectF brandRect;
    QString pill;
    QRectF pillRect;
    QRectF middle;
    WrappedText label;
    QRectF labelRect;
    QString countdown;
    QFont countdownFont;
    QRectF countdownRect;
    WrappedText title;
    QRectF titleRect;
    WrappedText summary;
    QRectF summaryRect;
    QList<Row> rows;
    QList<Button> buttons;
};

ReminderOverlayView::ReminderOverlayView(QList<MeetingSnapshot> meetings, JoinHandler onJoin, SnoozeHandler onSnooze,
    DismissHandler onDismiss, OverlayFocusModel* focus, platform::Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_meetings(std::move(meetings))
    , m_onJoin(std::move(onJoin))
    , m_onSnooze(std::move(onSnooze))
    , m_onDismiss(std::move(onDismiss))
    , m_focus(focus)
    , m_clock(clock)
    , m_now(clock.now())
    , m_reduceMotion(!QApplication::isEffectEnabled(Qt::UI_General))
    , m_timer(clock.createTimer())
{
    Q_ASSERT(!m_meetings.isEmpty());
    PaintedWidgetAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    connect(m_timer.get(), &platform::Timer::timeout, this, [this] {
        const int before = secondsRemaining();
        m_now = m_clock.now();
        // Only the countdown follows the clock; once it reads "Now" there is nothing to repaint.
        if (secondsRemaining() == before)
            return;
        update();
        PaintedWidgetAccessible::announceNameChanges(this, { QStringLiteral("pill"), QStringLiteral("countdown") });
    });
    if (m_focus)
        connect(m_focus, &OverlayFocusModel::focusIndexChanged, this, &ReminderOverlayView::focusChanged);
    m_entranceAnimation = makeAnimation(this, 250, [this](qreal value) {
        m_entrance = value;
        update();
    });
    m_ringAnimation = makeAnimation(this, 120, [this](qreal value) {
        m_ringProgress = value;
        update();
    });
    m_pressAnimation = makeAnimation(this, 120, [this](qreal value) {
        m_pressProgress = value;
        update();
    });
}

ReminderOverlayView::~ReminderOverlayView() = default;

int ReminderOverlayView::secondsRemaining() const
{
    const double seconds = std::ceil(m_meetings.first().startDate.secondsSince(m_now));
    return int(std::clamp(seconds, 0.0, double(INT_MAX)));
}

bool ReminderOverlayView::dismissIsPrimary() const
{
    const MeetingSnapshot& meeting = m_meetings.first();
    return isOneMeeting() && !meeting.joinURL && !physicalLocationText(meeting.location);
}

QColor ReminderOverlayView::accentColor() const
{
    return isOneMeeting() ? Palette::shared().teal : Palette::shared().amber;
}

QString ReminderOverlayView::titleText() const
{
    if (!isOneMeeting())
        return platform::localizedFormat("%d meetings starting", { QString::number(m_meetings.size()) });
    const int seconds = secondsRemaining();
    if (seconds < 1)
        return platform::localized("Meeting starting now");
    return platform::localizedFormat("Meeting in %ds", { QString::number(seconds) });
}

QString ReminderOverlayView::countdownText() const
{
    const int seconds = secondsRemaining();
    if (seconds <= 0)
        return platform::localized("Now");
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ReminderOverlayView::countdownAccessibilityLabel() const
{
    return platform::localizedFormat("Meeting starts in %d seconds", { QString::number(secondsRemaining()) });
}

QString ReminderOverlayView::pillText() const
{
    // The finished title is looked up once more as a key of its own.
    return platform::localized(titleText().toUtf8().constData());
}

QString ReminderOverlayView::headline() const
{
    return platform::localizedFormat("%d overlapping meetings", { QString::number(m_meetings.size()) });
}

QString ReminderOverlayView::summaryLine() const
{
    const MeetingSnapshot& meeting = m_meetings.first();
    return joinedParts(
        { label(meeting.kind()), joinServiceName(meeting), placeName(meeting.location), meeting.calendarTitle,
            meeting.calendarSourceTitle, platform::localizedFormat("starts %@", { shortTime(meeting.startDate) }) });
}

QString ReminderOverlayView::rowDetailLine(const MeetingSnapshot& meeting) const
{
    return joinedParts({ label(meeting.kind()), joinServiceName(meeting), placeName(meeting.location),
        meeting.calendarTitle, meeting.calendarSourceTitle,
        shortTime(meeting.startDate) + QStringLiteral(" \u2013 ") + shortTime(meeting.endDate) });
}

std::optional<QString> ReminderOverlayView::focusID(const MeetingSnapshot& meeting)
{
    if (meeting.joinURL)
        return QStringLiteral("join-") + meeting.id;
    if (physicalLocationText(meeting.location))
        return QStringLiteral("copy-") + meeting.id;
    return std::nullopt;
}

void ReminderOverlayView::configureFocus()
{
    if (!m_focus)
        return;
    QList<OverlayFocusModel::Item> items;
    if (!isOneMeeting()) {
        for (const MeetingSnapshot& meeting : m_meetings) {
            if (meeting.joinURL)
                items.append({ QStringLiteral("join-") + meeting.id, [this, meeting] { m_onJoin(meeting); } });
            else if (physicalLocationText(meeting.location))
                items.append({ QStringLiteral("copy-") + meeting.id, [meeting] { copyLocation(meeting); } });
        }
    }
    for (const int seconds : { 60, 180, 300 })
        items.append({ QStringLiteral("snooze-%1").arg(seconds), [this, seconds] { m_onSnooze(seconds); } });
    if (!isOneMeeting() || !dismissIsPrimary())
        items.append({ QStringLiteral("dismiss"), [this] { m_onDismiss(); } });
    if (!isOneMeeting()) {
        m_focus->configure(items, 0);
        return;
    }
    const MeetingSnapshot meeting = m_meetings.first();
    std::function<void()> primary = [this] { m_onDismiss(); };
    if (meeting.joinURL)
        primary = [this, meeting] { m_onJoin(meeting); };
    else if (physicalLocationText(meeting.location))
        primary = [meeting] { copyLocation(meeting); };
    items.append({ QStringLiteral("primary"), primary });
    m_focus->configure(items, int(items.size()) - 1);
}

void ReminderOverlayView::guarded(const std::function<void()>& action)
{
    if (m_isHandlingAction)
        return;
    m_isHandlingAction = true;
    update();
    action();
}

void ReminderOverlayView::dismissAction()
{
    guarded([this] { m_onDismiss(); });
}

void ReminderOverlayView::copyLocation(const MeetingSnapshot& meeting)
{
    const std::optional<QString> place = physicalLocationText(meeting.location);
    if (!place)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(*place);
}

std::optional<QString> ReminderOverlayView::joinServiceName(const MeetingSnapshot& meeting)
{
    return tolvar::joinServiceName(meeting.joinURL);
}

const ReminderOverlayView::Layout& ReminderOverlayView::layout() const
{
    if (!m_layout || m_layout->size != size() || m_layout->seconds != secondsRemaining())
        m_layout = std::make_unique<Layout>(makeLayout());
    return *m_layout;
}

ReminderOverlayView::Layout ReminderOverlayView::makeLayout() const
{
    const Palette& palette = Palette::shared();
    Layout layout;
    layout.size = size();
    layout.seconds = secondsRemaining();
    layout.content = QRectF(rect()).adjusted(52, 40, -52, -40);

    const FractionalFont pillFont = FractionalFont::overlay(12.5, QFont::DemiBold);
    const QFontMetricsF brandMetrics(overlayFont(13, QFont::DemiBold));
    const qreal pillHeight = pillFont.height() + 14;
    const qreal brandHeight = std::max<qreal>(16, brandMetrics.height());
    layout.header = QRectF(layout.content.topLeft(), QSizeF(layout.content.width(), std::max(pillHeight, brandHeight)));
    layout.brandRect = QRectF(layout.header.left() + 16 + 8, layout.header.top(),
        brandMetrics.horizontalAdvance(platform::localized("Tolvar")) + 1, layout.header.height());
    layout.pill = pillText();
    const qreal pillWidth = 14 + 7 + 8 + pillFont.horizontalAdvance(layout.pill) + 14;
    layout.pillRect
        = QRectF(layout.header.right() - pillWidth, layout.header.center().y() - pillHeight / 2, pillWidth, pillHeight);

    const qreal width = std::min<qreal>(920, layout.content.width());
    auto centred = [width](qreal y, QSizeF size) { return QRectF(QPointF((width - size.width()) / 2, y), size); };
    qreal y = 0;

    layout.label
        = WrappedText::make(isOneMeeting() ? platform::localized("STARTING IN") : platform::localized("STARTING SOON"),
            spacedFont(13, QFont::Bold, 4), width, 1);
    layout.labelRect = centred(y, { layout.label.width, layout.label.height() });
    y += layout.labelRect.height() + 22;

    layout.countdown = countdownText();
    layout.countdownFont = overlayFont(120, QFont::ExtraBold);
    const QFontMetricsF countdownMetrics(layout.countdownFont);
    layout.countdownRect
        = centred(y, { countdownMetrics.horizontalAdvance(layout.countdown), countdownMetrics.height() });
    y += layout.countdownRect.height() + 22;

    if (isOneMeeting()) {
        layout.title = WrappedText::make(m_meetings.first().title, overlayFont(40, QFont::Bold), width, 3, 0.7);
        layout.titleRect = centred(y, { width, layout.title.height() });
        y += layout.titleRect.height() + 10;
        layout.summary = WrappedText::make(summaryLine(), overlayFont(18, QFont::Medium), width, 2);
        layout.summaryRect = centred(y, { width, layout.summary.height() });
        y += layout.summaryRect.height() + 22;
    } else {
        layout.title = WrappedText::make(headline(), overlayFont(40, QFont::Bold), width, 2, 0.7);
        layout.titleRect = centred(y, { width, layout.title.height() });
        y += layout.titleRect.height() + 22;
        const qreal rowWidth = std::min<qreal>(680, width);
        const qreal rowLeft = (width - rowWidth) / 2;
        for (int index = 0; index < m_meetings.size(); ++index) {
            const MeetingSnapshot& meeting = m_meetings.at(index);
            Layout::Row row;
            row.index = index;
            row.focusID = focusID(meeting);
            std::optional<Button> button;
            if (row.focusID) {
                const bool join = meeting.joinURL.has_value();
                ButtonLabel label { join ? platform::localized("Join") : platform::localized("Copy Location"),
                    join ? Symbol::video : Symbol::mapPin, overlayFont(14, QFont::DemiBold), QMarginsF(16, 9, 16, 9) };
                const QSizeF size
                    = join ? PrimaryActionButton(palette.teal).size(label) : GhostActionButton().size(label);
                button = Button { *row.focusID, label, join, QRectF(QPointF(), size) };
            }
            const qreal buttonSpace = button ? button->rect.width() + 16 : 0;
            const qreal textWidth = std::max<qreal>(40, rowWidth - 40 - 12 - 16 - buttonSpace);
            row.title = WrappedText::make(meeting.title, overlayFont(18, QFont::DemiBold), textWidth, 2);
            row.detail = WrappedText::make(rowDetailLine(meeting), overlayFont(14, QFont::Medium), textWidth, 1);
            const qreal textHeight = row.title.height() + 4 + row.detail.height();
            const qreal innerHeight = std::max(textHeight, button ? button->rect.height() : 0);
            row.rect = QRectF(rowLeft, y, rowWidth, innerHeight + 28);
            const qreal middleY = row.rect.center().y();
            row.dot = QRectF(row.rect.left() + 20, middleY - 6, 12, 12);
            row.titleRect = QRectF(row.dot.right() + 16, middleY - textHeight / 2, textWidth, row.title.height());
            row.detailRect = QRectF(row.titleRect.left(), row.titleRect.bottom() + 4, textWidth, row.detail.height());
            if (button) {
                button->rect.moveTopLeft(
                    QPointF(row.rect.right() - 20 - button->rect.width(), middleY - button->rect.height() / 2));
                layout.buttons.append(*button);
            }
            layout.rows.append(row);
            y += row.rect.height() + 12;
        }
        y += 22 - 12;
    }

    qreal x = (width - (3 * 108 + 2 * 10)) / 2;
    const FractionalFont snoozeFont = FractionalFont::overlay(13.5, QFont::DemiBold);
    for (const int seconds : { 60, 180, 300 }) {
        const QString length = platform::localized(seconds == 60 ? "1m" : seconds == 180 ? "3m" : "5m");
        ButtonLabel label { platform::localizedFormat("Snooze %@", { length }), Symbol::none, snoozeFont.font, {},
            snoozeFont.scale };
        layout.buttons.append({ QStringLiteral("snooze-%1").arg(seconds), label, false, QRectF(x, y, 108, 38) });
        x += 108 + 10;
    }
    y += 38 + 22 + 6;

    QList<Button> actions;
    if (!dismissIsPrimary()) {
        ButtonLabel label { isOneMeeting() ? platform::localized("Dismiss") : platform::localized("Dismiss All"),
            Symbol::xmark, GhostActionButton::defaultFont(), {} };
        actions.append({ QStringLiteral("dismiss"), label, false,
            QRectF(0, 0, isOneMeeting() ? 160 : 200, GhostActionButton().size(label).height()) });
    }
    if (isOneMeeting()) {
        const MeetingSnapshot meeting = m_meetings.first();
        ButtonLabel label { platform::localized("Got it"), Symbol::checkmark, PrimaryActionButton::defaultFont(), {} };
        if (meeting.joinURL)
            label = { platform::localized("Join now"), Symbol::video, label.font, {} };
        else if (physicalLocationText(meeting.location))
            label = { platform::localized("Copy Location"), Symbol::mapPin, label.font, {} };
        actions.append({ QStringLiteral("primary"), label, true,
            QRectF(0, 0, 220, PrimaryActionButton(palette.teal).size(label).height()) });
    }
    qreal actionsWidth = -12;
    qreal actionsHeight = 0;
    for (const Button& button : actions) {
        actionsWidth += button.rect.width() + 12;
        actionsHeight = std::max(actionsHeight, button.rect.height());
    }
    x = (width - actionsWidth) / 2;
    for (Button button : actions) {
        button.rect.moveTopLeft(QPointF(x, y + (actionsHeight - button.rect.height()) / 2));
        x += button.rect.width() + 12;
        layout.buttons.append(button);
    }
    y += actionsHeight;

    const qreal top = layout.header.bottom();
    const qreal space = layout.content.bottom() - 24 - top;
    layout.middle
        = QRectF(layout.content.center().x() - width / 2, top + std::max<qreal>(0, (space - y) / 2), width, y);
    return layout;
}

QTransform ReminderOverlayView::middleTransform(const Layout& layout) const
{
    const qreal scale = (m_appeared && !m_reduceMotion) ? 0.98 + 0.02 * m_entrance : 0.98;
    const QPointF centre = layout.middle.center();
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.scale(scale, scale);
    transform.translate(layout.middle.left() - centre.x(), layout.middle.top() - centre.y());
    return transform;
}

QList<ReminderOverlayView::Button> ReminderOverlayView::buttons() const
{
    return layout().buttons;
}

QRectF ReminderOverlayView::buttonRect(const Button& button) const
{
    return middleTransform(layout()).mapRect(button.rect);
}

std::optional<ReminderOverlayView::Button> ReminderOverlayView::buttonAt(QPointF position) const
{
    const Layout& layout = this->layout();
    const QPointF local = middleTransform(layout).inverted().map(position);
    for (const Button& button : layout.buttons) {
        if (button.rect.contains(local))
            return button;
    }
    return std::nullopt;
}

qreal ReminderOverlayView::ringOpacity(const QString& id) const
{
    if (id == m_ringID)
        return m_ringProgress;
    if (id == m_previousRingID)
        return 1 - m_ringProgress;
    return 0;
}

void ReminderOverlayView::focusChanged()
{
    QString focused;
    if (m_focus && m_focus->focusIndex() >= 0 && m_focus->focusIndex() < m_focus->items().size())
        focused = m_focus->items().at(m_focus->focusIndex()).id;
    if (focused == m_ringID)
        return;
    m_previousRingID = m_ringID;
    m_ringID = focused;
    runAnimation(m_ringAnimation, 0, 1);
    PaintedWidgetAccessible::announceSelection(this);
}

void ReminderOverlayView::animatePress(qreal to)
{
    runAnimation(m_pressAnimation, m_pressProgress, to);
}

void ReminderOverlayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    configureFocus();
    m_previousRingID.clear();
    m_ringID.clear();
    focusChanged();
    m_ringAnimation->stop();
    m_ringProgress = 1;
    m_timer->start(1.0);
    m_appeared = true;
    if (m_reduceMotion)
        m_entrance = 1;
    else
        runAnimation(m_entranceAnimation, 0, 1);
    update();
}

void ReminderOverlayView::mousePressEvent(QMouseEvent* event)
{
    const std::optional<Button> button = buttonAt(event->position());
    if (event->button() != Qt::LeftButton || !button || m_isHandlingAction)
        return;
    m_pressedID = button->id;
    m_isPressing = true;
    animatePress(1);
}

void ReminderOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_isPressing)
        return;
    m_isPressing = false;
    animatePress(0);
    const std::optional<Button> button = buttonAt(event->position());
    if (button && button->id == m_pressedID)
        click(button->id);
}

void ReminderOverlayView::click(const QString& buttonID)
{
    if (m_isHandlingAction)
        return;
    const MeetingSnapshot& first = m_meetings.first();
    if (buttonID == QLatin1String("dismiss")) {
        dismissAction();
    } else if (buttonID.startsWith(QLatin1String("snooze-"))) {
        const double seconds = buttonID.mid(7).toDouble();
        guarded([this, seconds] { m_onSnooze(seconds); });
    } else if (buttonID == QLatin1String("primary")) {
        if (first.joinURL)
            guarded([this, first] { m_onJoin(first); });
        else if (physicalLocationText(first.location))
            copyLocation(first);
        else
            dismissAction();
    } else {
        for (const MeetingSnapshot& meeting : m_meetings) {
            if (buttonID == QStringLiteral("join-") + meeting.id)
                guarded([this, meeting] { m_onJoin(meeting); });
            else if (buttonID == QStringLiteral("copy-") + meeting.id)
                copyLocation(meeting);
        }
    }
}

QList<PaintedElement> ReminderOverlayView::accessibleElements() const
{
    const Layout& layout = this->layout();
    const QTransform middle = middleTransform(layout);
    QList<PaintedElement> elements;
    auto addText = [&elements](const QString& id, const QString& name, const QRectF& rect) {
        elements.append(PaintedElement::text(id, name, rect));
    };
    auto addButton = [this, &elements, &middle](const Button& button, const QString& name) {
        const bool focused = m_focus && m_focus->isFocused(button.id);
        elements.append(
            PaintedElement::button(button.id, name, middle.mapRect(button.rect), !m_isHandlingAction, focused));
    };

    addText(QStringLiteral("brand"), platform::localized("Tolvar"), layout.brandRect);
    addText(QStringLiteral("pill"), layout.pill, layout.pillRect);
    addText(QStringLiteral("countdown"), countdownAccessibilityLabel(), middle.mapRect(layout.countdownRect));
    if (isOneMeeting()) {
        addText(QStringLiteral("title"), m_meetings.first().title, middle.mapRect(layout.titleRect));
        addText(QStringLiteral("summary"), summaryLine(), middle.mapRect(layout.summaryRect));
    } else {
        addText(QStringLiteral("title"), headline(), middle.mapRect(layout.titleRect));
    }
    for (const Layout::Row& row : layout.rows) {
        const MeetingSnapshot& meeting = m_meetings.at(row.index);
        addText(QStringLiteral("title-") + meeting.id, meeting.title, middle.mapRect(row.titleRect));
        addText(QStringLiteral("detail-") + meeting.id, rowDetailLine(meeting), middle.mapRect(row.detailRect));
        for (const Button& button : layout.buttons) {
            if (row.focusID && button.id == *row.focusID)
                addButton(button,
                    meeting.joinURL ? platform::localizedFormat("Join %@", { meeting.title })
                                    : platform::localizedFormat("Copy location for %@", { meeting.title }));
        }
    }
    for (const Button& button : layout.buttons) {
        if (!button.id.startsWith(QLatin1String("join-")) && !button.id.startsWith(QLatin1String("copy-")))
            addButton(button, button.label.title);
    }
    return elements;
}

void ReminderOverlayView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        dismissAction();
    else
        QWidget::keyPressEvent(event);
}

void ReminderOverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Layout& layout = this->layout();
    paintBackground(painter);
    paintHeader(painter, layout);
    painter.setTransform(middleTransform(layout));
    painter.setOpacity(m_appeared ? (m_reduceMotion ? 1 : m_entrance) : 0);
    paintMiddle(painter, layout);
}

void ReminderOverlayView::paintBackground(QPainter& painter) const
{
    const Palette& palette = Palette::shared();
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, palette.backgroundTop);
    background.setColorAt(1, palette.backgroundBottom);
    painter.fillRect(rect(), background);
    QRadialGradient glow(QRectF(rect()).center(), 360);
    glow.setColorAt(0, withOpacity(accentColor(), 0.18));
    glow.setColorAt(1, Qt::transparent);
    painter.fillRect(rect(), glow);
}

void ReminderOverlayView::paintHeader(QPainter& painter, const Layout& layout) const
{
    const Palette& palette = Palette::shared();
    const QRectF& header = layout.header;
    const QRectF mark(header.left(), header.center().y() - 8, 16, 16);
    QPainterPath markShape;
    markShape.addRoundedRect(mark, 6, 6);
    painter.fillPath(markShape, palette.blue);
    painter.setFont(overlayFont(13, QFont::DemiBold));
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.66f));
    painter.drawText(
        layout.brandRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, platform::localized("Tolvar"));

    const QColor accent = accentColor();
    const QRectF& pill = layout.pillRect;
    fillOutlined(painter, pill, pill.height() / 2, withOpacity(accent, 0.1), QPen(withOpacity(accent, 0.3), 1));
    const QRectF dot(pill.left() + 14, pill.center().y() - 3.5, 7, 7);
    painter.setPen(QPen(withOpacity(accent, 0.35), 4));
    painter.setBrush(accent);
    painter.drawEllipse(dot);
    painter.setPen(accent);
    FractionalFont::overlay(12.5, QFont::DemiBold)
        .drawText(painter, QRectF(dot.right() + 8, pill.top(), pill.right() - 14 - dot.right() - 8 + 1, pill.height()),
            Qt::AlignLeft | Qt::AlignVCenter, layout.pill);
}

void ReminderOverlayView::paintRing(QPainter& painter, const QRectF& rect, qreal radius, const QString& id) const
{
    const qreal opacity = ringOpacity(id);
    if (opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    const QRectF ring = rect.adjusted(-3, -3, 3, 3);
    const qreal ringRadius = radius < 0 ? ring.height() / 2 : radius + 3;
    painter.setPen(QPen(accentColor(), 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(ring, ringRadius, ringRadius);
    painter.restore();
}

void ReminderOverlayView::paintMiddle(QPainter& painter, const Layout& layout) const
{
    const Palette& palette = Palette::shared();
    const QColor accent = accentColor();
    layout.label.paint(painter, layout.labelRect, Qt::AlignHCenter, withOpacity(accent, 0.85));

    const QRectF& countdown = layout.countdownRect;
    QPainterPath digits;
    const QFontMetricsF countdownMetrics(layout.countdownFont);
    digits.addText(
        countdown.left(), countdown.top() + countdownMetrics.ascent(), layout.countdownFont, layout.countdown);
    drawDropShadow(painter, digits, withOpacity(palette.teal, 0.45), 26, QPointF());
    QLinearGradient digitsFill(countdown.topLeft(), countdown.bottomRight());
    digitsFill.setColorAt(0, palette.teal);
    digitsFill.setColorAt(1, palette.blue);
    painter.fillPath(digits, digitsFill);

    if (isOneMeeting()) {
        layout.title.paint(painter, layout.titleRect, Qt::AlignHCenter, Qt::white);
        layout.summary.paint(painter, layout.summaryRect, Qt::AlignHCenter, QColor::fromRgbF(1, 1, 1, 0.62f));
    } else {
        const qreal left = layout.titleRect.center().x() - layout.title.width / 2;
        QLinearGradient headline(
            QPointF(left, layout.titleRect.top()), QPointF(left + layout.title.width, layout.titleRect.bottom()));
        headline.setColorAt(0, palette.amber);
        headline.setColorAt(1, palette.red);
        layout.title.paint(painter, layout.titleRect, Qt::AlignHCenter, headline);
    }

    for (const Layout::Row& row : layout.rows) {
        const MeetingSnapshot& meeting = m_meetings.at(row.index);
        fillOutlined(painter, row.rect, 14, QColor::fromRgbF(1, 1, 1, 0.05f), QPen(QColor::fromRgbF(1, 1, 1, 0.1f), 1));
        painter.setPen(Qt::NoPen);
        painter.setBrush(calendarAccentColor(meeting.calendarTitle));
        painter.drawEllipse(row.dot);
        row.title.paint(painter, row.titleRect, Qt::AlignLeft, Qt::white);
        row.detail.paint(painter, row.detailRect, Qt::AlignLeft, QColor::fromRgbF(1, 1, 1, 0.6f));
        if (row.focusID)
            paintRing(painter, row.rect, 14, *row.focusID);
    }

    for (const Button& button : layout.buttons) {
        const qreal pressed = button.id == m_pressedID ? m_pressProgress : 0;
        if (button.primary)
            PrimaryActionButton(palette.teal).paint(painter, button.rect, button.label, pressed, !m_isHandlingAction);
        else
            GhostActionButton().paint(painter, button.rect, button.label, pressed, !m_isHandlingAction);
        if (!button.id.startsWith(QLatin1String("join-")) && !button.id.startsWith(QLatin1String("copy-")))
            paintRing(painter, button.rect, -1, button.id);
    }
}

} // namespace tolvar

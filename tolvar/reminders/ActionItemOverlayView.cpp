#include "tolvar/reminders/ActionItemOverlayView.h"

#include "platform/text/Localized.h"
#include "tolvar/reminders/SecondaryOverlayButton.h"
#include "tolvar/style/DropShadow.h"
#include "tolvar/style/PaintedToolTip.h"
#include "tolvar/style/PaintedWidgetAccessible.h"
#include "tolvar/style/Palette.h"
#include "tolvar/style/PrimaryActionButton.h"
#include "tolvar/style/WrappedText.h"

#include <QApplication>
#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QVariantAnimation>

namespace tolvar {

namespace {

QString headerText()
{
    return platform::localized("Action items");
}

QString endedText()
{
    return platform::localized("Meeting ended");
}

QString hintText()
{
    return platform::localized("Capture follow-ups while they’re fresh. Copy when you’re done.");
}

} // namespace

struct ActionItemOverlayView::Layout
{
    QTransform transform;
    QRectF card;
    QRectF mark;
    QRectF headerRect;
    WrappedText ended;
    QRectF endedRect;
    WrappedText title;
    QRectF titleRect;
    WrappedText hint;
    QRectF hintRect;
    QRectF editor;
    ButtonLabel copy;
    QRectF copyRect;
    ButtonLabel done;
    QRectF doneRect;
};

ActionItemOverlayView::ActionItemOverlayView(
    QString meetingTitle, std::function<void()> onDismiss, platform::Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_meetingTitle(std::move(meetingTitle))
    , m_onDismiss(std::move(onDismiss))
    , m_clock(clock)
    , m_editor(new QPlainTextEdit(this))
    , m_editorOpacity(new QGraphicsOpacityEffect(m_editor))
    , m_reduceMotion(!QApplication::isEffectEnabled(Qt::UI_General))
    , m_entranceAnimation(new QVariantAnimation(this))
{
    PaintedWidgetAccessible::install();
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->setAttribute(Qt::WA_TranslucentBackground);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; color: rgba(255,255,255,235); "
                                           "font-size: 14px; padding: 12px; }"));
    m_editor->setGraphicsEffect(m_editorOpacity);
    m_editor->installEventFilter(this);
    connect(m_editor, &QPlainTextEdit::textChanged, this, qOverload<>(&QWidget::update));
    m_entranceAnimation->setDuration(220);
    m_entranceAnimation->setEasingCurve(QEasingCurve::OutQuad);
    connect(m_entranceAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_entrance = value.toReal();
        placeEditor();
        update();
    });
    m_editorOpacity->setOpacity(0);
}

QString ActionItemOverlayView::notes() const
{
    return m_editor->toPlainText();
}

void ActionItemOverlayView::setNotes(const QString& notes)
{
    m_editor->setPlainText(notes);
    // Notes given back after an interruption are written on from where they ended.
    m_editor->moveCursor(QTextCursor::End);
}

bool ActionItemOverlayView::canCopy() const
{
    return !notes().trimmed().isEmpty();
}

void ActionItemOverlayView::copyNotes()
{
    const QString trimmed = notes().trimmed();
    if (trimmed.isEmpty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(trimmed);
    m_didCopy = true;
    update();
    m_clock.singleShot(1.6, this, [this] {
        m_didCopy = false;
        update();
    });
}

void ActionItemOverlayView::done()
{
    m_onDismiss();
}

ActionItemOverlayView::Layout ActionItemOverlayView::layout() const
{
    const qreal scale = (m_appeared && !m_reduceMotion) ? 0.97 + 0.03 * m_entrance : 0.97;
    Layout layout;
    const qreal cardWidth = std::min<qreal>(560, width() - 56);
    const qreal inner = cardWidth - 44;
    qreal y = 22;
    layout.mark = QRectF(22, y, 16, 16);
    const qreal headerHeight = std::max<qreal>(16, QFontMetricsF(overlayFont(15, QFont::Bold)).height());
    layout.mark.moveTop(y + (headerHeight - 16) / 2);
    layout.headerRect = QRectF(22 + 16 + 10, y, inner - 16 - 10, headerHeight);
    y += headerHeight + 16;
    QFont ended = overlayFont(11, QFont::DemiBold);
    ended.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    ended.setCapitalization(QFont::AllUppercase);
    layout.ended = WrappedText::make(endedText(), ended, inner, 1);
    layout.endedRect = QRectF(22, y, inner, layout.ended.height());
    y += layout.endedRect.height() + 4;
    layout.title = WrappedText::make(m_meetingTitle, overlayFont(20, QFont::DemiBold), inner, 3);
    layout.titleRect = QRectF(22, y, inner, layout.title.height());
    y += layout.titleRect.height() + 16;
    layout.hint = WrappedText::make(hintText(), overlayFont(13, QFont::Normal), inner, 4);
    layout.hintRect = QRectF(22, y, inner, layout.hint.height());
    y += layout.hintRect.height() + 16;
    layout.copy = m_didCopy
        ? ButtonLabel { platform::localized("Copied"), Symbol::checkmark, PrimaryActionButton::defaultFont(), {} }
        : ButtonLabel { platform::localized("Copy"), Symbol::documents, PrimaryActionButton::defaultFont(), {} };
    const QSizeF copySize = PrimaryActionButton(Palette::shared().teal).size(layout.copy);
    // The editor takes what the window leaves the card (28 around it), from 180 up to 280.
    const qreal below = 16 + copySize.height() + 22;
    const qreal editorHeight = std::clamp<qreal>(height() - 56 - y - below, 180, 280);
    layout.editor = QRectF(22, y, inner, editorHeight);
    y += editorHeight + 16;
    layout.copyRect = QRectF(QPointF(22, y), copySize);
    layout.done = ButtonLabel { platform::localized("Done"), Symbol::none, SecondaryOverlayButton::defaultFont(), {} };
    const QSizeF doneSize = SecondaryOverlayButton().size(layout.done);
    layout.doneRect
        = QRectF(QPointF(layout.copyRect.right() + 10, layout.copyRect.center().y() - doneSize.height() / 2), doneSize);
    y += layout.copyRect.height() + 22;
    layout.card = QRectF(0, 0, cardWidth, y);
    const QPointF centre = QRectF(rect()).center();
    layout.transform.translate(centre.x(), centre.y());
    layout.transform.scale(scale, scale);
    layout.transform.translate(-cardWidth / 2, -y / 2);
    return layout;
}

QRectF ActionItemOverlayView::doneButtonRect() const
{
    const Layout layout = this->layout();
    return layout.transform.mapRect(layout.doneRect);
}

QString ActionItemOverlayView::doneToolTip()
{
    return platform::localized("Done (Ctrl+↩)");
}

QList<PaintedElement> ActionItemOverlayView::accessibleElements() const
{
    const Layout layout = this->layout();
    const QTransform& card = layout.transform;
    PaintedElement done
        = PaintedElement::button(QStringLiteral("done"), layout.done.title, card.mapRect(layout.doneRect));
    done.toolTip = doneToolTip();
    return {
        PaintedElement::text(QStringLiteral("header"), headerText(), card.mapRect(layout.headerRect)),
        PaintedElement::text(QStringLiteral("ended"), endedText(), card.mapRect(layout.endedRect)),
        PaintedElement::text(QStringLiteral("title"), m_meetingTitle, card.mapRect(layout.titleRect)),
        PaintedElement::text(QStringLiteral("hint"), hintText(), card.mapRect(layout.hintRect)),
        PaintedElement::button(QStringLiteral("copy"), layout.copy.title, card.mapRect(layout.copyRect), canCopy()),
        done,
    };
}

void ActionItemOverlayView::pressAccessibleElement(const QString& id)
{
    if (id == QLatin1String("copy"))
        copyNotes();
    else if (id == QLatin1String("done"))
        done();
}

void ActionItemOverlayView::placeEditor()
{
    const Layout layout = this->layout();
    m_editor->setGeometry(layout.transform.mapRect(layout.editor).toRect());
    m_editorOpacity->setOpacity(m_appeared ? (m_reduceMotion ? 1 : m_entrance) : 0);
}

void ActionItemOverlayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_editor->setFocus();
    m_appeared = true;
    if (m_reduceMotion) {
        m_entrance = 1;
    } else {
        m_entranceAnimation->setStartValue(0.0);
        m_entranceAnimation->setEndValue(1.0);
        m_entranceAnimation->start();
    }
    placeEditor();
}

bool ActionItemOverlayView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    showPaintedToolTip(*this, *static_cast<QHelpEvent*>(event), doneButtonRect(), doneToolTip());
    return true;
}

void ActionItemOverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeEditor();
}

bool ActionItemOverlayView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (isReturn && key->modifiers().testFlag(Qt::ControlModifier)) {
            done();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ActionItemOverlayView::mousePressEvent(QMouseEvent* event)
{
    // Clicks on the backdrop are absorbed.
    const Layout layout = this->layout();
    const QPointF local = layout.transform.inverted().map(event->position());
    m_pressed.clear();
    if (layout.copyRect.contains(local) && canCopy())
        m_pressed = QStringLiteral("copy");
    else if (layout.doneRect.contains(local))
        m_pressed = QStringLiteral("done");
    update();
}

void ActionItemOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    const Layout layout = this->layout();
    const QPointF local = layout.transform.inverted().map(event->position());
    const QString pressed = std::exchange(m_pressed, QString());
    update();
    if (pressed == QLatin1String("copy") && layout.copyRect.contains(local))
        copyNotes();
    else if (pressed == QLatin1String("done") && layout.doneRect.contains(local))
        done();
}

void ActionItemOverlayView::paintEvent(QPaintEvent*)
{
    const Palette& palette = Palette::shared();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, height());
    backdrop.setColorAt(0, withOpacity(palette.backgroundTop, 0.92));
    backdrop.setColorAt(1, withOpacity(palette.backgroundBottom, 0.96));
    painter.fillRect(rect(), backdrop);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.55f));

    const Layout layout = this->layout();
    painter.setTransform(layout.transform);
    painter.setOpacity(m_appeared ? (m_reduceMotion ? 1 : m_entrance) : 0);
    QPainterPath card;
    card.addRoundedRect(layout.card, 18, 18);
    drawDropShadow(painter, card, QColor::fromRgbF(0, 0, 0, 0.45f), 28, QPointF(0, 14));
    QLinearGradient cardFill(layout.card.topLeft(), layout.card.bottomRight());
    cardFill.setColorAt(0, palette.backgroundTop);
    cardFill.setColorAt(1, palette.backgroundBottom);
    fillOutlined(painter, layout.card, 18, cardFill,
        QPen(QColor::fromRgbF(1, 1, 1, 0.12f), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));

    QPainterPath mark;
    mark.addRoundedRect(layout.mark, 6, 6);
    QLinearGradient markFill(layout.mark.topLeft(), layout.mark.bottomRight());
    markFill.setColorAt(0, palette.teal);
    markFill.setColorAt(1, palette.blue);
    painter.fillPath(mark, markFill);
    painter.setFont(overlayFont(15, QFont::Bold));
    painter.setPen(Qt::white);
    painter.drawText(layout.headerRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, headerText());

    layout.ended.paint(painter, layout.endedRect, Qt::AlignLeft, withOpacity(palette.teal, 0.9));
    layout.title.paint(painter, layout.titleRect, Qt::AlignLeft, Qt::white);
    layout.hint.paint(painter, layout.hintRect, Qt::AlignLeft, QColor::fromRgbF(1, 1, 1, 0.55f));

    fillOutlined(
        painter, layout.editor, 12, QColor::fromRgbF(1, 1, 1, 0.06f), QPen(QColor::fromRgbF(1, 1, 1, 0.12f), 1));

    // The button's disabled look is the 45 % that the prompt asks for while there is nothing to copy.
    PrimaryActionButton(palette.teal)
        .paint(painter, layout.copyRect, layout.copy, m_pressed == QLatin1String("copy") ? 1 : 0, canCopy());
    SecondaryOverlayButton().paint(painter, layout.doneRect, layout.done, m_pressed == QLatin1String("done"));
}

} // namespace tolvar

#include "tolvar/menubar/MeetingDetailSidePanelAccessor.h"

#include <QEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvar {

MeetingDetailSidePanelAccessor::MeetingDetailSidePanelAccessor(CardFactory cardFactory, QWidget* parent)
    : QWidget(parent)
    , m_cardFactory(std::move(cardFactory))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
}

MeetingDetailSidePanelAccessor::~MeetingDetailSidePanelAccessor()
{
    // The panel that placed us may be half gone: tell it nothing.
    m_onHoverChange = nullptr;
    remove();
}

void MeetingDetailSidePanelAccessor::update(
    Values values, std::function<void()> onShowAllAttendees, std::function<void(bool)> onHoverChange)
{
    m_values = std::move(values);
    m_onShowAllAttendees = std::move(onShowAllAttendees);
    m_onHoverChange = std::move(onHoverChange);
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_updateScheduled = false;
            applyUpdate();
        },
        Qt::QueuedConnection);
}

QRect MeetingDetailSidePanelAccessor::panelFrame(
    const QRect& parentFrame, const Values& values, int fittingHeight, const QRect& available)
{
    // Without a screen nothing caps the card: it gets its whole fitting height.
    const int floored = std::max(fittingHeight, minimumHeight);
    const int height = available.isEmpty()
        ? floored
        : std::min(floored, std::max(available.height() - screenMargin, minimumMaximumHeight));
    int x = values.side == DetailPopupSide::trailing ? parentFrame.x() + parentFrame.width() + values.gap
                                                     : parentFrame.x() - values.gap - values.detailWidth;
    // Level with the row's middle; without a row, tops aligned.
    int y = parentFrame.y();
    if (values.anchorFrame && !values.anchorFrame->isNull() && values.anchorFrame->height() > 0)
        y = parentFrame.y() + qRound(values.anchorFrame->center().y()) - height / 2;
    if (!available.isEmpty()) {
        x = std::min(std::max(x, available.x()), available.x() + available.width() - values.detailWidth);
        y = std::min(std::max(y, available.y()), available.y() + available.height() - height);
    }
    return QRect(x, y, values.detailWidth, height);
}

void MeetingDetailSidePanelAccessor::applyUpdate()
{
    QWidget* parentWindow = parentWidget() ? window() : nullptr;
    if (!m_values.meeting || !m_values.timeLabel || !parentWindow || !parentWindow->isVisible())
        return remove();
    if (m_shown == m_values && m_shownParentFrame == parentWindow->frameGeometry() && m_panel)
        return; // Screen capture cannot be refused on X11: nothing else to apply.

    if (m_parentWindow != parentWindow) {
        remove();
        m_parentWindow = parentWindow;
        parentWindow->installEventFilter(this);
    }
    if (!m_panel) {
        // A tool window of the main panel's: transient for it, above it with it, gone with it.
        m_panel = new QWidget(
            parentWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        m_panel->setAttribute(Qt::WA_ShowWithoutActivating);
        m_panel->setAttribute(Qt::WA_TranslucentBackground);
        auto* layout = new QVBoxLayout(m_panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    // The card is rebuilt whenever anything it shows changed, not only the fields compared above.
    if (!m_shown || m_shown->meeting != m_values.meeting || m_shown->timeLabel != m_values.timeLabel
        || m_shown->showAllAttendees != m_values.showAllAttendees || !m_card) {
        delete m_card;
        QPointer<MeetingDetailSidePanelAccessor> self(this);
        m_card = m_cardFactory(
            *m_values.meeting, *m_values.timeLabel, m_values.showAllAttendees,
            [self] {
                if (self && self->m_onShowAllAttendees)
                    self->m_onShowAllAttendees();
            },
            [self](bool hovering) {
                if (self && self->m_onHoverChange)
                    self->m_onHoverChange(hovering);
            });
        m_card->setFixedWidth(m_values.detailWidth);
        m_panel->layout()->addWidget(m_card);
    }
    place();
    m_shown = m_values;
    m_shownParentFrame = parentWindow->frameGeometry();
    if (!m_panel->isVisible())
        m_panel->show();
}

void MeetingDetailSidePanelAccessor::place()
{
    if (!m_panel || !m_card || !m_parentWindow)
        return;
    const QScreen* screen = screenOfWindow(m_parentWindow);
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const int hint
        = m_card->hasHeightForWidth() ? m_card->heightForWidth(m_values.detailWidth) : m_card->sizeHint().height();
    const int fit = std::max(hint, m_card->minimumHeight());
    const QRect frame = panelFrame(m_parentWindow->geometry(), m_values, fit, available);
    m_panel->setFixedSize(frame.size());
    m_panel->setGeometry(frame);
    m_panel->update();
}

bool MeetingDetailSidePanelAccessor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_parentWindow)
        return false;
    if (event->type() == QEvent::Hide)
        remove();
    // Without a window manager that moves transients along, the side panel follows by itself.
    else if (event->type() == QEvent::Move && m_panel) {
        place();
        m_shownParentFrame = m_parentWindow->frameGeometry();
    }
    return false;
}

void MeetingDetailSidePanelAccessor::remove()
{
    const bool hadPanel = m_panel;
    if (m_panel) {
        m_panel->hide();
        m_panel->deleteLater();
    }
    m_panel = nullptr;
    m_card = nullptr;
    m_shown.reset();
    m_shownParentFrame = QRect();
    if (m_parentWindow)
        m_parentWindow->removeEventFilter(this);
    m_parentWindow = nullptr;
    if (hadPanel && m_onHoverChange)
        m_onHoverChange(false);
}

} // namespace tolvar

#include "tolvar/menubar/PanelScrollArea.h"

#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelStyle.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWindow>
#include <algorithm>

namespace tolvar {

PanelScrollArea::PanelScrollArea(QWidget* content, QWidget* parent)
    : QScrollArea(parent)
    , m_content(content)
    , m_view(qobject_cast<MenuBarContentView*>(content))
{
    PanelStyle::setUpVerticalScrollArea(*this);
    setWidget(content);
    // Queued, so that the rows have moved and the scroll's own bookkeeping is done.
    connect(
        verticalScrollBar(), &QScrollBar::valueChanged, this, &PanelScrollArea::replayPointer, Qt::QueuedConnection);
    if (!m_view)
        return;
    connect(&m_view->ui(), &MenuBarInteractionModel::changed, this, &PanelScrollArea::followSelection);
    // The wheel, the bar's handle and its page clicks: the user moved the list, rows and all.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
        [this] { keepSelectedRow(verticalScrollBar()->sliderPosition()); });
}

int PanelScrollArea::fittingHeight(int width) const
{
    const int hint = m_content->hasHeightForWidth() ? m_content->heightForWidth(width) : m_content->sizeHint().height();
    return std::max(hint, m_content->minimumHeight());
}

bool PanelScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    const bool filtered = QScrollArea::eventFilter(watched, event);
    if (watched == m_content && event->type() == QEvent::Resize)
        Q_EMIT fittingHeightChanged();
    return filtered;
}

void PanelScrollArea::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    // Shown again with the keys' selection kept: its card comes back, so its row must be in sight.
    if (const auto row = selectedRow(); row && m_view->ui().showDetailFromKeyboard())
        revealSelection(*row);
}

std::optional<QRectF> PanelScrollArea::selectedRow() const
{
    if (!m_view)
        return std::nullopt;
    const MenuBarInteractionModel& ui = m_view->ui();
    if (!ui.selectedMeetingID())
        return std::nullopt;
    const auto frame = ui.meetingRowFrames().constFind(*ui.selectedMeetingID());
    if (frame == ui.meetingRowFrames().constEnd())
        return std::nullopt;
    return *frame;
}

void PanelScrollArea::followSelection()
{
    const std::optional<QRectF> row = selectedRow();
    if (!row) {
        m_keptID.reset();
        return;
    }
    // The same row, perhaps moved within the content by a change above it: the list moves with it.
    if (m_keptID == m_view->ui().selectedMeetingID())
        return verticalScrollBar()->setValue(qRound(row->top() - m_keptOffset));
    // The keys walk every row of the day, also those below the window's edge.
    if (m_view->ui().showDetailFromKeyboard())
        return revealSelection(*row);
    keepSelectedRow(verticalScrollBar()->value());
}

void PanelScrollArea::revealSelection(const QRectF& row)
{
    const QPoint centre = row.center().toPoint();
    ensureVisible(centre.x(), centre.y(), 0, int(row.height() / 2) + 8);
    keepSelectedRow(verticalScrollBar()->value());
}

void PanelScrollArea::keepSelectedRow(int scrollValue)
{
    const std::optional<QRectF> row = selectedRow();
    m_keptID = row ? m_view->ui().selectedMeetingID() : std::nullopt;
    if (row)
        m_keptOffset = row->top() - scrollValue;
}

// Qt tells widgets about the pointer only when it moves; a scroll moves the rows instead, leaving the
// row it left believing it is hovered.
void PanelScrollArea::replayPointer()
{
    QWindow* handle = window()->windowHandle();
    const QPoint pointer = QCursor::pos();
    if (!handle || !isVisible() || QGuiApplication::mouseButtons() != Qt::NoButton
        || QGuiApplication::topLevelAt(pointer) != handle
        || !viewport()->rect().contains(viewport()->mapFromGlobal(pointer)))
        return;
    const QPointF local = handle->mapFromGlobal(QPointF(pointer));
    QMouseEvent move(QEvent::MouseMove, local, local, QPointF(pointer), Qt::NoButton, Qt::NoButton,
        QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(handle, &move);
}

} // namespace tolvar

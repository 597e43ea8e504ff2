#include "tolvar/menubar/PanelWindowBridges.h"

#include "tolvar/core/AppModel.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelHotkeyWindowAccessor.h"
#include "tolvar/menubar/ScreenSharePrivacyWindowAccessor.h"

#include <QEvent>

namespace tolvar {

PanelWindowBridges::PanelWindowBridges(
    MenuBarContentView& view, PanelTransientHotkeys& registry, MeetingDetailSidePanelAccessor::CardFactory cardFactory)
    : QObject(&view)
    , m_view(view)
    , m_hotkeys(new PanelHotkeyWindowAccessor(registry, &view))
    , m_privacy(new ScreenSharePrivacyWindowAccessor(&view))
    , m_sidePanel(new MeetingDetailSidePanelAccessor(std::move(cardFactory), &view))
{
    PanelHotkeyWindowAccessor::Handlers handlers;
    handlers.onEscape = [this](QWidget*) { m_view.onEscape(); };
    handlers.onLeft = [this] { m_view.onLeft(); };
    handlers.onRight = [this] { m_view.onRight(); };
    handlers.onUp = [this] { m_view.onUp(); };
    handlers.onDown = [this] { m_view.onDown(); };
    handlers.onReturn = [this] { m_view.onReturn(); };
    handlers.onMute = [this] { m_view.onMute(); };
    handlers.onUnmute = [this] { m_view.onUnmute(); };
    m_hotkeys->setHandlers(std::move(handlers));

    AppModel& appModel = view.appModel();
    m_privacy->setHideFromCapture(appModel.effectiveHideOverlayDuringScreenShare());
    connect(&view, &MenuBarContentView::detailChanged, this, &PanelWindowBridges::updateSidePanel);
    view.installEventFilter(this);
    // Escape is the hosting window's cancel operation: its close, which the Quick Panel takes for
    // its dismissal and the tray panel for hiding.
    connect(&view, &MenuBarContentView::cancelRequested, this, [this] {
        if (QWidget* window = m_view.window(); window != &m_view)
            window->close();
    });
}

bool PanelWindowBridges::eventFilter(QObject* watched, QEvent* event)
{
    // Scrolled within its window, the view moves and the card follows its row.
    if (watched == &m_view && event->type() == QEvent::Move)
        updateSidePanel();
    return QObject::eventFilter(watched, event);
}

void PanelWindowBridges::updateSidePanel()
{
    MeetingDetailSidePanelAccessor::Values values;
    values.meeting = m_view.detailMeeting();
    if (values.meeting)
        values.timeLabel = m_view.detailTimeLabel(*values.meeting);
    values.side = m_view.ui().detailPopupSide();
    // The row where the window shows it: the Quick Panel scrolls a long day.
    if (const auto anchor = m_view.detailAnchorRect())
        values.anchorFrame = anchor->translated(m_view.mapTo(m_view.window(), QPoint(0, 0)));
    values.detailWidth = MenuBarContentView::detailCardWidth;
    values.gap = MenuBarContentView::detailGap;
    values.hideFromCapture = m_view.appModel().effectiveHideOverlayDuringScreenShare();
    values.showAllAttendees = m_view.ui().showAllAttendees();
    m_privacy->setHideFromCapture(values.hideFromCapture);
    m_sidePanel->update(
        std::move(values), [this] { m_view.expandAttendees(); },
        [this](bool hovering) { m_view.detailHoverChanged(hovering); });
}

} // namespace tolvar

#include "tolvar/menubar/QuickPanelController.h"

#include "tolvar/menubar/DetailPopupSide.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/menubar/QuickPanelHostingView.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/menubar/QuickPanelWindow.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace tolvar {

using Owner = PanelTransientHotkeys::Owner;

namespace {
// A frame the user moved, pulled back inside the usable area it overhangs.
QRect keptInside(const QRect& frame, const QRect& visibleFrame)
{
    const int x
        = std::max(visibleFrame.x(), std::min(frame.x(), visibleFrame.x() + visibleFrame.width() - frame.width()));
    const int y
        = std::max(visibleFrame.y(), std::min(frame.y(), visibleFrame.y() + visibleFrame.height() - frame.height()));
    return QRect(x, y, frame.width(), frame.height());
}
} // namespace

QuickPanelController::QuickPanelController(
    PanelTransientHotkeys& registry, ContentFactory contentFactory, QObject* parent)
    : QObject(parent)
    , m_registry(registry)
    , m_contentFactory(std::move(contentFactory))
{ }

QuickPanelController::~QuickPanelController()
{
    if (m_panel)
        close(m_panel);
}

bool QuickPanelController::hasPanel() const
{
    return m_panel != nullptr;
}

QuickPanelWindow* QuickPanelController::panel() const
{
    return m_panel;
}

QuickPanelPinModel* QuickPanelController::pinModel() const
{
    return m_pinModel;
}

QScreen* QuickPanelController::screenUnderMouse()
{
    return QGuiApplication::screenAt(QCursor::pos());
}

QRect QuickPanelController::panelFrame(QPoint mouse, std::optional<QRect> visibleFrame, int wantedHeight)
{
    const int height = fittedHeight(visibleFrame, wantedHeight);
    if (!visibleFrame)
        return QRect(mouse.x(), mouse.y(), width, height);
    const QRect& visible = *visibleFrame;
    const int visibleBottom = visible.y() + visible.height();
    const int x = std::min(std::max(mouse.x(), visible.x()), visible.x() + visible.width() - width);
    // Hangs below the pointer; where that leaves the screen, stands above it, but not above the top.
    int top = mouse.y();
    if (top + height > visibleBottom)
        top = std::max(visible.y(), mouse.y() - height);
    top = std::min(top, visibleBottom - height);
    return QRect(x, top, width, height);
}

int QuickPanelController::fittedHeight(std::optional<QRect> visibleFrame, int wantedHeight)
{
    if (!visibleFrame)
        return std::clamp(wantedHeight, minimumHeight, maximumHeightWithoutScreen);
    return std::min(std::max(wantedHeight, minimumHeight), visibleFrame->height() - screenMargin);
}

QRect QuickPanelController::refitFrame(
    const QRect& current, int anchorTop, std::optional<QRect> visibleFrame, int wantedHeight)
{
    const int height = fittedHeight(visibleFrame, wantedHeight);
    if (!visibleFrame)
        return QRect(current.x(), anchorTop, width, height);
    const int visibleBottom = visibleFrame->y() + visibleFrame->height();
    return QRect(current.x(), std::max(visibleFrame->y(), std::min(anchorTop, visibleBottom - height)), width, height);
}

QScreen* QuickPanelController::screenForDrop(const QRect& frame, QPoint pointer)
{
    if (frame.contains(pointer)) {
        if (QScreen* screen = QGuiApplication::screenAt(pointer))
            return screen;
    }
    QScreen* holding = nullptr;
    qint64 largest = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = frame.intersected(screen->geometry());
        const qint64 area = qint64(shared.width()) * shared.height();
        if (area > largest) {
            largest = area;
            holding = screen;
        }
    }
    return holding ? holding : screenNearest(pointer);
}

// Where monitors of different sizes leave a strip of the desktop that no monitor shows.
QScreen* QuickPanelController::screenNearest(QPoint point)
{
    QScreen* nearest = nullptr;
    int shortest = std::numeric_limits<int>::max();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const QPoint inside(
            std::clamp(point.x(), area.left(), area.right()), std::clamp(point.y(), area.top(), area.bottom()));
        if (const int distance = (point - inside).manhattanLength(); distance < shortest) {
            shortest = distance;
            nearest = screen;
        }
    }
    return nearest;
}

QRect QuickPanelController::restingFrame(const QRect& dropped, const QRect& visibleFrame, int wantedHeight)
{
    return keptInside(QRect(dropped.topLeft(), QSize(width, fittedHeight(visibleFrame, wantedHeight))), visibleFrame);
}

void QuickPanelController::toggle(AppModel& appModel, std::function<void()> showSettings)
{
    if (m_panel && m_panel->isVisible())
        return close(m_panel);
    // A panel that exists unseen (the window manager took it away) still holds its suppression.
    if (m_panel)
        close(m_panel);
    open(appModel, std::move(showSettings));
}

void QuickPanelController::open(AppModel& appModel, std::function<void()> showSettings)
{
    auto* panel = new QuickPanelWindow(m_registry);
    auto* pinModel = new QuickPanelPinModel(panel);
    m_pinModel = pinModel;
    auto* hostingView = new QuickPanelHostingView(m_contentFactory(appModel, std::move(showSettings), pinModel));
    hostingView->resize(width, layoutHeight);
    const int wantedHeight = hostingView->fittingHeight(width);

    QScreen* screen = screenUnderMouse();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const std::optional<QRect> visibleFrame = screen ? std::optional(screen->availableGeometry()) : std::nullopt;
    const QRect frame = panelFrame(QCursor::pos(), visibleFrame, wantedHeight);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hostingView);
    panel->setGeometry(frame);
    panel->setFixedSize(frame.size());
    m_hostingView = hostingView;
    m_placedFrame = frame;
    m_anchorTop = frame.y();
    // Another day, or a meeting added or ended, changes the content's height while the panel is open.
    connect(hostingView, &QuickPanelHostingView::fittingHeightChanged, this, &QuickPanelController::refit);
    // Dragged while pinned, it stays on its screen as it was placed there.
    panel->installEventFilter(this);

    panel->setOnClose([controller = QPointer<QuickPanelController>(this)] {
        if (!controller)
            return;
        controller->endSuppression();
        controller->m_registry.unregisterOwner(Owner::quickPanel);
        controller->m_registry.unregisterOwner(Owner::menuBar);
        controller->forget();
    });
    pinModel->setOnPinnedChange([this, hostingView = QPointer<QuickPanelHostingView>(hostingView),
                                    panel = QPointer<QuickPanelWindow>(panel)](bool pinned) {
        if (hostingView)
            hostingView->setAllowsWindowMove(pinned);
        if (panel)
            panel->setPinned(pinned);
        if (pinned != m_registry.suppressPanelHotkeys()) {
            m_registry.setSuppressPanelHotkeys(pinned);
            m_registry.applyRegistrations();
        }
    });

    m_panel = panel;
    panel->show();
    panel->raise();
    panel->activateWindow();
    m_registry.registerOwner(Owner::quickPanel, PanelTransientHotkeys::KeySet::panelNavigation,
        [panel = QPointer<QuickPanelWindow>(panel)](PanelTransientHotkeys::Action action) {
            if (action == PanelTransientHotkeys::Action::escape && panel && !panel->isDismissing())
                panel->dismiss();
        });
}

void QuickPanelController::refit()
{
    if (!m_panel || !m_hostingView)
        return;
    const QScreen* screen = screenOfWindow(m_panel);
    const std::optional<QRect> visibleFrame = screen ? std::optional(screen->availableGeometry()) : std::nullopt;
    const QRect frame = refitFrame(m_panel->geometry(), m_anchorTop, visibleFrame, m_hostingView->fittingHeight(width));
    if (frame == m_panel->geometry())
        return;
    m_placedFrame = frame;
    m_panel->setFixedSize(frame.size());
    m_panel->setGeometry(frame);
}

bool QuickPanelController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel && event->type() == QEvent::Move)
        keepInsideScreen();
    return QObject::eventFilter(watched, event);
}

// A pinned panel the user dragged keeps, inside the monitor it was dropped on, the top it was dragged to.
// Qt may still name the monitor it came from while most of it overhangs the new one's edge.
void QuickPanelController::keepInsideScreen()
{
    const QRect dropped = m_panel->geometry();
    if (dropped.topLeft() == m_placedFrame.topLeft())
        return;
    const QScreen* screen = screenForDrop(dropped, QCursor::pos());
    const int wantedHeight = m_hostingView ? m_hostingView->fittingHeight(width) : dropped.height();
    const QRect frame = screen ? restingFrame(dropped, screen->availableGeometry(), wantedHeight) : dropped;
    m_placedFrame = frame;
    m_anchorTop = frame.y();
    if (frame == dropped)
        return;
    m_panel->setFixedSize(frame.size());
    m_panel->setGeometry(frame);
}

void QuickPanelController::closePanel()
{
    if (m_panel)
        close(m_panel);
}

void QuickPanelController::close(QuickPanelWindow* panel)
{
    endSuppression();
    m_registry.unregisterOwner(Owner::quickPanel);
    m_registry.unregisterOwner(Owner::menuBar);
    if (!panel)
        return forget();
    // Closed here, so that losing the focus on the way out is no dismissal of its own.
    const std::function<void()> onClose = panel->onClose();
    panel->setOnClose({});
    panel->hide();
    if (onClose)
        onClose();
    panel->deleteLater();
    forget();
}

void QuickPanelController::endSuppression()
{
    if (!m_registry.suppressPanelHotkeys())
        return;
    m_registry.setSuppressPanelHotkeys(false);
    m_registry.applyRegistrations();
}

void QuickPanelController::forget()
{
    if (m_panel)
        m_panel->deleteLater();
    m_pinModel = nullptr;
    m_panel = nullptr;
    m_hostingView = nullptr;
}

} // namespace tolvar

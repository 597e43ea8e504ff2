#include "tolvar/availability/AvailabilitySharePanelController.h"

#include "platform/text/Localized.h"
#include "platform/time/SystemClock.h"
#include "tolvar/availability/AvailabilityPanelPlacement.h"
#include "tolvar/availability/AvailabilityShareView.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvar {

namespace {

// The panel's window: a frameless card that floats above other windows. Escape and any close of
// the window (the window manager's included) go to the controller.
class AvailabilityShareWindow : public QWidget
{
public:
    explicit AvailabilityShareWindow(std::function<void()> onEscape, std::function<void()> onClose)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , m_onEscape(std::move(onEscape))
        , m_onClose(std::move(onClose))
    { }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
            QWidget::keyPressEvent(event);
            return;
        }
        hide();
        m_onEscape();
    }

    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        m_onClose();
    }

private:
    std::function<void()> m_onEscape;
    std::function<void()> m_onClose;
};

} // namespace

AvailabilitySharePanelController& AvailabilitySharePanelController::shared()
{
    // Never torn down: the process ends with it, and its panel must not outlive the application object.
    static platform::SystemClock clock;
    static auto* controller = new AvailabilitySharePanelController(clock, PanelTransientHotkeys::shared());
    return *controller;
}

AvailabilitySharePanelController::AvailabilitySharePanelController(
    platform::Clock& clock, PanelTransientHotkeys& hotkeys, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_hotkeys(hotkeys)
{ }

AvailabilitySharePanelController::~AvailabilitySharePanelController()
{
    close();
}

bool AvailabilitySharePanelController::isOpen() const
{
    return m_panel && m_panel->isVisible();
}

void AvailabilitySharePanelController::show(
    QWidget* anchor, const QList<MeetingSnapshot>& meetings, bool /*hideFromScreenSharing*/)
{
    close();
    const QPointer<AvailabilitySharePanelController> self(this);
    const auto closeController = [self] {
        if (self)
            self->close();
    };

    auto* window = new AvailabilityShareWindow(closeController, closeController);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setWindowTitle(platform::localized("Share free time"));
    auto* view = new AvailabilityShareView(meetings, closeController, m_clock, window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    window->setFixedSize(AvailabilityShareView::cardWidth, AvailabilityShareView::cardHeight);
    m_panel = window;
    m_view = view;

    positionPanel(anchor);
    window->show();
    window->raise();
    window->activateWindow();

    m_hotkeys.registerOwner(PanelTransientHotkeys::Owner::availabilityShare, PanelTransientHotkeys::KeySet::escapeOnly,
        [self](PanelTransientHotkeys::Action action) {
            if (self && action == PanelTransientHotkeys::Action::escape)
                self->close();
        });
}

void AvailabilitySharePanelController::close()
{
    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::availabilityShare);
    if (QWidget* panel = m_panel) {
        panel->hide();
        // close() may run inside the panel's own event handling.
        panel->deleteLater();
    }
    m_panel.clear();
    m_view.clear();
}

void AvailabilitySharePanelController::positionPanel(QWidget* anchor)
{
    const QSize size(AvailabilityShareView::cardWidth, AvailabilityShareView::cardHeight);
    if (anchor) {
        const QWidget* anchorWindow = anchor->window();
        const QRect frame = anchorWindow->frameGeometry();
        QScreen* screen = anchorWindow->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect visible = screen ? screen->availableGeometry() : frame;
        m_panel->move(availabilityPanelOrigin(frame, visible, size));
        return;
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        m_panel->move(centredPanelOrigin(screen->availableGeometry(), size));
}

} // namespace tolvar

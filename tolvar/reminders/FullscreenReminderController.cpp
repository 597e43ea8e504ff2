#include "tolvar/reminders/FullscreenReminderController.h"

#include "platform/sound/SystemSound.h"
#include "platform/time/Clock.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderOverlayView.h"
#include "tolvar/reminders/X11Activation.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace tolvar {

namespace {

// A borderless window that X11 keeps out of the window manager's hands: placed exactly on its
// screen and stacked above every managed window, full-screen applications included.
class ReminderOverlayWindow final : public QWidget
{
public:
    explicit ReminderOverlayWindow(QWidget* content)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        content->setFocus();
    }
};

} // namespace

const QStringList FullscreenReminderController::soundNames
    = { QStringLiteral("phone-incoming-call"), QStringLiteral("bell") };

FullscreenReminderController::FullscreenReminderController(
    platform::Clock& clock, platform::SystemSound& systemSound, PanelTransientHotkeys& hotkeys, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_systemSound(systemSound)
    , m_hotkeys(hotkeys)
{
    // A Quit right after an answer must not drop it with the close animation: the model is still here.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &FullscreenReminderController::runHeldActions);
}

FullscreenReminderController::~FullscreenReminderController()
{
    runHeldActions();
    if (m_isOverlayVisible)
        m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::reminderOverlay);
    stopSound();
    qDeleteAll(m_windows);
    qDeleteAll(m_closingWindows);
    delete m_focusModel;
}

QList<MeetingSnapshot> FullscreenReminderController::sortedByStart(QList<MeetingSnapshot> meetings)
{
    return tolvar::sortedByStart(std::move(meetings));
}

QList<QWidget*> FullscreenReminderController::windows() const
{
    return m_windows;
}

void FullscreenReminderController::show(const QList<MeetingSnapshot>& meetings, bool playSound, int soundRepeat,
    bool /*hideFromScreenShare*/, double autoDismissAfter, JoinHandler onJoin, SnoozeHandler onSnooze,
    DismissHandler onDismiss)
{
    const QList<MeetingSnapshot> sorted = sortedByStart(meetings);
    if (sorted.isEmpty())
        return;
    hideAll();
    m_isHandlingAction = false;
    m_isOverlayVisible = true;
    m_visibleMeetings = sorted;
    m_focusModel = new OverlayFocusModel(this);

    const QPointer<FullscreenReminderController> self(this);
    auto viewJoin = [self, onJoin](const MeetingSnapshot& meeting) {
        if (self)
            self->handleAction([onJoin, meeting] { onJoin(meeting); });
    };
    auto viewSnooze = [self, onSnooze, sorted](double seconds) {
        if (self)
            self->handleAction([onSnooze, sorted, seconds] { onSnooze(sorted, seconds); });
    };
    auto viewDismiss = [self, onDismiss, sorted] {
        if (self)
            self->handleAction([onDismiss, sorted] { onDismiss(sorted); });
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        auto* view = new ReminderOverlayView(sorted, viewJoin, viewSnooze, viewDismiss, m_focusModel, m_clock);
        auto* window = new ReminderOverlayWindow(view);
        window->setGeometry(screen->geometry());
        window->show();
        window->raise();
        window->activateWindow();
        m_windows.append(window);
    }
    // A turn of the event loop later, so that a focus change the window manager makes while the windows
    // open does not have the last word.
    if (QWidget* key = m_windows.isEmpty() ? nullptr : m_windows.last())
        QMetaObject::invokeMethod(
            key, [key] { activateIgnoringOtherApplications(*key); }, Qt::QueuedConnection);

    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::menuBar);
    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::quickPanel);
    m_hotkeys.registerOwner(PanelTransientHotkeys::Owner::reminderOverlay,
        PanelTransientHotkeys::KeySet::panelNavigation, [self, viewDismiss](PanelTransientHotkeys::Action action) {
            if (self)
                self->handleKey(action, viewDismiss);
        });

    if (playSound)
        startSound(soundRepeat);

    m_autoDismissTimer = m_clock.createTimer();
    m_autoDismissTimer->setSingleShot(true);
    // A hop to the event loop, so that the timer is not deleted while it emits.
    connect(
        m_autoDismissTimer.get(), &platform::Timer::timeout, this,
        [this, onDismiss, sorted] { performAction(holdAction([onDismiss, sorted] { onDismiss(sorted); })); },
        Qt::QueuedConnection);
    m_autoDismissTimer->start(autoDismissAfter);
}

void FullscreenReminderController::handleKey(PanelTransientHotkeys::Action action, const std::function<void()>& dismiss)
{
    const QPointer<OverlayFocusModel> focus = m_focusModel;
    if (!focus)
        return;
    using Action = PanelTransientHotkeys::Action;
    switch (action) {
    case Action::escape:
        dismiss();
        break;
    case Action::left:
    case Action::up:
        if (!focus->items().isEmpty())
            focus->setFocusIndex(std::max(focus->focusIndex() - 1, 0));
        break;
    case Action::right:
    case Action::down:
        focus->moveNext();
        break;
    case Action::returnKey:
        focus->activate();
        break;
    case Action::mute:
    case Action::unmute:
        break;
    }
}

void FullscreenReminderController::handleAction(std::function<void()> action)
{
    if (m_isHandlingAction)
        return;
    m_isHandlingAction = true;
    const QPointer<FullscreenReminderController> self(this);
    const quint64 ticket = holdAction([self, action = std::move(action)] {
        action();
        if (self)
            self->m_isHandlingAction = false;
    });
    QMetaObject::invokeMethod(
        this, [this, ticket] { performAction(ticket); }, Qt::QueuedConnection);
}

quint64 FullscreenReminderController::holdAction(std::function<void()> action)
{
    m_heldActions.emplace(++m_lastTicket, std::move(action));
    return m_lastTicket;
}

void FullscreenReminderController::runAction(quint64 ticket)
{
    const auto held = m_heldActions.find(ticket);
    if (held == m_heldActions.end())
        return;
    const std::function<void()> action = std::move(held->second);
    m_heldActions.erase(held);
    action();
}

void FullscreenReminderController::runHeldActions()
{
    const std::map<quint64, std::function<void()>> held = std::exchange(m_heldActions, {});
    for (const auto& entry : held)
        entry.second();
}

QList<QWidget*> FullscreenReminderController::takeDown()
{
    m_hotkeys.unregisterOwner(PanelTransientHotkeys::Owner::reminderOverlay);
    if (m_focusModel)
        m_focusModel->deleteLater();
    m_focusModel = nullptr;
    m_autoDismissTimer.reset();
    stopSound();
    m_isOverlayVisible = false;
    m_visibleMeetings.clear();
    const QList<QWidget*> windows = std::exchange(m_windows, {});
    for (QWidget* window : windows)
        window->hide();
    m_closingWindows.append(windows);
    return windows;
}

void FullscreenReminderController::closeLater(double seconds, QList<QWidget*> windows, std::function<void()> then)
{
    m_clock.singleShot(seconds, this, [this, windows, then = std::move(then)] {
        for (QWidget* window : windows) {
            m_closingWindows.removeOne(window);
            window->close();
            delete window;
        }
        if (then)
            then();
    });
}

void FullscreenReminderController::performAction(quint64 ticket)
{
    const QList<QWidget*> windows = takeDown();
    closeLater(
        0.35, windows, [this, ticket] { m_clock.singleShot(0.15, this, [this, ticket] { runAction(ticket); }); });
}

void FullscreenReminderController::hideAll()
{
    closeLater(0.25, takeDown(), {});
}

void FullscreenReminderController::startSound(int repeatCount)
{
    stopSound();
    std::unique_ptr<platform::Sound> sound;
    for (const QString& name : soundNames) {
        sound = m_systemSound.named(name);
        if (sound)
            break;
    }
    if (!sound) {
        m_systemSound.beep();
        return;
    }
    if (repeatCount < 1) {
        sound->setLooping(true);
        sound->play();
    } else {
        m_soundPlayLimit = repeatCount;
        m_soundPlayCount = 1;
        sound->play();
        m_soundReplayTimer = m_clock.createTimer();
        connect(m_soundReplayTimer.get(), &platform::Timer::timeout, this, &FullscreenReminderController::replayTick);
        m_soundReplayTimer->start(sound->duration() > 0 ? sound->duration() : 1.0);
    }
    m_reminderSound = std::move(sound);
}

void FullscreenReminderController::replayTick()
{
    if (m_soundPlayCount >= m_soundPlayLimit) {
        // Dropped with the sound; deleting it here would delete it while it emits.
        m_soundReplayTimer->stop();
        return;
    }
    ++m_soundPlayCount;
    if (m_reminderSound)
        m_reminderSound->play();
}

void FullscreenReminderController::stopSound()
{
    m_soundReplayTimer.reset();
    if (m_reminderSound)
        m_reminderSound->stop();
    m_reminderSound.reset();
    m_soundPlayLimit = 0;
    m_soundPlayCount = 0;
}

} // namespace tolvar

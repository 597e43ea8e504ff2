#pragma once

#include "tolvar/core/ReminderOverlay.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/reminders/OverlayFocusModel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

class QWidget;

namespace platform {
class Clock;
class Sound;
class SystemSound;
class Timer;
} // namespace platform

namespace tolvar {

// Puts the reminder for a group of meetings on every screen, with its sound, auto-dismiss and keys,
// and hands the user's choice to the caller only after the windows are gone, or at once when the
// controller or the application goes first.
class FullscreenReminderController : public QObject, public ReminderOverlay
{
    Q_OBJECT
public:
    // The freedesktop theme's sounds in order of preference; the beep stands in for both.
    static const QStringList soundNames;

    FullscreenReminderController(platform::Clock& clock, platform::SystemSound& systemSound,
        PanelTransientHotkeys& hotkeys, QObject* parent = nullptr);
    ~FullscreenReminderController() override;

    // Stable: meetings with equal starts keep their order.
    static QList<MeetingSnapshot> sortedByStart(QList<MeetingSnapshot> meetings);

    // hideFromScreenShare has no effect on X11, which cannot keep a window out of a screen capture.
    void show(const QList<MeetingSnapshot>& meetings, bool playSound, int soundRepeat, bool hideFromScreenShare,
        double autoDismissAfter, JoinHandler onJoin, SnoozeHandler onSnooze, DismissHandler onDismiss) override;
    void hideAll() override;
    bool isOverlayVisible() const override { return m_isOverlayVisible; }
    QList<MeetingSnapshot> visibleMeetings() const override { return m_visibleMeetings; }

    // The open windows, one per screen, in screen order.
    QList<QWidget*> windows() const;
    OverlayFocusModel* focusModel() const { return m_focusModel; }
    bool isHandlingAction() const { return m_isHandlingAction; }
    int soundPlayLimit() const { return m_soundPlayLimit; }
    int soundPlayCount() const { return m_soundPlayCount; }

private:
    void handleAction(std::function<void()> action);
    quint64 holdAction(std::function<void()> action);
    void performAction(quint64 ticket);
    void runAction(quint64 ticket);
    void runHeldActions();
    // Steps shared by the hand-over and hideAll(): everything but closing the windows.
    QList<QWidget*> takeDown();
    void closeLater(double seconds, QList<QWidget*> windows, std::function<void()> then);
    // `dismiss` runs the caller's dismissal through the action guard.
    void handleKey(PanelTransientHotkeys::Action action, const std::function<void()>& dismiss);
    void startSound(int repeatCount);
    void stopSound();
    void replayTick();

    platform::Clock& m_clock;
    platform::SystemSound& m_systemSound;
    PanelTransientHotkeys& m_hotkeys;

    QList<QWidget*> m_windows;
    // Ordered out and waiting to close; deleted with the controller at the latest.
    QList<QWidget*> m_closingWindows;
    QList<MeetingSnapshot> m_visibleMeetings;
    std::unique_ptr<platform::Timer> m_autoDismissTimer;
    std::unique_ptr<platform::Sound> m_reminderSound;
    bool m_isHandlingAction = false;
    // Chosen answers waiting for their windows to close, in the order chosen.
    std::map<quint64, std::function<void()>> m_heldActions;
    quint64 m_lastTicket = 0;
    int m_soundPlayLimit = 0;
    int m_soundPlayCount = 0;
    std::unique_ptr<platform::Timer> m_soundReplayTimer;
    QPointer<OverlayFocusModel> m_focusModel;
    bool m_isOverlayVisible = false;
};

} // namespace tolvar

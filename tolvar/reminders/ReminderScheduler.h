#pragma once

#include "platform/activity/ProcessActivity.h"
#include "platform/time/Date.h"
#include "tolvar/core/ReminderScheduling.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

namespace platform {
class Clock;
class Timer;
} // namespace platform

namespace tolvar {

class AppModel;
class ReminderOverlay;

// The once-a-second heartbeat, on the wall clock's whole seconds, that turns the model's due meetings
// into full-screen reminders and keeps the process from being throttled while a reminder is near. It
// decides nothing itself: the model's rules and actions do.
class ReminderScheduler : public QObject, public ReminderScheduling
{
    Q_OBJECT
public:
    static constexpr double appNapGuardHorizon = 300;
    // How long a reminder found due waits for the other machines' answers that are still being read at start.
    static constexpr double peerAnswersWait = 2;

    ReminderScheduler(AppModel& appModel, ReminderOverlay& overlayController, platform::Clock& clock,
        platform::ProcessActivity& processActivity, QObject* parent = nullptr);
    ~ReminderScheduler() override;

    void start() override;
    void evaluate() override;
    void yieldOverlay(const QList<MeetingSnapshot>& shownInstead) override;

    // Meeting id, start and snooze end in whole seconds since 1970, joined by "-".
    QString reminderKey(const MeetingSnapshot& meeting) const;
    void updateAppNapGuard(platform::Date now);

    QSet<QString> firedKeys() const { return m_firedKeys; }
    bool isAppNapGuardHeld() const { return m_appNapAssertion.has_value(); }

private:
    void scheduleTick();
    void remindAgainOfSetAside();
    // Whether the due reminder under `key` still waits for the other machines' answers; starts its wait when new.
    bool awaitsPeerAnswers(const QString& key, platform::Date now);
    QList<MeetingSnapshot> withUnanswered(QList<MeetingSnapshot> group, platform::Date now);
    void show(const QList<MeetingSnapshot>& group);

    AppModel& m_appModel;
    ReminderOverlay& m_overlayController;
    platform::Clock& m_clock;
    platform::ProcessActivity& m_processActivity;
    std::unique_ptr<platform::Timer> m_timer;
    QSet<QString> m_firedKeys;
    // By reminder key: when each reminder waiting for the other machines' answers was found due.
    QHash<QString, platform::Date> m_awaitingSince;
    // What this scheduler last put on screen; the full-screen test shows meetings of its own there too.
    QList<MeetingSnapshot> m_shown;
    // Unanswered reminders that the full-screen test took off screen.
    QList<MeetingSnapshot> m_setAside;
    std::optional<platform::ProcessActivity::Token> m_appNapAssertion;
};

} // namespace tolvar

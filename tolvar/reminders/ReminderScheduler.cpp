#include "tolvar/reminders/ReminderScheduler.h"

#include "platform/time/Clock.h"
#include "tolvar/core/ActionItemPrompt.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/core/ReminderOverlay.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/reminders/FullscreenReminderController.h"

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tolvar {

namespace {

bool containsMeeting(const QList<MeetingSnapshot>& meetings, const QString& id)
{
    return std::any_of(
        meetings.cbegin(), meetings.cend(), [&id](const MeetingSnapshot& meeting) { return meeting.id == id; });
}

} // namespace

ReminderScheduler::ReminderScheduler(AppModel& appModel, ReminderOverlay& overlayController, platform::Clock& clock,
    platform::ProcessActivity& processActivity, QObject* parent)
    : QObject(parent)
    , m_appModel(appModel)
    , m_overlayController(overlayController)
    , m_clock(clock)
    , m_processActivity(processActivity)
{ }

ReminderScheduler::~ReminderScheduler()
{
    if (m_appNapAssertion)
        m_processActivity.end(*m_appNapAssertion);
}

void ReminderScheduler::start()
{
    m_timer = m_clock.createTimer();
    m_timer->setSingleShot(true);
    connect(m_timer.get(), &platform::Timer::timeout, this, [this] {
        evaluate();
        scheduleTick();
    });
    evaluate();
    scheduleTick();
}

void ReminderScheduler::scheduleTick()
{
    // Meetings fall due on whole seconds of the wall clock; a tick at whatever fraction the program
    // started would bring every reminder up to a second late. So each tick aims at the next whole
    // second, or sooner at a snooze's end, which falls between them.
    const platform::Date now = m_clock.now();
    double delay = std::ceil(now.secondsSinceReferenceDate()) - now.secondsSinceReferenceDate();
    if (delay <= 0)
        delay = 1.0;
    const double lead = m_appModel.reminderLeadSeconds();
    for (const MeetingSnapshot& meeting : m_appModel.meetings()) {
        const double until = m_appModel.nextReminderDate(meeting, lead).secondsSince(now);
        if (until > 0 && until < delay)
            delay = until;
    }
    for (const platform::Date since : std::as_const(m_awaitingSince)) {
        const double until = since.addingSeconds(peerAnswersWait).secondsSince(now);
        if (until > 0 && until < delay)
            delay = until;
    }
    m_timer->start(delay);
}

QString ReminderScheduler::reminderKey(const MeetingSnapshot& meeting) const
{
    qint64 snoozedUntil = 0;
    const auto state = m_appModel.reminderStates().constFind(meeting.id);
    if (state != m_appModel.reminderStates().constEnd() && state->snoozedUntil)
        snoozedUntil = state->snoozedUntil->wholeSecondsSince1970();
    return meeting.id + u'-' + QString::number(meeting.startDate.wholeSecondsSince1970()) + u'-'
        + QString::number(snoozedUntil);
}

void ReminderScheduler::evaluate()
{
    const platform::Date now = m_clock.now();
    const double lead = m_appModel.reminderLeadSeconds();
    const QList<MeetingSnapshot> meetings = m_appModel.meetings();

    QSet<QString> listedKeys;
    listedKeys.reserve(meetings.size());
    for (const MeetingSnapshot& meeting : meetings)
        listedKeys.insert(reminderKey(meeting));
    m_firedKeys.intersect(listedKeys);
    const bool peerAnswersIn = m_appModel.hasPeerReminderStates();
    if (peerAnswersIn)
        m_awaitingSince.clear();
    else
        m_awaitingSince.removeIf(
            [&listedKeys](QHash<QString, platform::Date>::iterator held) { return !listedKeys.contains(held.key()); });
    remindAgainOfSetAside();

    QList<MeetingSnapshot> due;
    for (const MeetingSnapshot& meeting : meetings) {
        // The key only for a meeting in its due time: one for each meeting would double the tick's cost.
        if (now < m_appModel.nextReminderDate(meeting, lead) || now > meeting.endDate)
            continue;
        const QString key = reminderKey(meeting);
        if (!m_firedKeys.contains(key) && !m_appModel.isReminderSuppressed(meeting)
            && (peerAnswersIn || !awaitsPeerAnswers(key, now)))
            due.append(meeting);
    }
    due = FullscreenReminderController::sortedByStart(due);

    updateAppNapGuard(now);

    if (!due.isEmpty()) {
        const MeetingSnapshot& first = due.first();
        QList<MeetingSnapshot> group;
        if (first.endDate <= first.startDate) {
            // It overlaps nothing, itself included; alone it still reminds and lets later ones through.
            group.append(first);
        } else {
            for (const MeetingSnapshot& meeting : std::as_const(due)) {
                if (meeting.startDate < first.endDate && first.startDate < meeting.endDate)
                    group.append(meeting);
            }
        }
        // Marked before the show test, so that a group held back does not come again.
        for (const MeetingSnapshot& meeting : std::as_const(group))
            m_firedKeys.insert(reminderKey(meeting));
        if (m_appModel.shouldShowOverlay(group))
            show(withUnanswered(group, now));
    }

    m_appModel.presentDueActionItemAlerts();
}

bool ReminderScheduler::awaitsPeerAnswers(const QString& key, platform::Date now)
{
    // Another machine may have answered it, and its file is still being read: the reminder would cover the
    // screens, then go. It waits for that read, but a first reminder never waits long for a slow one.
    auto since = m_awaitingSince.constFind(key);
    if (since == m_awaitingSince.cend())
        since = m_awaitingSince.insert(key, now);
    return now < since->addingSeconds(peerAnswersWait);
}

void ReminderScheduler::yieldOverlay(const QList<MeetingSnapshot>& shownInstead)
{
    QList<MeetingSnapshot> stillShown;
    for (const MeetingSnapshot& shown : m_overlayController.visibleMeetings()) {
        if (!containsMeeting(m_shown, shown.id))
            continue;
        if (containsMeeting(shownInstead, shown.id))
            stillShown.append(shown);
        else if (!containsMeeting(m_setAside, shown.id))
            m_setAside.append(shown);
    }
    m_shown = stillShown;
}

void ReminderScheduler::remindAgainOfSetAside()
{
    // Not while the test shows: they would take its place at once.
    if (m_setAside.isEmpty() || m_overlayController.isOverlayVisible())
        return;
    for (const MeetingSnapshot& meeting : m_appModel.meetings()) {
        if (containsMeeting(m_setAside, meeting.id))
            m_firedKeys.remove(reminderKey(meeting));
    }
    m_setAside.clear();
}

QList<MeetingSnapshot> ReminderScheduler::withUnanswered(QList<MeetingSnapshot> group, platform::Date now)
{
    // The new overlay replaces the one on screen, whose meetings have fired and would not come again:
    // it holds those that got no answer, as it holds overlapping ones. Only reminders are carried, not
    // what the full-screen test shows, so that the new overlay's answer does not reach its meeting.
    QList<MeetingSnapshot> unanswered = std::exchange(m_setAside, {});
    for (const MeetingSnapshot& shown : m_overlayController.visibleMeetings()) {
        if (containsMeeting(m_shown, shown.id) && !containsMeeting(unanswered, shown.id))
            unanswered.append(shown);
    }
    for (const MeetingSnapshot& meeting : std::as_const(unanswered)) {
        if (!containsMeeting(group, meeting.id) && now <= meeting.endDate && !m_appModel.isReminderSuppressed(meeting))
            group.append(meeting);
    }
    return FullscreenReminderController::sortedByStart(group);
}

void ReminderScheduler::show(const QList<MeetingSnapshot>& group)
{
    m_shown = group;
    m_appModel.suspendActionItemAlert();
    const double autoDismissAfter = m_appModel.overlayAutoDismissSeconds();
    const bool playSound = m_appModel.shouldPlaySound(group);
    const int soundRepeat = m_appModel.soundRepeatCount(group);
    const bool hideFromScreenShare = m_appModel.hideOverlayDuringScreenShare();
    const QPointer<AppModel> model(&m_appModel);
    m_overlayController.show(
        group, playSound, soundRepeat, hideFromScreenShare, autoDismissAfter,
        [model, group](const MeetingSnapshot& chosen) {
            if (!model || !chosen.joinURL || !isWebLink(*chosen.joinURL))
                return;
            model->dismissReminders(group);
            model->queueActionItemCapture(chosen);
            model->openJoinLink(chosen);
        },
        [model](const QList<MeetingSnapshot>& meetings, double seconds) {
            if (model)
                model->snoozeReminders(meetings, seconds);
        },
        [model](const QList<MeetingSnapshot>& meetings) {
            if (model)
                model->dismissReminders(meetings);
        });
}

void ReminderScheduler::updateAppNapGuard(platform::Date now)
{
    const std::optional<platform::Date> next = m_appModel.nextReminderFireDate();
    const bool near = next && next->secondsSince(now) <= appNapGuardHorizon;
    const bool wanted
        = near || m_overlayController.isOverlayVisible() || m_appModel.actionItemOverlayController().isOverlayVisible();
    if (wanted && !m_appNapAssertion) {
        m_appNapAssertion = m_processActivity.begin(platform::ProcessActivity::userInitiatedAllowingIdleSystemSleep,
            QStringLiteral("Tolvar is about to fire a meeting reminder"));
    } else if (!wanted && m_appNapAssertion) {
        m_processActivity.end(*m_appNapAssertion);
        m_appNapAssertion.reset();
    }
}

} // namespace tolvar

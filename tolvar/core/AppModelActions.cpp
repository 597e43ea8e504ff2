// The user's answers to a meeting, the action-item queue and the test meetings of AppModel.
#include "tolvar/core/AppModel.h"

#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "platform/workspace/Workspace.h"
#include "tolvar/core/ActionItemPrompt.h"
#include "tolvar/core/ReminderOverlay.h"
#include "tolvar/model/MeetingLinks.h"

#include <QPointer>

namespace tolvar {

namespace {

const QUrl testLink(QStringLiteral("https://meet.google.com/test-tolvar-local"));
constexpr double testMeetingDelay = 30;
constexpr double testMeetingDuration = 900;

ReminderState dismissed(
    const MeetingSnapshot& meeting, const std::optional<ReminderState>& previous, platform::Date now)
{
    ReminderState state;
    state.stableMeetingID = meeting.id;
    state.dismissedAt = now;
    state.firedForStartDate = meeting.startDate;
    state.mutedAt = previous ? previous->mutedAt : std::nullopt;
    state.updatedAt = now;
    return state;
}

} // namespace

void AppModel::writeStates(const QList<ReminderState>& states)
{
    QHash<QString, ReminderState> all = m_reminderStates;
    for (const ReminderState& state : states)
        all.insert(state.stableMeetingID, state);
    setReminderStates(all);
    pushReminderStates(states);
}

void AppModel::pushReminderStates(QList<ReminderState> states)
{
    QMetaObject::invokeMethod(
        this, [this, states] { syncReminderStates(states); }, Qt::QueuedConnection);
}

QCoro::Task<> AppModel::syncReminderStates(QList<ReminderState> states)
{
    // Errors are dropped: the state stays here and the next refresh exchanges states again.
    co_await m_cloudSyncService.syncReminderStates(std::move(states));
}

void AppModel::dismissReminder(const MeetingSnapshot& meeting)
{
    dismissReminders({ meeting });
}

void AppModel::dismissReminders(const QList<MeetingSnapshot>& meetings)
{
    const platform::Date now = m_clock.now();
    QList<ReminderState> states;
    for (const MeetingSnapshot& meeting : meetings)
        states.append(dismissed(meeting, m_reminderStates.value(meeting.id), now));
    writeStates(states);
}

void AppModel::snoozeReminders(const QList<MeetingSnapshot>& meetings, double seconds)
{
    const platform::Date now = m_clock.now();
    QList<ReminderState> states;
    for (const MeetingSnapshot& meeting : meetings) {
        ReminderState state;
        state.stableMeetingID = meeting.id;
        state.snoozedUntil = now.addingSeconds(seconds);
        const auto previous = m_reminderStates.constFind(meeting.id);
        if (previous != m_reminderStates.constEnd())
            state.mutedAt = previous->mutedAt;
        state.updatedAt = now;
        states.append(state);
    }
    writeStates(states);
}

void AppModel::muteReminder(const MeetingSnapshot& meeting)
{
    const platform::Date now = m_clock.now();
    ReminderState state = dismissed(meeting, std::nullopt, now);
    state.mutedAt = now;
    writeStates({ state });
}

void AppModel::unmuteReminder(const MeetingSnapshot& meeting)
{
    ReminderState state;
    state.stableMeetingID = meeting.id;
    state.clearedAt = m_clock.now();
    state.updatedAt = *state.clearedAt;
    writeStates({ state });
}

bool AppModel::openJoinLink(const MeetingSnapshot& meeting)
{
    // Links come from calendars and other machines: open nothing but the web.
    if (!meeting.joinURL || !isWebLink(*meeting.joinURL))
        return false;
    m_workspace.openUrl(*meeting.joinURL);
    return true;
}

void AppModel::join(const MeetingSnapshot& meeting, std::optional<bool> markHandled)
{
    if (!meeting.joinURL || !isWebLink(*meeting.joinURL))
        return;
    if (markHandled.value_or(m_dismissOnMenuBarJoin))
        dismissReminder(meeting);
    queueActionItemCapture(meeting);
    openJoinLink(meeting);
}

void AppModel::joinFromOverlay(const MeetingSnapshot& meeting)
{
    join(meeting, true);
}

void AppModel::savePendingActionItems()
{
    m_settingsStore.savePendingActionItemMeetings(m_pendingActionItemMeetings.values());
}

void AppModel::queueActionItemCapture(const MeetingSnapshot& meeting)
{
    if (!m_showActionItemAlertAfterMeeting || meeting.isTask)
        return;
    m_pendingActionItemMeetings.insert(meeting.id, { meeting.id, meeting.title, meeting.endDate });
    savePendingActionItems();
    if (meeting.endDate <= m_clock.now())
        presentDueActionItemAlerts();
}

void AppModel::presentDueActionItemAlerts()
{
    if (!m_showActionItemAlertAfterMeeting || m_isPresentingActionItemAlert
        || m_actionItemOverlayController.isOverlayVisible() || m_overlayController.isOverlayVisible())
        return;
    const platform::Date now = m_clock.now();
    std::optional<PendingActionItemMeeting> earliest;
    for (const PendingActionItemMeeting& pending : std::as_const(m_pendingActionItemMeetings)) {
        if (pending.endDate <= now && (!earliest || pending.endDate < earliest->endDate))
            earliest = pending;
    }
    if (!earliest)
        return;
    m_pendingActionItemMeetings.remove(earliest->id);
    savePendingActionItems();
    m_presentingActionItemMeeting = earliest;
    m_isPresentingActionItemAlert = true;
    m_actionItemOverlayController.show(earliest->title, m_suspendedActionItemNotes.take(earliest->id),
        m_hideOverlayDuringScreenShare, [model = QPointer<AppModel>(this)] {
            if (!model)
                return;
            model->m_presentingActionItemMeeting.reset();
            model->m_isPresentingActionItemAlert = false;
            model->presentDueActionItemAlerts();
        });
}

void AppModel::suspendActionItemAlert()
{
    if (!m_isPresentingActionItemAlert && !m_actionItemOverlayController.isOverlayVisible())
        return;
    const std::optional<PendingActionItemMeeting> presenting = m_presentingActionItemMeeting;
    const QString notes = m_actionItemOverlayController.notes();
    m_presentingActionItemMeeting.reset();
    m_isPresentingActionItemAlert = false;
    m_actionItemOverlayController.hide();
    if (presenting) {
        m_pendingActionItemMeetings.insert(presenting->id, *presenting);
        savePendingActionItems();
        if (!notes.isEmpty())
            m_suspendedActionItemNotes.insert(presenting->id, notes);
    }
}

void AppModel::restorePendingActionItems()
{
    m_pendingActionItemMeetings.clear();
    for (const PendingActionItemMeeting& pending : m_settingsStore.loadPendingActionItemMeetings())
        m_pendingActionItemMeetings.insert(pending.id, pending);
}

MeetingSnapshot AppModel::makeTestMeeting(const QString& title, platform::Date start, platform::Date end,
    const std::optional<QUrl>& joinURL, const std::optional<QString>& location, const QString& calendarTitle)
{
    MeetingSnapshot meeting;
    meeting.id = MeetingSnapshot::makeStableID(title, start, end, joinURL, std::nullopt);
    meeting.sourceDeviceID = m_settingsStore.deviceID();
    meeting.calendarTitle = calendarTitle;
    meeting.calendarSourceTitle = platform::localized("This Mac");
    meeting.title = title;
    meeting.startDate = start;
    meeting.endDate = end;
    meeting.location = location;
    meeting.joinURL = joinURL;
    meeting.lastSeenAt = m_clock.now();
    return meeting;
}

void AppModel::addTestMeetings(const QList<MeetingSnapshot>& created)
{
    m_testMeetings += created;
    setMeetings(dedupeMeetings(m_meetings + created));
}

void AppModel::createTestMeeting(TestMeetingKind kind)
{
    const platform::Date start = m_clock.now().addingSeconds(testMeetingDelay);
    const platform::Date end = start.addingSeconds(testMeetingDuration);
    const QString room = platform::localized("Conference Room 4A");
    QString title;
    std::optional<QUrl> link;
    std::optional<QString> location;
    switch (kind) {
    case TestMeetingKind::online:
        title = platform::localized("Online Test Meeting");
        link = testLink;
        break;
    case TestMeetingKind::inPerson:
        title = platform::localized("In-Person Test Meeting");
        location = room;
        break;
    case TestMeetingKind::hybrid:
        title = platform::localized("Hybrid Test Meeting");
        link = testLink;
        location = room;
        break;
    case TestMeetingKind::calendarEvent:
        title = platform::localized("Calendar Event Test");
        break;
    }
    addTestMeetings({ makeTestMeeting(title, start, end, link, location, platform::localized("Local Test")) });
}

void AppModel::createConflictTestMeetings()
{
    const platform::Date start = m_clock.now().addingSeconds(testMeetingDelay);
    addTestMeetings({
        makeTestMeeting(QStringLiteral("Client A Standup"), start, start.addingSeconds(1800),
            QUrl(QStringLiteral("https://meet.google.com/test-tolvar-a")), std::nullopt,
            QStringLiteral("Conflict Test A")),
        makeTestMeeting(QStringLiteral("Client B Planning"), start, start.addingSeconds(2700),
            QUrl(QStringLiteral("https://meet.google.com/test-tolvar-b")), std::nullopt,
            QStringLiteral("Conflict Test B")),
    });
}

void AppModel::showFullscreenTest()
{
    const std::optional<MeetingSnapshot> next = nextUpcomingMeeting();
    if (!next)
        return;
    suspendActionItemAlert();
    const QList<MeetingSnapshot> shown { *next };
    if (m_reminderScheduler)
        m_reminderScheduler->yieldOverlay(shown);
    const QPointer<AppModel> model(this);
    m_overlayController.show(
        shown, shouldPlaySound(shown), soundRepeatCount(shown), m_hideOverlayDuringScreenShare,
        m_overlayAutoDismissSeconds,
        [model](const MeetingSnapshot& meeting) {
            if (model)
                model->joinFromOverlay(meeting);
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

} // namespace tolvar

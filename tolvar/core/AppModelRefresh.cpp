// The refresh pipeline of AppModel and the merges it uses.
#include "tolvar/core/AppModel.h"

#include "platform/BackgroundRelease.h"
#include "platform/ThreadHandOver.h"
#include "platform/calendar/EventStore.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/text/Localized.h"
#include "platform/text/ShortTime.h"
#include "platform/time/Clock.h"
#include "tolvar/core/ReminderOverlay.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/model/MeetingLinks.h"

#include <QCoro/QCoroFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <vector>

namespace tolvar {

namespace {

QHash<QString, CalendarRule> toHash(const QMap<QString, CalendarRule>& rules)
{
    QHash<QString, CalendarRule> hash;
    hash.reserve(rules.size());
    for (auto it = rules.cbegin(); it != rules.cend(); ++it)
        hash.insert(it.key(), it.value());
    return hash;
}

QString wholeMinutesSince1970(platform::Date date)
{
    return QString::number(date.wholeSecondsSince1970() / 60);
}

template <typename T>
void fillIfEmpty(std::optional<T>& field, const std::optional<T>& first, const std::optional<T>& second)
{
    if (!field)
        field = first ? first : second;
}

// Which of this machine's earlier records the answers of `store` for the `selected` calendars do not stand for.
LocalRecords ownRecordsKept(const platform::EventStore& store, const QSet<QString>& selected)
{
    LocalRecords kept { !store.isReadComplete(), {} };
    for (const platform::UnknownFile& file : store.unknownFiles()) {
        if (selected.contains(file.calendarIdentifier))
            kept.unknownItemPrefixes.append(file.itemIdentifierPrefix);
    }
    return kept;
}

// Meetings few enough to be deduplicated in well under a millisecond: not worth a trip to the worker, and published
// in the turn that gathered them.
constexpr qsizetype meetingsDedupedAtOnce = 500;

} // namespace

QCoro::Task<> AppModel::refresh(RecordWriteBack writeBack)
{
    const QPointer<AppModel> self(this);
    platform::EventStore& store = m_calendarService.eventStore();

    setPermissionState(CalendarService::permissionState(store.authorizationStatus(platform::EntityType::event)));
    setCalendars(m_calendarService.calendarSources());
    migrateCalendarRules();
    setRemindersPermissionState(
        CalendarService::permissionState(store.authorizationStatus(platform::EntityType::reminder)));
    setReminderLists(m_calendarService.reminderListSources());

    const QString deviceID = m_settingsStore.deviceID();
    QList<MeetingSnapshot> fetched
        = m_calendarService.fetchMeetings(m_selectedCalendarIDs, deviceID, toHash(m_calendarRules), m_forwardDays);
    // As the meetings were fetched: the read may end while the tasks are awaited. A meeting missing from an answer
    // given while a read is under way may still be there. A file never read (too large for the memory left, maybe
    // for ever) is not empty: our records of it stand as they were, and hold back nothing of the other files.
    const LocalRecords localRecords
        = ownRecordsKept(store, QSet<QString>(m_selectedCalendarIDs).unite(m_selectedReminderListIDs));
    if (m_remindersPermissionState == PermissionState::granted && !m_selectedReminderListIDs.isEmpty()) {
        fetched += co_await m_calendarService.upcomingReminders(
            m_selectedReminderListIDs, deviceID, m_reminderDefaultHour, m_forwardDays);
        if (!self)
            co_return;
    }

    const platform::Date now = m_clock.now();
    m_testMeetings.removeIf([now](const MeetingSnapshot& meeting) { return meeting.endDate < now; });
    const QList<MeetingSnapshot> local = fetched + m_testMeetings;
    // What this refresh publishes, however late it ends, never replaces what a refresh begun after it published.
    const quint64 publication = ++m_meetingPublicationsBegun;

    // Not known yet on a shared folder that stalls: this machine's own answers stand meanwhile.
    if (!m_cloudAccount.isKnown()) {
        if (m_syncState != SyncState::synced)
            publishHeldRecords(publication, local, deviceID, localRecords);
        const QFuture<void> known = m_cloudAccount.known();
        co_await known;
        if (!self)
            co_return;
    }
    if (!m_cloudAccount.ubiquityIdentityToken()) {
        const std::optional<QList<MeetingSnapshot>> meetings = co_await deduped(local);
        if (!self)
            co_return;
        publishMeetings(publication, *meetings);
        setSyncStatus(platform::localized("iCloud sync disabled - local reminders only"), SyncState::disabled);
    } else {
        // The first reminder must not wait for the other machines' files; once an exchange is published, what it
        // published stays while the next one waits.
        if (m_syncState != SyncState::synced && m_cloudSyncService.store().isReadingPeerFiles())
            publishHeldRecords(publication, local, deviceID, localRecords);
        const std::optional<QString> error
            = co_await exchangeWithCloud(publication, local, deviceID, writeBack, localRecords);
        if (!self)
            co_return;
        if (error) {
            // No wait for the other machines' files would bring their answers now.
            m_hasPeerReminderStates = m_hasPeerReminderStates || m_cloudSyncService.store().hasReadPeerFiles();
            const std::optional<QList<MeetingSnapshot>> meetings = co_await deduped(local);
            if (!self)
                co_return;
            publishMeetings(publication, *meetings);
            setSyncStatus(platform::localizedFormat("iCloud sync failed: %@", { *error }), SyncState::failed);
        }
    }

    hideOverlayWhenAllSuppressed();
    setLastRefreshAt(m_clock.now());
    reminderScheduler().evaluate();
}

QCoro::Task<std::optional<QString>> AppModel::exchangeWithCloud(quint64 publication, QList<MeetingSnapshot> local,
    QString deviceID, RecordWriteBack writeBack, LocalRecords localRecords)
{
    const QPointer<AppModel> self(this);
    const CloudResult<QList<MeetingSnapshot>> records
        = co_await m_cloudSyncService.syncMeetingSnapshots(local, deviceID, writeBack, localRecords);
    if (!self || records.error)
        co_return records.error;
    const CloudResult<QList<ReminderState>> states = co_await m_cloudSyncService.fetchReminderStates();
    if (!self || states.error)
        co_return states.error;
    // As the states were fetched: the other machines' files may be read while the rules are awaited.
    const bool statesHoldPeers = m_cloudSyncService.store().hasReadPeerFiles();
    const CloudResult<QList<CalendarRule>> rules = co_await m_cloudSyncService.fetchCalendarRules();
    if (!self || rules.error)
        co_return rules.error;

    const std::optional<QList<MeetingSnapshot>> meetings = co_await deduped(local, records.value);
    if (!self)
        co_return std::nullopt;
    publishMeetings(publication, *meetings);
    setReminderStates(mergeRemoteReminderStates(states.value));
    m_hasPeerReminderStates = m_hasPeerReminderStates || statesHoldPeers;
    setCalendarRules(mergeRemoteCalendarRules(rules.value));
    const QTime time = m_clock.now().toDateTime().toLocalTime().time();
    setSyncStatus(platform::localizedFormat("Synced %@", { platform::shortTimeText(time) }), SyncState::synced);
    co_return std::nullopt;
}

QCoro::Task<> AppModel::publishHeldRecords(
    quint64 publication, QList<MeetingSnapshot> local, QString deviceID, LocalRecords localRecords)
{
    const QPointer<AppModel> self(this);
    // Our answers of the last run may wait on a stalled folder (no local copy yet): the calendars' meetings are
    // listed meanwhile, and a due one waits for the answers no longer than for the other machines'.
    if (!m_cloudSyncService.store().hasReadOwnValues()) {
        const std::optional<QList<MeetingSnapshot>> meetings = co_await deduped(local);
        if (!self)
            co_return;
        publishMeetings(publication, *meetings);
        reminderScheduler().evaluate();
    }
    const CloudResult<QList<MeetingSnapshot>> records
        = co_await m_cloudSyncService.heldMeetingSnapshots(local, deviceID, localRecords);
    // Nothing held, or the exchange publishes at once.
    if (!self || records.error)
        co_return;
    const std::optional<QList<MeetingSnapshot>> meetings = co_await deduped(local, records.value);
    if (!self)
        co_return;
    publishMeetings(publication, *meetings);
    // Ours newer than the store's go out with the exchange that follows.
    QList<ReminderState> newerHere;
    setReminderStates(withRemoteReminderStates(m_cloudSyncService.heldReminderStates().value, newerHere));
    hideOverlayWhenAllSuppressed();
    reminderScheduler().evaluate();
}

QFuture<std::optional<QList<MeetingSnapshot>>> AppModel::deduped(
    const QList<MeetingSnapshot>& local, const QList<MeetingSnapshot>& others)
{
    const platform::Date now = m_clock.now();
    if (local.size() + others.size() <= meetingsDedupedAtOnce)
        return QtFuture::makeReadyFuture(dedupeMeetings(local, others, now, {}));
    // Tens of thousands of meetings when other machines hold large calendars: not on the main thread. The lists are
    // shared, not copied, and only read there. The model waits for its worker before the flag the task reads goes.
    return QtConcurrent::run(&m_mergeWorker, platform::handedOver([this, local, others, now] {
        return dedupeMeetings(local, others, now, [this] { return m_closing.load(); });
    }));
}

void AppModel::publishMeetings(quint64 publication, const QList<MeetingSnapshot>& meetings)
{
    if (publication < m_meetingPublicationShown)
        return;
    m_meetingPublicationShown = publication;
    setMeetings(meetings);
}

bool AppModel::hasPeerReminderStates() const
{
    return m_hasPeerReminderStates || !m_cloudAccount.maySignIn();
}

void AppModel::hideOverlayWhenAllSuppressed()
{
    if (!m_overlayController.isOverlayVisible())
        return;
    const QList<MeetingSnapshot> visible = m_overlayController.visibleMeetings();
    if (visible.isEmpty())
        return;
    const bool allSuppressed = std::all_of(visible.begin(), visible.end(),
        [this](const MeetingSnapshot& meeting) { return isReminderSuppressed(meeting); });
    if (allSuppressed)
        m_overlayController.hideAll();
}

QList<MeetingSnapshot> AppModel::dedupeMeetings(const QList<MeetingSnapshot>& meetings) const
{
    return *dedupeMeetings(meetings, {}, m_clock.now(), {});
}

std::optional<QList<MeetingSnapshot>> AppModel::dedupeMeetings(const QList<MeetingSnapshot>& first,
    const QList<MeetingSnapshot>& second, platform::Date now, const std::function<bool()>& stopped)
{
    // Each meeting is held once, in the answer itself: with tens of thousands of records a copy per step (the
    // joined input, the table, its values) is what takes a start past its memory. Where each goes is found first, so
    // that the answer is made at the size it keeps: grown as it fills, it would hold its records twice at its last
    // growth, and spare room as long as it is kept.
    std::vector<qsizetype> places;
    places.reserve(size_t(first.size() + second.size()));
    QHash<QString, qsizetype> indexByKey;
    for (const QList<MeetingSnapshot>* meetings : { &first, &second }) {
        for (const MeetingSnapshot& meeting : *meetings) {
            if (stopped && stopped()) {
                platform::releaseInBackground(std::move(indexByKey));
                return std::nullopt;
            }
            if (meeting.endDate < now) {
                places.push_back(-1);
                continue;
            }
            const QString key = meetingIdentityKey(meeting);
            const auto found = indexByKey.constFind(key);
            places.push_back(found == indexByKey.constEnd() ? indexByKey.size() : *found);
            if (found == indexByKey.constEnd())
                indexByKey.insert(key, places.back());
        }
    }
    QList<MeetingSnapshot> deduped;
    deduped.reserve(indexByKey.size());
    indexByKey.clear();
    auto place = places.cbegin();
    for (const QList<MeetingSnapshot>* meetings : { &first, &second }) {
        for (const MeetingSnapshot& meeting : *meetings) {
            if (stopped && stopped()) {
                platform::releaseInBackground(std::move(deduped));
                return std::nullopt;
            }
            const qsizetype at = *place++;
            if (at == deduped.size())
                deduped.append(meeting);
            else if (at >= 0)
                deduped[at] = mergeDuplicate(deduped.at(at), meeting);
        }
    }
    return sortedByStart(std::move(deduped));
}

QString AppModel::meetingIdentityKey(const MeetingSnapshot& meeting)
{
    if (meeting.eventExternalIdentifier && !meeting.eventExternalIdentifier->isEmpty())
        return meeting.mergeKey();
    const QString link = meeting.joinURL ? linkText(*meeting.joinURL).toLower() : QString();
    return QStringList { normalizedMeetingTitle(meeting.title), wholeMinutesSince1970(meeting.startDate),
        wholeMinutesSince1970(meeting.endDate), link }
        .join(u'|');
}

MeetingSnapshot AppModel::mergeDuplicate(const MeetingSnapshot& first, const MeetingSnapshot& second)
{
    MeetingSnapshot merged = first.lastSeenAt >= second.lastSeenAt ? first : second;
    fillIfEmpty(merged.joinURL, first.joinURL, second.joinURL);
    fillIfEmpty(merged.location, first.location, second.location);
    fillIfEmpty(merged.calendarTitle, first.calendarTitle, second.calendarTitle);
    fillIfEmpty(merged.calendarSourceTitle, first.calendarSourceTitle, second.calendarSourceTitle);
    fillIfEmpty(merged.recurrenceLabel, first.recurrenceLabel, second.recurrenceLabel);
    fillIfEmpty(merged.calendarItemIdentifier, first.calendarItemIdentifier, second.calendarItemIdentifier);
    return merged;
}

QHash<QString, ReminderState> AppModel::mergeRemoteReminderStates(const QList<ReminderState>& remote)
{
    QList<ReminderState> newerHere;
    QHash<QString, ReminderState> merged = withRemoteReminderStates(remote, newerHere);
    if (!newerHere.isEmpty())
        pushReminderStates(newerHere);
    return merged;
}

QHash<QString, ReminderState> AppModel::withRemoteReminderStates(
    const QList<ReminderState>& remote, QList<ReminderState>& newerHere) const
{
    QHash<QString, ReminderState> merged = m_reminderStates;
    for (const ReminderState& state : remote) {
        const auto found = merged.find(state.stableMeetingID);
        if (found == merged.end() || state.effectiveUpdatedAt() >= found->effectiveUpdatedAt())
            merged.insert(state.stableMeetingID, state);
        else
            newerHere.append(*found);
    }
    return merged;
}

QMap<QString, CalendarRule> AppModel::mergeRemoteCalendarRules(const QList<CalendarRule>& remote)
{
    QMap<QString, CalendarRule> merged = m_calendarRules;
    QList<CalendarRule> newerHere;
    for (const CalendarRule& rule : remote) {
        const auto found = merged.find(rule.calendarKey);
        if (found == merged.end() || rule.updatedAt >= found->updatedAt)
            merged.insert(rule.calendarKey, rule);
        else
            newerHere.append(*found);
    }
    if (!newerHere.isEmpty()) {
        m_settingsStore.saveCalendarRules(merged);
        pushCalendarRules(newerHere);
    }
    return merged;
}

} // namespace tolvar

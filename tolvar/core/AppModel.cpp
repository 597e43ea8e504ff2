#include "tolvar/core/AppModel.h"

#include "ShortcutKit/ShortcutKit.h"
#include "platform/calendar/EventStore.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/log/SystemLog.h"
#include "platform/login/LoginItem.h"
#include "platform/system/SystemEvents.h"
#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/core/ActionItemPrompt.h"
#include "tolvar/core/QuickPanel.h"

#include <QPointer>
#include <algorithm>

namespace tolvar {

namespace {

constexpr double refreshInterval = 60;
constexpr double calendarChangeDebounce = 0.5;
// A file rewritten without pause must not hold back the changes of the others for ever.
constexpr double calendarChangeLongestWait = 2;

} // namespace

AppModel::AppModel(Services services, QObject* parent)
    : QObject(parent)
    , m_clock(services.clock)
    , m_defaults(services.defaults)
    , m_cloudAccount(services.cloudAccount)
    , m_loginItem(services.loginItem)
    , m_systemLog(services.systemLog)
    , m_systemEvents(services.systemEvents)
    , m_workspace(services.workspace)
    , m_makeReminderScheduler(std::move(services.makeReminderScheduler))
    , m_syncStatus(platform::localized("iCloud sync disabled"))
    , m_settingsStore(services.defaults)
    , m_updateService(services.updateService)
    , m_calendarService(services.eventStore, services.clock)
    , m_cloudSyncService(services.cloudStore, services.cloudAccount, services.clock)
    , m_overlayController(services.overlayController)
    , m_actionItemOverlayController(services.actionItemOverlayController)
    , m_quickPanelController(services.quickPanelController)
{
    m_mergeWorker.setMaxThreadCount(1);
    // Queued to this object, so it is dropped when the model is gone first.
    QMetaObject::invokeMethod(this, &AppModel::start, Qt::QueuedConnection);
}

AppModel::~AppModel()
{
    m_closing = true;
}

template <typename T> bool AppModel::assign(T& member, const T& value, void (AppModel::*signal)())
{
    if (member == value)
        return false;
    member = value;
    Q_EMIT(this->*signal)();
    Q_EMIT changed();
    return true;
}

void AppModel::setPermissionState(PermissionState state)
{
    assign(m_permissionState, state, &AppModel::permissionStateChanged);
}

void AppModel::setCalendars(const QList<CalendarSource>& calendars)
{
    assign(m_calendars, calendars, &AppModel::calendarsChanged);
}

void AppModel::setMeetings(const QList<MeetingSnapshot>& meetings)
{
    assign(m_meetings, meetings, &AppModel::meetingsChanged);
}

void AppModel::setReminderStates(const QHash<QString, ReminderState>& states)
{
    assign(m_reminderStates, states, &AppModel::reminderStatesChanged);
}

void AppModel::setSyncStatus(const QString& status, SyncState state)
{
    // One announcement for both, so that no reader sees a new text with the old state.
    if (status == m_syncStatus && state == m_syncState)
        return;
    m_syncStatus = status;
    m_syncState = state;
    Q_EMIT syncStatusChanged();
    Q_EMIT changed();
}

void AppModel::setLastRefreshAt(std::optional<platform::Date> date)
{
    assign(m_lastRefreshAt, date, &AppModel::lastRefreshAtChanged);
}

void AppModel::setRemindersPermissionState(PermissionState state)
{
    assign(m_remindersPermissionState, state, &AppModel::remindersPermissionStateChanged);
}

void AppModel::setReminderLists(const QList<CalendarSource>& lists)
{
    assign(m_reminderLists, lists, &AppModel::reminderListsChanged);
}

void AppModel::setLaunchAtLoginState(bool enabled)
{
    assign(m_launchAtLogin, enabled, &AppModel::launchAtLoginChanged);
}

void AppModel::setCalendarRules(const QMap<QString, CalendarRule>& rules)
{
    assign(m_calendarRules, rules, &AppModel::calendarRulesChanged);
}

void AppModel::setReminderLeadSeconds(double seconds)
{
    if (!assign(m_reminderLeadSeconds, seconds, &AppModel::reminderLeadSecondsChanged))
        return;
    m_defaults.setDouble(SettingsKey::reminderLeadSeconds, seconds);
    startRefresh();
}

void AppModel::setOverlayAutoDismissSeconds(double seconds)
{
    if (assign(m_overlayAutoDismissSeconds, seconds, &AppModel::overlayAutoDismissSecondsChanged))
        m_defaults.setDouble(SettingsKey::overlayAutoDismissSeconds, seconds);
}

void AppModel::setForwardDays(int days)
{
    const int previous = m_forwardDays;
    assign(m_forwardDays, days, &AppModel::forwardDaysChanged);
    const int clamped = std::clamp(days, SettingsStore::minimumForwardDays, SettingsStore::maximumForwardDays);
    if (days != clamped) {
        // The write of the clamped value runs this handler again, which stores and refreshes.
        setForwardDays(clamped);
        return;
    }
    if (days == previous)
        return;
    m_defaults.setInteger(SettingsKey::forwardDays, days);
    startRefresh();
}

void AppModel::setReminderDefaultHour(int hour)
{
    if (!assign(m_reminderDefaultHour, hour, &AppModel::reminderDefaultHourChanged))
        return;
    m_defaults.setInteger(SettingsKey::reminderDefaultHour, hour);
    startRefresh();
}

void AppModel::setSelectedCalendarIDs(const QSet<QString>& ids)
{
    if (!assign(m_selectedCalendarIDs, ids, &AppModel::selectedCalendarIDsChanged))
        return;
    m_settingsStore.setIdentifierSet(SettingsKey::selectedCalendarIDs, ids);
    startRefresh();
}

void AppModel::setSelectedReminderListIDs(const QSet<QString>& ids)
{
    if (!assign(m_selectedReminderListIDs, ids, &AppModel::selectedReminderListIDsChanged))
        return;
    m_settingsStore.setIdentifierSet(SettingsKey::selectedReminderListIDs, ids);
    startRefresh();
}

void AppModel::setQuietHoursEnabled(bool enabled)
{
    if (assign(m_quietHoursEnabled, enabled, &AppModel::quietHoursEnabledChanged))
        m_defaults.setBool(SettingsKey::quietHoursEnabled, enabled);
}

void AppModel::setQuietHoursStartHour(int hour)
{
    if (assign(m_quietHoursStartHour, hour, &AppModel::quietHoursStartHourChanged))
        m_defaults.setInteger(SettingsKey::quietHoursStartHour, hour);
}

void AppModel::setQuietHoursEndHour(int hour)
{
    if (assign(m_quietHoursEndHour, hour, &AppModel::quietHoursEndHourChanged))
        m_defaults.setInteger(SettingsKey::quietHoursEndHour, hour);
}

void AppModel::setHideOverlayDuringScreenShare(bool hide)
{
    if (assign(m_hideOverlayDuringScreenShare, hide, &AppModel::hideOverlayDuringScreenShareChanged))
        m_defaults.setBool(SettingsKey::hideOverlayDuringScreenShare, hide);
}

void AppModel::setOnlyRemindMeetingsWithJoinLink(bool only)
{
    if (assign(m_onlyRemindMeetingsWithJoinLink, only, &AppModel::onlyRemindMeetingsWithJoinLinkChanged))
        m_defaults.setBool(SettingsKey::onlyRemindMeetingsWithJoinLink, only);
}

void AppModel::setDismissOnMenuBarJoin(bool dismiss)
{
    if (assign(m_dismissOnMenuBarJoin, dismiss, &AppModel::dismissOnMenuBarJoinChanged))
        m_defaults.setBool(SettingsKey::dismissOnMenuBarJoin, dismiss);
}

void AppModel::setShowActionItemAlertAfterMeeting(bool show)
{
    if (!assign(m_showActionItemAlertAfterMeeting, show, &AppModel::showActionItemAlertAfterMeetingChanged))
        return;
    m_defaults.setBool(SettingsKey::showActionItemAlertAfterMeeting, show);
    if (!show)
        clearPendingActionItems();
}

void AppModel::setQuickPanelShortcutEnabled(bool enabled)
{
    if (!assign(m_quickPanelShortcutEnabled, enabled, &AppModel::quickPanelShortcutEnabledChanged))
        return;
    m_defaults.setBool(SettingsKey::quickPanelShortcutEnabled, enabled);
    applyQuickPanelShortcut();
}

void AppModel::setFullscreenMutedCalendarIDs(const QSet<QString>& ids)
{
    if (assign(m_fullscreenMutedCalendarIDs, ids, &AppModel::fullscreenMutedCalendarIDsChanged))
        m_settingsStore.setIdentifierSet(SettingsKey::fullscreenMutedCalendarIDs, ids);
}

void AppModel::setSoundMutedCalendarIDs(const QSet<QString>& ids)
{
    if (assign(m_soundMutedCalendarIDs, ids, &AppModel::soundMutedCalendarIDsChanged))
        m_settingsStore.setIdentifierSet(SettingsKey::soundMutedCalendarIDs, ids);
}

void AppModel::setCalendar(const QString& calendarID, bool selected)
{
    QSet<QString> ids = m_selectedCalendarIDs;
    if (selected)
        ids.insert(calendarID);
    else
        ids.remove(calendarID);
    setSelectedCalendarIDs(ids);
}

void AppModel::setReminderList(const QString& listID, bool selected)
{
    QSet<QString> ids = m_selectedReminderListIDs;
    if (selected)
        ids.insert(listID);
    else
        ids.remove(listID);
    setSelectedReminderListIDs(ids);
}

void AppModel::setLaunchAtLogin(bool enabled)
{
    if (enabled) {
        if (const std::optional<QString> failure = m_loginItem.registerItem())
            m_systemLog.write(QStringLiteral("SMAppService register failed: ") + *failure);
    } else {
        if (const std::optional<QString> failure = m_loginItem.unregisterItem())
            m_systemLog.write(QStringLiteral("SMAppService unregister failed: ") + *failure);
    }
    setLaunchAtLoginState(m_loginItem.status() == platform::LoginItem::Status::enabled);
}

void AppModel::applyQuickPanelShortcut()
{
    if (!m_hasStarted)
        return;
    const ShortcutKit::Name& name = ShortcutKit::Name::toggleQuickPanel();
    if (!m_quickPanelShortcutEnabled) {
        ShortcutKit::disable({ name });
        if (m_quickPanelController.hasPanel())
            m_quickPanelController.closePanel();
        return;
    }
    if (!m_globalHotkeyService.hasRegisteredHandler()) {
        m_globalHotkeyService.setHasRegisteredHandler(true);
        // The library keeps the action for the life of the process; it must not keep the model.
        ShortcutKit::onKeyUp(name, [model = QPointer<AppModel>(this)] {
            if (!model)
                return;
            model->m_globalHotkeyService.fireToggleHandler([model] {
                if (!model)
                    return;
                model->m_quickPanelController.toggle(*model, [model] {
                    if (model && model->m_showSettingsHandler)
                        model->m_showSettingsHandler();
                });
            });
        });
    }
    ShortcutKit::enable({ name });
}

void AppModel::clearPendingActionItems()
{
    m_pendingActionItemMeetings.clear();
    m_suspendedActionItemNotes.clear();
    m_presentingActionItemMeeting.reset();
    savePendingActionItems();
    if (m_actionItemOverlayController.isOverlayVisible()) {
        m_actionItemOverlayController.hide();
        m_isPresentingActionItemAlert = false;
    }
}

ReminderScheduling& AppModel::reminderScheduler()
{
    if (!m_reminderScheduler)
        m_reminderScheduler = m_makeReminderScheduler(*this);
    return *m_reminderScheduler;
}

void AppModel::startRefresh()
{
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void AppModel::start()
{
    if (m_hasStarted)
        return;
    m_hasStarted = true;

    loadSettings();
    migrateCalendarRules();
    if (m_showActionItemAlertAfterMeeting)
        restorePendingActionItems();
    setLaunchAtLoginState(m_loginItem.status() == platform::LoginItem::Status::enabled);
    m_cloudSyncService.store().synchronize();
    subscribe();
    QMetaObject::invokeMethod(
        this, [this] { runStartupTask(); }, Qt::QueuedConnection);

    if (m_refreshTimer)
        m_refreshTimer->stop();
    reminderScheduler().start();
    applyQuickPanelShortcut();
    m_refreshTimer = m_clock.createTimer();
    // The sightings of this machine's meetings go out once a minute, with the timer, and no more often.
    connect(m_refreshTimer.get(), &platform::Timer::timeout, this, [this] { refresh(RecordWriteBack::sightings); });
    m_refreshTimer->start(refreshInterval);

    QMetaObject::invokeMethod(
        this, [this] { runAccessTask(); }, Qt::QueuedConnection);
}

void AppModel::loadSettings()
{
    setSelectedCalendarIDs(m_settingsStore.identifierSet(SettingsKey::selectedCalendarIDs));
    setSelectedReminderListIDs(m_settingsStore.identifierSet(SettingsKey::selectedReminderListIDs));
    setReminderLeadSeconds(m_settingsStore.reminderLeadSeconds());
    setOverlayAutoDismissSeconds(m_settingsStore.overlayAutoDismissSeconds());
    setForwardDays(m_settingsStore.forwardDays());
    setReminderDefaultHour(m_settingsStore.reminderDefaultHour());
    setQuietHoursEnabled(m_defaults.boolForKey(SettingsKey::quietHoursEnabled));
    setQuietHoursStartHour(m_settingsStore.quietHoursStartHour());
    setQuietHoursEndHour(m_settingsStore.quietHoursEndHour());
    setHideOverlayDuringScreenShare(m_defaults.boolForKey(SettingsKey::hideOverlayDuringScreenShare));
    setOnlyRemindMeetingsWithJoinLink(m_defaults.boolForKey(SettingsKey::onlyRemindMeetingsWithJoinLink));
    setDismissOnMenuBarJoin(m_settingsStore.dismissOnMenuBarJoin());
    setShowActionItemAlertAfterMeeting(m_defaults.boolForKey(SettingsKey::showActionItemAlertAfterMeeting));
    setQuickPanelShortcutEnabled(m_settingsStore.quickPanelShortcutEnabled());
    setFullscreenMutedCalendarIDs(m_settingsStore.identifierSet(SettingsKey::fullscreenMutedCalendarIDs));
    setSoundMutedCalendarIDs(m_settingsStore.identifierSet(SettingsKey::soundMutedCalendarIDs));
    setCalendarRules(m_settingsStore.loadCalendarRules());
}

void AppModel::subscribe()
{
    m_calendarChangeDebounce = m_clock.createTimer();
    m_calendarChangeDebounce->setSingleShot(true);
    connect(&m_calendarService.eventStore(), &platform::EventStore::changed, this, &AppModel::debounceCalendarChange);
    connect(m_calendarChangeDebounce.get(), &platform::Timer::timeout, this, [this] {
        m_firstPendingCalendarChange.reset();
        refreshAfterCalendarChange();
    });

    connect(
        &m_cloudSyncService.store(), &platform::UbiquitousKeyValueStore::externalChange, this,
        [this] { refreshAfterExternalCloudChange(); }, Qt::QueuedConnection);

    for (auto signal : { &platform::SystemEvents::didWake, &platform::SystemEvents::screensDidWake,
             &platform::SystemEvents::didBecomeActive })
        connect(&m_systemEvents, signal, this, &AppModel::startRefresh);
    // The meetings were asked for around the old time: a clock set back has meetings due that the last
    // refresh did not ask for, and one set ahead has them beyond the window asked.
    connect(&m_clock, &platform::Clock::wallClockJumped, this, &AppModel::startRefresh);
    // The same files' floating times and whole days stand for other instants in the new zone.
    connect(&m_clock, &platform::Clock::zoneChanged, this, [this] { refreshAfterCalendarChange(); });
}

void AppModel::debounceCalendarChange()
{
    const platform::Date now = m_clock.now();
    if (!m_firstPendingCalendarChange)
        m_firstPendingCalendarChange = now;
    const double left = calendarChangeLongestWait - now.secondsSince(*m_firstPendingCalendarChange);
    m_calendarChangeDebounce->start(std::clamp(left, 0.0, calendarChangeDebounce));
}

QCoro::Task<> AppModel::refreshAfterCalendarChange()
{
    m_calendarService.eventStore().reset();
    co_await refresh();
}

QCoro::Task<> AppModel::refreshAfterExternalCloudChange()
{
    if (!m_cloudAccount.ubiquityIdentityToken())
        co_return;
    m_cloudSyncService.store().synchronize();
    // The peer's write is answered only with what it lacks; anything more would be its next change.
    co_await refresh(RecordWriteBack::missingMeetings);
}

QCoro::Task<> AppModel::runStartupTask()
{
    const QPointer<AppModel> self(this);
    co_await requestRemindersAccess();
    if (!self)
        co_return;
    Q_EMIT changed();
    co_await refresh();
}

QCoro::Task<> AppModel::runAccessTask()
{
    const QPointer<AppModel> self(this);
    if (m_defaults.boolForKey(SettingsKey::onboardingCompleted)) {
        co_await requestCalendarAccess();
        if (!self)
            co_return;
        co_await requestRemindersAccess();
        if (!self)
            co_return;
    } else {
        setPermissionState(CalendarService::permissionState(
            m_calendarService.eventStore().authorizationStatus(platform::EntityType::event)));
        if (m_permissionState == PermissionState::granted)
            setCalendars(m_calendarService.calendarSources());
    }
    co_await refresh();
}

QCoro::Task<> AppModel::requestCalendarAccess()
{
    const QPointer<AppModel> self(this);
    const PermissionState state = co_await m_calendarService.requestCalendarAccess();
    if (!self)
        co_return;
    setPermissionState(state);
    setCalendars(m_calendarService.calendarSources());
}

QCoro::Task<> AppModel::requestRemindersAccess()
{
    const QPointer<AppModel> self(this);
    const PermissionState state = co_await m_calendarService.requestRemindersAccess();
    if (!self)
        co_return;
    setRemindersPermissionState(state);
    setReminderLists(m_calendarService.reminderListSources());
}

} // namespace tolvar

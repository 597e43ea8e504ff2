#pragma once

#include "platform/time/Date.h"
#include "tolvar/core/CalendarService.h"
#include "tolvar/core/GlobalHotkeyService.h"
#include "tolvar/core/ReminderScheduling.h"
#include "tolvar/core/TestMeetingKind.h"
#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/CalendarSource.h"
#include "tolvar/model/CloudSyncService.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/PendingActionItemMeeting.h"
#include "tolvar/model/PermissionState.h"
#include "tolvar/model/ReminderState.h"
#include "tolvar/model/SettingsStore.h"

#include <QCoro/QCoroTask>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Clock;
class CloudAccount;
class EventStore;
class LoginItem;
class SystemEvents;
class SystemLog;
class Timer;
class UbiquitousKeyValueStore;
class UserDefaults;
class Workspace;
} // namespace platform

namespace tolvar {

class ActionItemPrompt;
class QuickPanel;
class UpdateService;
class ReminderOverlay;

// The hub of the application: every setting and every piece of state the views show, the services it
// owns, and the decisions and actions around reminders. Lives on the main thread.
class AppModel : public QObject
{
    Q_OBJECT
public:
    using SchedulerFactory = std::function<std::unique_ptr<ReminderScheduling>(AppModel&)>;

    // The layers and the higher libraries' objects the model works with; all outlive the model.
    struct Services
    {
        platform::Clock& clock;
        platform::UserDefaults& defaults;
        UpdateService& updateService;
        platform::EventStore& eventStore;
        platform::UbiquitousKeyValueStore& cloudStore;
        const platform::CloudAccount& cloudAccount;
        ReminderOverlay& overlayController;
        ActionItemPrompt& actionItemOverlayController;
        QuickPanel& quickPanelController;
        platform::LoginItem& loginItem;
        platform::SystemLog& systemLog;
        platform::SystemEvents& systemEvents;
        platform::Workspace& workspace;
        SchedulerFactory makeReminderScheduler;
    };

    enum class RuleFlag { showOverlay, playSound };
    // What the last refresh made of the shared folder, beside its text, so that readers need not search
    // the (translated) text.
    enum class SyncState { disabled, failed, synced };

    explicit AppModel(Services services, QObject* parent = nullptr);
    ~AppModel() override;

    // Published state.
    PermissionState permissionState() const { return m_permissionState; }
    void setPermissionState(PermissionState state);
    QList<CalendarSource> calendars() const { return m_calendars; }
    void setCalendars(const QList<CalendarSource>& calendars);
    const QList<MeetingSnapshot>& meetings() const { return m_meetings; }
    void setMeetings(const QList<MeetingSnapshot>& meetings);
    const QHash<QString, ReminderState>& reminderStates() const { return m_reminderStates; }
    void setReminderStates(const QHash<QString, ReminderState>& states);
    QString syncStatus() const { return m_syncStatus; }
    SyncState syncState() const { return m_syncState; }
    void setSyncStatus(const QString& status, SyncState state);
    std::optional<platform::Date> lastRefreshAt() const { return m_lastRefreshAt; }
    void setLastRefreshAt(std::optional<platform::Date> date);
    PermissionState remindersPermissionState() const { return m_remindersPermissionState; }
    void setRemindersPermissionState(PermissionState state);
    QList<CalendarSource> reminderLists() const { return m_reminderLists; }
    void setReminderLists(const QList<CalendarSource>& lists);
    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLoginState(bool enabled);
    const QMap<QString, CalendarRule>& calendarRules() const { return m_calendarRules; }
    void setCalendarRules(const QMap<QString, CalendarRule>& rules);

    // Settings: each setter stores a changed value and starts what depends on it.
    double reminderLeadSeconds() const { return m_reminderLeadSeconds; }
    void setReminderLeadSeconds(double seconds);
    double overlayAutoDismissSeconds() const { return m_overlayAutoDismissSeconds; }
    void setOverlayAutoDismissSeconds(double seconds);
    int forwardDays() const { return m_forwardDays; }
    void setForwardDays(int days);
    int reminderDefaultHour() const { return m_reminderDefaultHour; }
    void setReminderDefaultHour(int hour);
    QSet<QString> selectedCalendarIDs() const { return m_selectedCalendarIDs; }
    void setSelectedCalendarIDs(const QSet<QString>& ids);
    QSet<QString> selectedReminderListIDs() const { return m_selectedReminderListIDs; }
    void setSelectedReminderListIDs(const QSet<QString>& ids);
    bool quietHoursEnabled() const { return m_quietHoursEnabled; }
    void setQuietHoursEnabled(bool enabled);
    int quietHoursStartHour() const { return m_quietHoursStartHour; }
    void setQuietHoursStartHour(int hour);
    int quietHoursEndHour() const { return m_quietHoursEndHour; }
    void setQuietHoursEndHour(int hour);
    bool hideOverlayDuringScreenShare() const { return m_hideOverlayDuringScreenShare; }
    void setHideOverlayDuringScreenShare(bool hide);
    bool onlyRemindMeetingsWithJoinLink() const { return m_onlyRemindMeetingsWithJoinLink; }
    void setOnlyRemindMeetingsWithJoinLink(bool only);
    bool dismissOnMenuBarJoin() const { return m_dismissOnMenuBarJoin; }
    void setDismissOnMenuBarJoin(bool dismiss);
    bool showActionItemAlertAfterMeeting() const { return m_showActionItemAlertAfterMeeting; }
    void setShowActionItemAlertAfterMeeting(bool show);
    bool quickPanelShortcutEnabled() const { return m_quickPanelShortcutEnabled; }
    void setQuickPanelShortcutEnabled(bool enabled);
    QSet<QString> fullscreenMutedCalendarIDs() const { return m_fullscreenMutedCalendarIDs; }
    void setFullscreenMutedCalendarIDs(const QSet<QString>& ids);
    QSet<QString> soundMutedCalendarIDs() const { return m_soundMutedCalendarIDs; }
    void setSoundMutedCalendarIDs(const QSet<QString>& ids);

    void setCalendar(const QString& calendarID, bool selected);
    void setReminderList(const QString& listID, bool selected);
    void setLaunchAtLogin(bool enabled);
    void applyQuickPanelShortcut();
    bool effectiveHideOverlayDuringScreenShare() const { return m_hideOverlayDuringScreenShare; }
    void clearPendingActionItems();

    // Owned services and the higher libraries' controllers.
    SettingsStore& settingsStore() { return m_settingsStore; }
    UpdateService& updateService() { return m_updateService; }
    CalendarService& calendarService() { return m_calendarService; }
    CloudSyncService& cloudSyncService() { return m_cloudSyncService; }
    ReminderOverlay& overlayController() { return m_overlayController; }
    ActionItemPrompt& actionItemOverlayController() { return m_actionItemOverlayController; }
    QuickPanel& quickPanelController() { return m_quickPanelController; }
    GlobalHotkeyService& globalHotkeyService() { return m_globalHotkeyService; }
    // Made on first use, kept for the life of the model.
    ReminderScheduling& reminderScheduler();
    platform::Clock& clock() { return m_clock; }
    platform::Workspace& workspace() { return m_workspace; }

    std::function<void()> showSettingsHandler() const { return m_showSettingsHandler; }
    void setShowSettingsHandler(std::function<void()> handler) { m_showSettingsHandler = std::move(handler); }

    // Start-up and access.
    bool hasStarted() const { return m_hasStarted; }
    void start();
    QCoro::Task<> requestCalendarAccess();
    QCoro::Task<> requestRemindersAccess();

    // Refresh pipeline and its merges. `writeBack` says how much of the merged meeting records goes
    // back to the shared store when they carry nothing new.
    QCoro::Task<> refresh(RecordWriteBack writeBack = RecordWriteBack::changes);
    QList<MeetingSnapshot> dedupeMeetings(const QList<MeetingSnapshot>& meetings) const;
    // Fails only once `stopped()` holds, checked at every meeting.
    static std::optional<QList<MeetingSnapshot>> dedupeMeetings(const QList<MeetingSnapshot>& first,
        const QList<MeetingSnapshot>& second, platform::Date now, const std::function<bool()>& stopped);
    static QString meetingIdentityKey(const MeetingSnapshot& meeting);
    static MeetingSnapshot mergeDuplicate(const MeetingSnapshot& first, const MeetingSnapshot& second);
    QHash<QString, ReminderState> mergeRemoteReminderStates(const QList<ReminderState>& remote);
    QMap<QString, CalendarRule> mergeRemoteCalendarRules(const QList<CalendarRule>& remote);

    // Reminder decisions.
    platform::Date nextReminderDate(const MeetingSnapshot& meeting, double lead) const;
    std::optional<platform::Date> nextReminderFireDate() const;
    bool isReminderSuppressed(const MeetingSnapshot& meeting) const;
    bool isInQuietHours() const;
    // False while signed in until the other machines' files found at start are read and their answers merged
    // here: until then a reminder due may be one they answered.
    bool hasPeerReminderStates() const;
    bool shouldShowOverlay(const QList<MeetingSnapshot>& meetings) const;
    bool shouldPlaySound(const QList<MeetingSnapshot>& meetings) const;
    int soundRepeatCount(const QList<MeetingSnapshot>& meetings) const;

    // Rules.
    CalendarRule calendarRule(const CalendarSource& calendar) const;
    CalendarRule reminderListRule(const CalendarSource& list) const;
    void setRuleFlag(RuleFlag flag, bool value, const CalendarSource& calendar);
    void setSoundRepeat(int repeat, const CalendarSource& calendar);
    void setEventScope(EventScope scope, const CalendarSource& calendar);
    void setReminderListRuleFlag(RuleFlag flag, bool value, const CalendarSource& list);
    void setReminderListSoundRepeat(int repeat, const CalendarSource& list);
    void migrateCalendarRules();

    // Queries, computed on every read; sorted by start.
    std::optional<MeetingSnapshot> nextUpcomingMeeting() const;
    std::optional<MeetingSnapshot> upcomingMeetings() const { return nextUpcomingMeeting(); }
    QList<MeetingSnapshot> currentMeetings() const;
    QList<MeetingSnapshot> remainingMeetings() const;
    bool isAnyMeetingInReminderWindow() const;
    std::optional<QString> menuBarStatusText() const;
    bool isReminderMuted(const MeetingSnapshot& meeting) const;

    // Meeting actions.
    void dismissReminder(const MeetingSnapshot& meeting);
    void dismissReminders(const QList<MeetingSnapshot>& meetings);
    void snoozeReminders(const QList<MeetingSnapshot>& meetings, double seconds);
    void muteReminder(const MeetingSnapshot& meeting);
    void unmuteReminder(const MeetingSnapshot& meeting);
    // Without `markHandled` the setting dismissOnMenuBarJoin decides.
    void join(const MeetingSnapshot& meeting, std::optional<bool> markHandled = std::nullopt);
    void joinFromOverlay(const MeetingSnapshot& meeting);
    // Opens the meeting's link when it is a web link; false when there is none to open.
    bool openJoinLink(const MeetingSnapshot& meeting);

    // Action-item queue.
    QHash<QString, PendingActionItemMeeting> pendingActionItemMeetings() const { return m_pendingActionItemMeetings; }
    std::optional<PendingActionItemMeeting> presentingActionItemMeeting() const
    {
        return m_presentingActionItemMeeting;
    }
    bool isPresentingActionItemAlert() const { return m_isPresentingActionItemAlert; }
    void queueActionItemCapture(const MeetingSnapshot& meeting);
    void presentDueActionItemAlerts();
    void suspendActionItemAlert();
    void restorePendingActionItems();

    // Test meetings.
    QList<MeetingSnapshot> testMeetings() const { return m_testMeetings; }
    void createTestMeeting(TestMeetingKind kind);
    void createConflictTestMeetings();
    void showFullscreenTest();

Q_SIGNALS:
    // Any published change; views that read much redraw on this alone.
    void changed();
    void permissionStateChanged();
    void calendarsChanged();
    void meetingsChanged();
    void reminderStatesChanged();
    void syncStatusChanged();
    void lastRefreshAtChanged();
    void remindersPermissionStateChanged();
    void reminderListsChanged();
    void launchAtLoginChanged();
    void calendarRulesChanged();
    void reminderLeadSecondsChanged();
    void overlayAutoDismissSecondsChanged();
    void forwardDaysChanged();
    void reminderDefaultHourChanged();
    void selectedCalendarIDsChanged();
    void selectedReminderListIDsChanged();
    void quietHoursEnabledChanged();
    void quietHoursStartHourChanged();
    void quietHoursEndHourChanged();
    void hideOverlayDuringScreenShareChanged();
    void onlyRemindMeetingsWithJoinLinkChanged();
    void dismissOnMenuBarJoinChanged();
    void showActionItemAlertAfterMeetingChanged();
    void quickPanelShortcutEnabledChanged();
    void fullscreenMutedCalendarIDsChanged();
    void soundMutedCalendarIDsChanged();

private:
    template <typename T> bool assign(T& member, const T& value, void (AppModel::*signal)());

    // A refresh in a fresh turn of the event loop, which nobody awaits.
    void startRefresh();
    void loadSettings();
    void subscribe();
    QCoro::Task<> runStartupTask();
    QCoro::Task<> runAccessTask();
    void debounceCalendarChange();
    QCoro::Task<> refreshAfterCalendarChange();
    QCoro::Task<> refreshAfterExternalCloudChange();
    // The error of the first store call that failed, else nothing; publishes on success.
    // `publication` is the number the refresh took when it gathered `local`.
    QCoro::Task<std::optional<QString>> exchangeWithCloud(quint64 publication, QList<MeetingSnapshot> local,
        QString deviceID, RecordWriteBack writeBack, LocalRecords localRecords);
    // Publishes the local meetings, with what this machine's store holds already, before an exchange that waits.
    QCoro::Task<> publishHeldRecords(
        quint64 publication, QList<MeetingSnapshot> local, QString deviceID, LocalRecords localRecords);
    // `local` and `others` deduplicated: at once when they are few, else on the merge worker.
    // Fails only when the model goes while the worker deduplicates.
    QFuture<std::optional<QList<MeetingSnapshot>>> deduped(
        const QList<MeetingSnapshot>& local, const QList<MeetingSnapshot>& others = {});
    // Publishes `meetings` unless a publication begun after `publication` was published first.
    void publishMeetings(quint64 publication, const QList<MeetingSnapshot>& meetings);
    // Ours merged with `remote`, which wins ties; `newerHere` gets the states of ours that are newer.
    QHash<QString, ReminderState> withRemoteReminderStates(
        const QList<ReminderState>& remote, QList<ReminderState>& newerHere) const;
    void hideOverlayWhenAllSuppressed();

    // Points into the rules; absent when the meeting's calendar has none stored.
    const CalendarRule* storedRule(const MeetingSnapshot& meeting) const;
    static bool isMutedInOldList(const QSet<QString>& calendarIDs, const MeetingSnapshot& meeting);
    CalendarRule defaultRule(const QString& key) const;
    void changeRule(const QString& key, const std::function<void(CalendarRule&)>& change);
    void changeCalendarRule(const CalendarSource& calendar, const std::function<void(CalendarRule&)>& change);
    void pushCalendarRules(QList<CalendarRule> rules);
    QCoro::Task<> syncCalendarRules(QList<CalendarRule> rules);

    void writeStates(const QList<ReminderState>& states);
    void pushReminderStates(QList<ReminderState> states);
    QCoro::Task<> syncReminderStates(QList<ReminderState> states);
    void savePendingActionItems();
    void addTestMeetings(const QList<MeetingSnapshot>& created);
    MeetingSnapshot makeTestMeeting(const QString& title, platform::Date start, platform::Date end,
        const std::optional<QUrl>& joinURL, const std::optional<QString>& location, const QString& calendarTitle);

    platform::Clock& m_clock;
    platform::UserDefaults& m_defaults;
    const platform::CloudAccount& m_cloudAccount;
    platform::LoginItem& m_loginItem;
    platform::SystemLog& m_systemLog;
    platform::SystemEvents& m_systemEvents;
    platform::Workspace& m_workspace;
    SchedulerFactory m_makeReminderScheduler;

    PermissionState m_permissionState = PermissionState::unknown;
    QList<CalendarSource> m_calendars;
    QList<MeetingSnapshot> m_meetings;
    QHash<QString, ReminderState> m_reminderStates;
    QString m_syncStatus;
    SyncState m_syncState = SyncState::disabled;
    std::optional<platform::Date> m_lastRefreshAt;
    double m_reminderLeadSeconds = 10;
    double m_overlayAutoDismissSeconds = 180;
    int m_forwardDays = 7;
    int m_reminderDefaultHour = 9;
    QSet<QString> m_selectedCalendarIDs;
    QSet<QString> m_selectedReminderListIDs;
    PermissionState m_remindersPermissionState = PermissionState::unknown;
    QList<CalendarSource> m_reminderLists;
    bool m_quietHoursEnabled = false;
    int m_quietHoursStartHour = 22;
    int m_quietHoursEndHour = 7;
    bool m_hideOverlayDuringScreenShare = false;
    bool m_onlyRemindMeetingsWithJoinLink = false;
    bool m_dismissOnMenuBarJoin = true;
    bool m_showActionItemAlertAfterMeeting = false;
    bool m_quickPanelShortcutEnabled = true;
    bool m_launchAtLogin = false;
    QSet<QString> m_fullscreenMutedCalendarIDs;
    QSet<QString> m_soundMutedCalendarIDs;
    QMap<QString, CalendarRule> m_calendarRules;

    SettingsStore m_settingsStore;
    UpdateService& m_updateService;
    CalendarService m_calendarService;
    CloudSyncService m_cloudSyncService;
    ReminderOverlay& m_overlayController;
    ActionItemPrompt& m_actionItemOverlayController;
    std::unique_ptr<ReminderScheduling> m_reminderScheduler;
    QuickPanel& m_quickPanelController;
    QHash<QString, PendingActionItemMeeting> m_pendingActionItemMeetings;
    std::optional<PendingActionItemMeeting> m_presentingActionItemMeeting;
    // By meeting id: what was typed into a prompt that a reminder took off screen, until it shows again.
    QHash<QString, QString> m_suspendedActionItemNotes;
    bool m_isPresentingActionItemAlert = false;
    GlobalHotkeyService m_globalHotkeyService;
    std::function<void()> m_showSettingsHandler;
    std::unique_ptr<platform::Timer> m_refreshTimer;
    std::unique_ptr<platform::Timer> m_calendarChangeDebounce;
    // When the oldest change not yet refreshed for came.
    std::optional<platform::Date> m_firstPendingCalendarChange;
    bool m_hasStarted = false;
    bool m_hasPeerReminderStates = false;
    QList<MeetingSnapshot> m_testMeetings;
    // Which publication of meetings began last, and which was published last. A publication begins when what it
    // publishes was gathered.
    quint64 m_meetingPublicationsBegun = 0;
    quint64 m_meetingPublicationShown = 0;
    // Set as the model goes, so that its destructor does not wait for a whole deduplication.
    std::atomic_bool m_closing = false;
    // Deduplicates tens of thousands of meetings, one list after another. Last, so that it is waited for first.
    QThreadPool m_mergeWorker;
};

} // namespace tolvar

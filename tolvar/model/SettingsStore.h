#pragma once

#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/PendingActionItemMeeting.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

namespace platform {
class UserDefaults;
}

namespace tolvar {

// The user-defaults keys of the settings; each is the name of the setting it keeps.
namespace SettingsKey {
inline constexpr char selectedCalendarIDs[] = "selectedCalendarIDs";
inline constexpr char selectedReminderListIDs[] = "selectedReminderListIDs";
inline constexpr char fullscreenMutedCalendarIDs[] = "fullscreenMutedCalendarIDs";
inline constexpr char soundMutedCalendarIDs[] = "soundMutedCalendarIDs";
inline constexpr char deviceID[] = "deviceID";
inline constexpr char forwardDays[] = "forwardDays";
inline constexpr char reminderDefaultHour[] = "reminderDefaultHour";
inline constexpr char quietHoursStartHour[] = "quietHoursStartHour";
inline constexpr char quietHoursEndHour[] = "quietHoursEndHour";
inline constexpr char reminderLeadSeconds[] = "reminderLeadSeconds";
inline constexpr char overlayAutoDismissSeconds[] = "overlayAutoDismissSeconds";
inline constexpr char dismissOnMenuBarJoin[] = "dismissOnMenuBarJoin";
inline constexpr char quickPanelShortcutEnabled[] = "quickPanelShortcutEnabled";
inline constexpr char quietHoursEnabled[] = "quietHoursEnabled";
inline constexpr char hideOverlayDuringScreenShare[] = "hideOverlayDuringScreenShare";
inline constexpr char onlyRemindMeetingsWithJoinLink[] = "onlyRemindMeetingsWithJoinLink";
inline constexpr char showActionItemAlertAfterMeeting[] = "showActionItemAlertAfterMeeting";
inline constexpr char calendarRules[] = "calendarRules";
inline constexpr char pendingActionItemMeetings[] = "pendingActionItemMeetings";
inline constexpr char onboardingCompleted[] = "onboardingCompleted";
inline constexpr char calendarRulesMigrated[] = "calendarRulesMigrated.v1";
} // namespace SettingsKey

// The settings, device id, calendar rules and pending action items, kept in the user defaults.
// Every read goes to the defaults; nothing is cached.
class SettingsStore
{
public:
    explicit SettingsStore(platform::UserDefaults& defaults);

    platform::UserDefaults& defaults() const { return m_defaults; }

    QSet<QString> identifierSet(const char* key) const;
    // Written as a sorted array so that the file does not churn with set order.
    void setIdentifierSet(const char* key, const QSet<QString>& identifiers);

    // Made on first use and never changed afterwards.
    QString deviceID();

    int forwardDays() const;
    int reminderDefaultHour() const;
    int quietHoursStartHour() const;
    int quietHoursEndHour() const;
    void setForwardDays(int days);

    double reminderLeadSeconds() const;
    double overlayAutoDismissSeconds() const;

    bool dismissOnMenuBarJoin() const;
    bool quickPanelShortcutEnabled() const;

    QMap<QString, CalendarRule> loadCalendarRules() const;
    void saveCalendarRules(const QMap<QString, CalendarRule>& rules);
    QList<PendingActionItemMeeting> loadPendingActionItemMeetings() const;
    void savePendingActionItemMeetings(const QList<PendingActionItemMeeting>& meetings);

    static constexpr int minimumForwardDays = 1;
    static constexpr int maximumForwardDays = 30;

private:
    int storedHour(const char* key, int fallback) const;
    double positiveSeconds(const char* key, double fallback) const;
    bool boolDefaultingToTrue(const char* key) const;

    platform::UserDefaults& m_defaults;
};

} // namespace tolvar

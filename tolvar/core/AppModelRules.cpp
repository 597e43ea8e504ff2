// The reminder decisions, calendar rules and meeting queries of AppModel.
#include "tolvar/core/AppModel.h"

#include "platform/calendar/EventStore.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/model/MeetingLinks.h"

#include <algorithm>

namespace tolvar {

namespace {

const QString reminderKeyPrefix = QStringLiteral("reminder") + QChar(0x1F);

QString reminderListKey(const CalendarSource& list)
{
    return reminderKeyPrefix + makeCalendarKey(list.sourceTitle, list.title).value_or(QString());
}

auto settingFlag(AppModel::RuleFlag flag, bool value)
{
    return [flag, value](CalendarRule& rule) {
        (flag == AppModel::RuleFlag::showOverlay ? rule.showOverlay : rule.playSound) = value;
    };
}

} // namespace

platform::Date AppModel::nextReminderDate(const MeetingSnapshot& meeting, double lead) const
{
    const auto state = m_reminderStates.constFind(meeting.id);
    if (state != m_reminderStates.constEnd() && state->snoozedUntil && *state->snoozedUntil > m_clock.now())
        return *state->snoozedUntil;
    return meeting.startDate.addingSeconds(-lead);
}

std::optional<platform::Date> AppModel::nextReminderFireDate() const
{
    const platform::Date now = m_clock.now();
    std::optional<platform::Date> earliest;
    for (const MeetingSnapshot& meeting : m_meetings) {
        // The suppression test is the dearer one; it runs only for a date that would win.
        const platform::Date date = nextReminderDate(meeting, m_reminderLeadSeconds);
        if (date > now && (!earliest || date < *earliest) && !isReminderSuppressed(meeting))
            earliest = date;
    }
    return earliest;
}

bool AppModel::isReminderSuppressed(const MeetingSnapshot& meeting) const
{
    const auto state = m_reminderStates.constFind(meeting.id);
    if (state != m_reminderStates.constEnd()
        && (state->firedForStartDate == meeting.startDate || state->isSuppressed(m_clock.now())))
        return true;
    // Link detection last: the scheduler asks this every second for every meeting.
    return m_onlyRemindMeetingsWithJoinLink && !meeting.isTask && !meeting.joinURL
        && physicalLocationText(meeting.location);
}

bool AppModel::isInQuietHours() const
{
    if (!m_quietHoursEnabled)
        return false;
    const int hour = m_clock.now().toDateTime().toLocalTime().time().hour();
    if (m_quietHoursStartHour == m_quietHoursEndHour)
        return true;
    if (m_quietHoursStartHour < m_quietHoursEndHour)
        return hour >= m_quietHoursStartHour && hour < m_quietHoursEndHour;
    return hour >= m_quietHoursStartHour || hour < m_quietHoursEndHour;
}

const CalendarRule* AppModel::storedRule(const MeetingSnapshot& meeting) const
{
    const std::optional<QString> key = makeCalendarKey(meeting.calendarSourceTitle, meeting.calendarTitle);
    if (!key)
        return nullptr;
    const auto found = m_calendarRules.constFind(meeting.isTask ? reminderKeyPrefix + *key : *key);
    return found == m_calendarRules.constEnd() ? nullptr : &*found;
}

bool AppModel::shouldShowOverlay(const QList<MeetingSnapshot>& meetings) const
{
    if (meetings.isEmpty() || isInQuietHours())
        return false;
    return std::any_of(meetings.begin(), meetings.end(), [this](const MeetingSnapshot& meeting) {
        const CalendarRule* rule = storedRule(meeting);
        return rule ? rule->showOverlay : !isMutedInOldList(m_fullscreenMutedCalendarIDs, meeting);
    });
}

bool AppModel::shouldPlaySound(const QList<MeetingSnapshot>& meetings) const
{
    return std::any_of(meetings.begin(), meetings.end(), [this](const MeetingSnapshot& meeting) {
        const CalendarRule* rule = storedRule(meeting);
        return rule ? rule->playSound : !isMutedInOldList(m_soundMutedCalendarIDs, meeting);
    });
}

// A calendar's mute waits in the old list until its name is read; it holds meanwhile.
bool AppModel::isMutedInOldList(const QSet<QString>& calendarIDs, const MeetingSnapshot& meeting)
{
    return !meeting.isTask && meeting.calendarExternalIdentifier
        && calendarIDs.contains(*meeting.calendarExternalIdentifier);
}

int AppModel::soundRepeatCount(const QList<MeetingSnapshot>& meetings) const
{
    std::optional<qint64> fewest;
    for (const MeetingSnapshot& meeting : meetings) {
        const CalendarRule* rule = storedRule(meeting);
        if (rule && rule->soundRepeat > 0 && (!fewest || rule->soundRepeat < *fewest))
            fewest = rule->soundRepeat;
    }
    // Stored rules may come from another machine; a count beyond int is as good as "until closed".
    return fewest && *fewest <= std::numeric_limits<int>::max() ? int(*fewest) : 0;
}

CalendarRule AppModel::defaultRule(const QString& key) const
{
    CalendarRule rule;
    rule.calendarKey = key;
    rule.updatedAt = m_clock.now();
    return rule;
}

CalendarRule AppModel::calendarRule(const CalendarSource& calendar) const
{
    const QString key = makeCalendarKey(calendar.sourceTitle, calendar.title).value_or(QString());
    return m_calendarRules.value(key, defaultRule(key));
}

CalendarRule AppModel::reminderListRule(const CalendarSource& list) const
{
    const QString key = reminderListKey(list);
    return m_calendarRules.value(key, defaultRule(key));
}

void AppModel::changeRule(const QString& key, const std::function<void(CalendarRule&)>& change)
{
    CalendarRule rule = m_calendarRules.value(key, defaultRule(key));
    change(rule);
    rule.updatedAt = m_clock.now();
    QMap<QString, CalendarRule> rules = m_calendarRules;
    rules.insert(key, rule);
    setCalendarRules(rules);
    m_settingsStore.saveCalendarRules(m_calendarRules);
    if (m_cloudAccount.maySignIn())
        pushCalendarRules({ rule });
}

void AppModel::changeCalendarRule(const CalendarSource& calendar, const std::function<void(CalendarRule&)>& change)
{
    // A calendar without title and account has no key, and so no rule.
    if (const std::optional<QString> key = makeCalendarKey(calendar.sourceTitle, calendar.title))
        changeRule(*key, change);
}

void AppModel::setRuleFlag(RuleFlag flag, bool value, const CalendarSource& calendar)
{
    changeCalendarRule(calendar, settingFlag(flag, value));
}

void AppModel::setSoundRepeat(int repeat, const CalendarSource& calendar)
{
    changeCalendarRule(calendar, [repeat](CalendarRule& rule) { rule.soundRepeat = repeat; });
}

void AppModel::setEventScope(EventScope scope, const CalendarSource& calendar)
{
    changeCalendarRule(calendar, [scope](CalendarRule& rule) { rule.eventScope = scope; });
}

void AppModel::setReminderListRuleFlag(RuleFlag flag, bool value, const CalendarSource& list)
{
    changeRule(reminderListKey(list), settingFlag(flag, value));
}

void AppModel::setReminderListSoundRepeat(int repeat, const CalendarSource& list)
{
    changeRule(reminderListKey(list), [repeat](CalendarRule& rule) { rule.soundRepeat = repeat; });
}

void AppModel::pushCalendarRules(QList<CalendarRule> rules)
{
    QMetaObject::invokeMethod(
        this, [this, rules] { syncCalendarRules(rules); }, Qt::QueuedConnection);
}

QCoro::Task<> AppModel::syncCalendarRules(QList<CalendarRule> rules)
{
    // A failed push is dropped: the rule is stored here, and the next refresh exchanges rules again.
    co_await m_cloudSyncService.syncCalendarRules(std::move(rules));
}

void AppModel::migrateCalendarRules()
{
    if (m_defaults.boolForKey(SettingsKey::calendarRulesMigrated))
        return;
    // At start the model has read no calendars yet; ask the database, and keep the old lists for a later refresh
    // rather than drop them while the calendars cannot be read, or are not all listed yet. A calendar whose file
    // is left unread is listed all the same.
    const bool hasLegacyIDs = !m_fullscreenMutedCalendarIDs.isEmpty() || !m_soundMutedCalendarIDs.isEmpty();
    if (hasLegacyIDs && !m_calendarService.eventStore().isFirstReadComplete())
        return;
    const QList<CalendarSource> calendars = m_calendars.isEmpty() ? m_calendarService.calendarSources() : m_calendars;
    if (hasLegacyIDs && calendars.isEmpty())
        return;
    // A calendar named inside its only file is listed under the file's name until that file is read: its mute
    // waits in the old list for its own name, rather than become a rule no meeting of it will ever match.
    QSet<QString> unnamed;
    for (const platform::UnknownFile& file : m_calendarService.eventStore().unknownFiles()) {
        if (file.namesCalendar)
            unnamed.insert(file.calendarIdentifier);
    }
    QHash<QString, CalendarSource> calendarsByID;
    for (const CalendarSource& calendar : calendars)
        calendarsByID.insert(calendar.id, calendar);
    QMap<QString, CalendarRule> rules = m_calendarRules;
    // The ids left waiting.
    const auto turnOff = [&](const QSet<QString>& ids, bool CalendarRule::*field) {
        QSet<QString> waiting;
        for (const QString& id : ids) {
            if (unnamed.contains(id)) {
                waiting.insert(id);
                continue;
            }
            const auto calendar = calendarsByID.constFind(id);
            if (calendar == calendarsByID.constEnd())
                continue;
            const std::optional<QString> key = makeCalendarKey(calendar->sourceTitle, calendar->title);
            if (!key)
                continue;
            CalendarRule rule = rules.value(*key, defaultRule(*key));
            rule.*field = false;
            rule.updatedAt = m_clock.now();
            rules.insert(*key, rule);
        }
        return waiting;
    };
    const QSet<QString> fullscreenWaiting = turnOff(m_fullscreenMutedCalendarIDs, &CalendarRule::showOverlay);
    const QSet<QString> soundWaiting = turnOff(m_soundMutedCalendarIDs, &CalendarRule::playSound);
    setCalendarRules(rules);
    m_settingsStore.saveCalendarRules(m_calendarRules);
    if (fullscreenWaiting.isEmpty())
        m_defaults.remove(SettingsKey::fullscreenMutedCalendarIDs);
    if (soundWaiting.isEmpty())
        m_defaults.remove(SettingsKey::soundMutedCalendarIDs);
    setFullscreenMutedCalendarIDs(fullscreenWaiting);
    setSoundMutedCalendarIDs(soundWaiting);
    if (fullscreenWaiting.isEmpty() && soundWaiting.isEmpty())
        m_defaults.setBool(SettingsKey::calendarRulesMigrated, true);
}

std::optional<MeetingSnapshot> AppModel::nextUpcomingMeeting() const
{
    const platform::Date now = m_clock.now();
    std::optional<MeetingSnapshot> next;
    for (const MeetingSnapshot& meeting : m_meetings) {
        if (meeting.startDate > now && (!next || meeting.startDate < next->startDate))
            next = meeting;
    }
    return next;
}

QList<MeetingSnapshot> AppModel::currentMeetings() const
{
    const platform::Date now = m_clock.now();
    QList<MeetingSnapshot> current;
    for (const MeetingSnapshot& meeting : m_meetings) {
        if (meeting.startDate <= now && meeting.endDate > now)
            current.append(meeting);
    }
    return sortedByStart(current);
}

QList<MeetingSnapshot> AppModel::remainingMeetings() const
{
    const platform::Date now = m_clock.now();
    QList<MeetingSnapshot> remaining;
    for (const MeetingSnapshot& meeting : m_meetings) {
        if (meeting.endDate > now)
            remaining.append(meeting);
    }
    return sortedByStart(remaining);
}

bool AppModel::isAnyMeetingInReminderWindow() const
{
    const platform::Date now = m_clock.now();
    return std::any_of(m_meetings.begin(), m_meetings.end(), [this, now](const MeetingSnapshot& meeting) {
        return now >= meeting.startDate.addingSeconds(-m_reminderLeadSeconds) && now < meeting.startDate;
    });
}

std::optional<QString> AppModel::menuBarStatusText() const
{
    if (!currentMeetings().isEmpty())
        return platform::localized("NOW");
    if (isAnyMeetingInReminderWindow())
        return platform::localized("SOON");
    return std::nullopt;
}

bool AppModel::isReminderMuted(const MeetingSnapshot& meeting) const
{
    const auto state = m_reminderStates.constFind(meeting.id);
    return state != m_reminderStates.constEnd() && state->mutedAt.has_value();
}

} // namespace tolvar

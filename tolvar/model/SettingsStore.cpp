#include "tolvar/model/SettingsStore.h"

#include "platform/defaults/UserDefaults.h"
#include "tolvar/model/RecordJson.h"

#include <QUuid>
#include <algorithm>
#include <cmath>

namespace tolvar {

namespace {

// Only a stored integer (or a double holding a whole number) counts; text, even of digits, does not.
std::optional<qint64> storedInteger(const platform::UserDefaults& defaults, const char* key)
{
    const std::optional<platform::UserDefaults::Value> value = defaults.value(key);
    if (!value)
        return std::nullopt;
    if (const qint64* integer = std::get_if<qint64>(&*value))
        return *integer;
    if (const double* number = std::get_if<double>(&*value)) {
        if (std::isfinite(*number) && std::trunc(*number) == *number && std::abs(*number) < 9e15)
            return qint64(*number);
    }
    return std::nullopt;
}

} // namespace

SettingsStore::SettingsStore(platform::UserDefaults& defaults)
    : m_defaults(defaults)
{ }

QSet<QString> SettingsStore::identifierSet(const char* key) const
{
    const QStringList stored = m_defaults.stringArrayForKey(key).value_or(QStringList());
    return QSet<QString>(stored.begin(), stored.end());
}

void SettingsStore::setIdentifierSet(const char* key, const QSet<QString>& identifiers)
{
    QStringList sorted(identifiers.begin(), identifiers.end());
    // QString's operator< compares UTF-16 code units; compare code points so that text beyond the
    // basic plane sorts the same way on every machine.
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.toUcs4() < b.toUcs4(); });
    m_defaults.setStringArray(key, sorted);
}

QString SettingsStore::deviceID()
{
    const std::optional<QString> stored = m_defaults.stringForKey(SettingsKey::deviceID);
    if (stored && !stored->isEmpty())
        return *stored;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_defaults.setString(SettingsKey::deviceID, id);
    return id;
}

int SettingsStore::forwardDays() const
{
    const std::optional<qint64> stored = storedInteger(m_defaults, SettingsKey::forwardDays);
    if (!stored)
        return 7;
    return int(std::clamp<qint64>(*stored, minimumForwardDays, maximumForwardDays));
}

void SettingsStore::setForwardDays(int days)
{
    m_defaults.setInteger(SettingsKey::forwardDays, std::clamp(days, minimumForwardDays, maximumForwardDays));
}

int SettingsStore::storedHour(const char* key, int fallback) const
{
    const std::optional<qint64> stored = storedInteger(m_defaults, key);
    if (!stored || *stored < INT_MIN || *stored > INT_MAX)
        return fallback;
    return int(*stored);
}

int SettingsStore::reminderDefaultHour() const
{
    return storedHour(SettingsKey::reminderDefaultHour, 9);
}

int SettingsStore::quietHoursStartHour() const
{
    return storedHour(SettingsKey::quietHoursStartHour, 22);
}

int SettingsStore::quietHoursEndHour() const
{
    return storedHour(SettingsKey::quietHoursEndHour, 7);
}

double SettingsStore::positiveSeconds(const char* key, double fallback) const
{
    const double stored = m_defaults.doubleForKey(key);
    return stored > 0 && std::isfinite(stored) ? stored : fallback;
}

double SettingsStore::reminderLeadSeconds() const
{
    return positiveSeconds(SettingsKey::reminderLeadSeconds, 10.0);
}

double SettingsStore::overlayAutoDismissSeconds() const
{
    return positiveSeconds(SettingsKey::overlayAutoDismissSeconds, 180.0);
}

bool SettingsStore::boolDefaultingToTrue(const char* key) const
{
    return !m_defaults.contains(key) || m_defaults.boolForKey(key);
}

bool SettingsStore::dismissOnMenuBarJoin() const
{
    return boolDefaultingToTrue(SettingsKey::dismissOnMenuBarJoin);
}

bool SettingsStore::quickPanelShortcutEnabled() const
{
    return boolDefaultingToTrue(SettingsKey::quickPanelShortcutEnabled);
}

QMap<QString, CalendarRule> SettingsStore::loadCalendarRules() const
{
    QMap<QString, CalendarRule> rules;
    const std::optional<QByteArray> data = m_defaults.dataForKey(SettingsKey::calendarRules);
    if (!data)
        return rules;
    // Element by element: one bad rule must not make the next save erase the good ones.
    for (const CalendarRule& rule : decodeRecordArray<CalendarRule>(*data).value_or(QList<CalendarRule>()))
        rules.insert(rule.calendarKey, rule);
    return rules;
}

void SettingsStore::saveCalendarRules(const QMap<QString, CalendarRule>& rules)
{
    QList<CalendarRule> sorted = rules.values();
    std::sort(sorted.begin(), sorted.end(),
        [](const CalendarRule& a, const CalendarRule& b) { return a.calendarKey.toUcs4() < b.calendarKey.toUcs4(); });
    m_defaults.setData(SettingsKey::calendarRules, encodeRecordArray(sorted));
}

QList<PendingActionItemMeeting> SettingsStore::loadPendingActionItemMeetings() const
{
    const std::optional<QByteArray> data = m_defaults.dataForKey(SettingsKey::pendingActionItemMeetings);
    if (!data)
        return {};
    return decodeRecordArray<PendingActionItemMeeting>(*data).value_or(QList<PendingActionItemMeeting>());
}

void SettingsStore::savePendingActionItemMeetings(const QList<PendingActionItemMeeting>& meetings)
{
    m_defaults.setData(SettingsKey::pendingActionItemMeetings, encodeRecordArray(meetings));
}

} // namespace tolvar

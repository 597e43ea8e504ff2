#include "tolvar/settings/HealthReport.h"

#include "platform/text/DateTemplateFormat.h"
#include "platform/text/Localized.h"
#include "platform/text/ShortTime.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/SettingsTexts.h"

#include <QLocale>
#include <QTimeZone>

namespace tolvar {

namespace {

QString count(qsizetype n)
{
    return QLocale().toString(n);
}

QString watchingText(qsizetype n)
{
    return n == 1 ? platform::localizedFormat("%d calendar", { count(n) })
                  : platform::localizedFormat("%d calendars", { count(n) });
}

QString monitoredCalendarsSummary(qsizetype n)
{
    if (n == 0)
        return platform::localized("No calendars selected. Choose at least one calendar in the Calendars tab.");
    return n == 1 ? platform::localizedFormat("%d calendar selected.", { count(n) })
                  : platform::localizedFormat("%d calendars selected.", { count(n) });
}

QString monitoredReminderListsSummary(PermissionState access, qsizetype m)
{
    if (access != PermissionState::granted)
        return platform::localized("Reminders access not granted.");
    if (m == 0)
        return platform::localized("No reminder lists selected. Choose lists in the Reminders tab.");
    return m == 1 ? platform::localizedFormat("%d list selected.", { count(m) })
                  : platform::localizedFormat("%d lists selected.", { count(m) });
}

QDateTime local(platform::Date date)
{
    return date.toDateTime().toLocalTime();
}

QString abbreviatedDateTime(platform::Date date)
{
    const QDateTime shown = local(date);
    const QLocale locale;
    // Local time's own offset, which follows a zone changed since Qt first read the system zone.
    return platform::formatDateFromTemplate(date, QStringLiteral("yMMMd"), locale, QTimeZone(shown.offsetFromUtc()))
        + QStringLiteral(", ") + platform::shortTimeText(shown.time(), locale);
}

} // namespace

HealthReport HealthReport::of(const AppModel& appModel)
{
    const PermissionState calendarAccess = appModel.permissionState();
    const PermissionState remindersAccess = appModel.remindersPermissionState();
    const qsizetype n = appModel.selectedCalendarIDs().size();
    const qsizetype m = appModel.selectedReminderListIDs().size();
    const bool calendarGranted = calendarAccess == PermissionState::granted;
    const bool remindersGranted = remindersAccess == PermissionState::granted;

    HealthReport report;
    QString remindersSymbol = QStringLiteral("checklist");
    if (remindersAccess == PermissionState::granted)
        remindersSymbol = QStringLiteral("checkmark.circle.fill");
    else if (remindersAccess == PermissionState::denied)
        remindersSymbol = QStringLiteral("exclamationmark.triangle.fill");
    report.tiles = {
        { "Calendar Access", settingsTexts::calendarAccessStatusText(calendarAccess),
            calendarGranted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("exclamationmark.triangle.fill"),
            !calendarGranted },
        { "Reminders", settingsTexts::remindersAccessStatusText(remindersAccess), remindersSymbol, !remindersGranted },
        { "Watching", watchingText(n),
            n > 0 ? QStringLiteral("calendar.badge.clock") : QStringLiteral("calendar.badge.exclamationmark"), n == 0 },
        { "Alert style", platform::localized("Fullscreen only"), QStringLiteral("rectangle.inset.filled"), false },
    };

    const std::optional<platform::Date> lastRefresh = appModel.lastRefreshAt();
    const std::optional<platform::Date> nextReminder = appModel.nextReminderFireDate();
    // The state the model published beside the text, not the words of the text, which vary by language
    // and may quote an error that holds any word.
    const AppModel::SyncState sync = appModel.syncState();
    report.rows = {
        { "Calendar access", settingsTexts::calendarAccessMessage(calendarAccess), !calendarGranted },
        { "Reminders access", settingsTexts::remindersAccessMessage(remindersAccess), !remindersGranted },
        { "Alert style",
            platform::localized("Fullscreen overlay only. macOS Calendar can keep handling system notifications."),
            false },
        { "Monitored calendars", monitoredCalendarsSummary(n), n == 0 },
        { "Monitored reminder lists", monitoredReminderListsSummary(remindersAccess, m), remindersGranted && m == 0 },
        { "Last refresh",
            lastRefresh ? platform::shortTimeText(local(*lastRefresh).time())
                        : platform::localized("Not refreshed yet"),
            !lastRefresh },
        { "Next reminder",
            nextReminder ? abbreviatedDateTime(*nextReminder) : platform::localized("No reminder scheduled"),
            !nextReminder && !appModel.meetings().isEmpty() },
        { "Sync", appModel.syncStatus(), sync != AppModel::SyncState::synced },
    };
    report.showsSyncHint = sync == AppModel::SyncState::disabled;
    return report;
}

} // namespace tolvar

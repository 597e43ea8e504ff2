#include "platform/text/LinuxWording.h"

#include <QDir>
#include <QHash>
#include <QStandardPaths>

namespace platform {

namespace {

struct Wording
{
    const char* key;
    const char* text;
};

// {data} and {config} stand for the user's XDG data and config folders, written as the table is read.
constexpr const char* noCalendarsFound = "No calendars found in {data}/calendars. Put iCalendar files there, or let "
                                         "vdirsyncer fill it from your calendar server.";

// Access is Tolvar's own grant here, sync runs through the shared cloud folder, Tolvar lives in the
// system tray and the login item is an autostart entry.
constexpr Wording table[] = {
    { "Calendar access is denied. Enable it in System Settings.",
        "Calendar access is denied. Request access again to let Tolvar read your calendars." },
    { "Reminders access is denied. Enable it in System Settings.",
        "Reminders access is denied. Request access again to let Tolvar read your task lists." },
    // Tolvar reads one folder; a newcomer learns which, and what can fill it.
    { "No calendars found on this Mac.", noCalendarsFound },
    { "No calendars found.", noCalendarsFound },
    // The source of the test meetings, shown beside their calendar in the panel, the overlay and the card.
    { "This Mac", "This Computer" },
    { "Fullscreen overlay only. macOS Calendar can keep handling system notifications.",
        "Fullscreen overlay only. Your calendar application can keep handling desktop notifications." },
    { "Local-only mode is active. Sign into iCloud in System Settings to sync across Macs.",
        "Local-only mode is active. Sync Tolvar's cloud folder ({data}/tolvar/cloud) between your "
        "computers to share reminders." },
    { "iCloud sync disabled", "Cloud folder sync disabled" },
    { "iCloud sync disabled - local reminders only", "Cloud folder sync disabled - local reminders only" },
    { "iCloud sync failed: %@", "Cloud folder sync failed: %@" },
    { "Customize the reminder for each monitored calendar: whether to show the fullscreen overlay, play the "
      "sound, and how many times the sound repeats before stopping. Rules sync across your Macs via iCloud.",
        "Customize the reminder for each monitored calendar: whether to show the fullscreen overlay, play "
        "the sound, and how many times the sound repeats before stopping. Rules sync across your computers "
        "through the shared cloud folder." },
    { "Customize the reminder for each monitored list: whether to show the fullscreen overlay, play the "
      "sound, and how many times the sound repeats before stopping. Rules sync across your Macs via iCloud.",
        "Customize the reminder for each monitored list: whether to show the fullscreen overlay, play the "
        "sound, and how many times the sound repeats before stopping. Rules sync across your computers "
        "through the shared cloud folder." },
    { "Runs Tolvar automatically whenever you log in. You can also manage this in System Settings → General "
      "→ Login Items.",
        "Runs Tolvar automatically whenever you log in, through an autostart entry "
        "({config}/autostart/tolvar.desktop). Your desktop's startup applications settings manage it too." },
    { "Tolvar lives in your menu bar (top-right). Look for the calendar icon — there is no Dock icon after "
      "setup.",
        "Tolvar lives in the system tray. Look for the calendar icon — there is no taskbar entry after "
        "setup." },
    { "When enabled, the fullscreen reminder stays visible to you but is hidden from people viewing your "
      "shared screen — they see your slides instead of the reminder. Supported by Zoom, Meet, Teams and most "
      "recording apps.",
        "This setting has no effect here: X11 cannot hide a window from screen sharing or recording, so "
        "people viewing your shared screen see the fullscreen reminder too. The choice is kept with your "
        "other settings." },
    { "Tasks with a due date in the selected lists appear in the menubar and fire the fullscreen reminder at "
      "the due time.",
        "Tasks with a due date in the selected lists appear in the tray panel and fire the fullscreen "
        "reminder at the due time." },
    { "Tasks that have a due date but no time are treated as due at the hour below on that day, and stay "
      "visible in the menubar for the rest of the day.",
        "Tasks that have a due date but no time are treated as due at the hour below on that day, and stay "
        "visible in the tray panel for the rest of the day." },
    { "Dismiss when joining from the menu bar", "Dismiss when joining from the tray panel" },
    { "On: joining from the menu bar marks the meeting handled, so it won't fire the fullscreen reminder. "
      "Off: the overlay still fires at the meeting time even if you joined early — safer if you tend to "
      "click Join ahead of time and then get distracted. Joining from the fullscreen reminder always "
      "dismisses.",
        "On: joining from the tray panel marks the meeting handled, so it won't fire the fullscreen "
        "reminder. Off: the overlay still fires at the meeting time even if you joined early — safer if you "
        "tend to click Join ahead of time and then get distracted. Joining from the fullscreen reminder "
        "always dismisses." },
};

const QHash<QByteArray, QString>& wordings()
{
    static const QHash<QByteArray, QString> map = [] {
        QHash<QByteArray, QString> made;
        for (const Wording& wording : table)
            made.insert(QByteArray(wording.key), QString::fromUtf8(wording.text));
        return made;
    }();
    return map;
}

// The folder with the home folder written as ~, as users read and type it.
QString shownFolder(QStandardPaths::StandardLocation location)
{
    const QString folder = QDir::cleanPath(QStandardPaths::writableLocation(location));
    const QString home = QDir::cleanPath(QDir::homePath());
    if (folder == home)
        return QStringLiteral("~");
    if (home != u"/" && folder.startsWith(home + u'/'))
        return u'~' + folder.mid(home.size());
    return folder;
}

} // namespace

QString LinuxWording::translate(const char*, const char* sourceText, const char*, int) const
{
    // A null result lets the lookup fall through to the English key.
    QString text = sourceText ? wordings().value(QByteArray(sourceText)) : QString();
    if (text.contains(u'{')) {
        text.replace(QLatin1String("{data}"), shownFolder(QStandardPaths::GenericDataLocation));
        text.replace(QLatin1String("{config}"), shownFolder(QStandardPaths::GenericConfigLocation));
    }
    return text;
}

} // namespace platform

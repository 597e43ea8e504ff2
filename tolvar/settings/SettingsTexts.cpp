#include "tolvar/settings/SettingsTexts.h"

#include "platform/text/Localized.h"
#include "platform/text/ShortTime.h"

#include <QLocale>
#include <QTime>

namespace tolvar {

namespace settingsTexts {

QString calendarAccessStatusText(PermissionState state)
{
    switch (state) {
    case PermissionState::granted:
        return platform::localized("Enabled");
    case PermissionState::denied:
        return platform::localized("Denied");
    case PermissionState::unknown:
        break;
    }
    return platform::localized("Not requested");
}

QString remindersAccessStatusText(PermissionState state)
{
    return calendarAccessStatusText(state);
}

QString calendarAccessMessage(PermissionState state)
{
    switch (state) {
    case PermissionState::granted:
        return platform::localized("Calendar access is enabled.");
    case PermissionState::denied:
        return platform::localized("Calendar access is denied. Enable it in System Settings.");
    case PermissionState::unknown:
        break;
    }
    return platform::localized("Calendar permission has not been requested.");
}

QString remindersAccessMessage(PermissionState state)
{
    switch (state) {
    case PermissionState::granted:
        return platform::localized("Reminders access is enabled.");
    case PermissionState::denied:
        return platform::localized("Reminders access is denied. Enable it in System Settings.");
    case PermissionState::unknown:
        break;
    }
    return platform::localized("Reminders permission has not been requested yet.");
}

QString hourLabel(int hour)
{
    // The hour itself, never a time on some date, which a daylight-saving gap could swallow.
    const QTime time(hour, 0);
    return platform::shortTimeText(time.isValid() ? time : QTime::currentTime());
}

} // namespace settingsTexts

} // namespace tolvar

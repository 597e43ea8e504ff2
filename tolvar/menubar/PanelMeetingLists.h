#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <optional>

namespace tolvar {

class AppModel;
class MenuBarInteractionModel;

// The meetings a panel shows, worked out afresh from the application model and the panel's state on
// every rebuild: today's NOW, NEXT and UPCOMING, the selected day's list, and the list the keyboard
// walks.
struct PanelMeetingLists
{
    static PanelMeetingLists make(AppModel& appModel, const MenuBarInteractionModel& ui);

    // The last day offset the panel can show.
    static int maxDayOffset(int forwardDays);
    // `now` plus `dayOffset` days in the user's calendar (`now` when that day cannot be formed).
    static platform::Date dateAfterDays(platform::Date now, int dayOffset);

    QDate today;
    platform::Date selectedDate;
    // Started and not ended, by start (the wall clock's).
    QList<MeetingSnapshot> current;
    // The first meeting of today after the panel's clock that is not running.
    std::optional<MeetingSnapshot> next;
    // Today's later meetings after NEXT, without the running ones.
    QList<MeetingSnapshot> upcoming;
    // The selected day's meetings, by start.
    QList<MeetingSnapshot> selectedDay;
    // Today: current, next, upcoming; another day: selectedDay.
    QList<MeetingSnapshot> navigable;

    QStringList navigableIDs() const;
    std::optional<MeetingSnapshot> navigableMeeting(const std::optional<QString>& id) const;
    // The hovered meeting, else the keyboard selection while the detail follows it.
    std::optional<MeetingSnapshot> detailMeeting(const MenuBarInteractionModel& ui) const;
    // The meeting's time range, led by its short day when it is neither today nor on the selected day.
    QString detailTimeLabel(const MeetingSnapshot& meeting) const;
};

} // namespace tolvar

#include "tolvar/menubar/PanelMeetingLists.h"

#include "tolvar/core/AppModel.h"
#include "tolvar/menubar/MenuBarInteractionModel.h"
#include "tolvar/menubar/PanelLabels.h"

#include <QSet>
#include <algorithm>

namespace tolvar {

PanelMeetingLists PanelMeetingLists::make(AppModel& appModel, const MenuBarInteractionModel& ui)
{
    PanelMeetingLists lists;
    const platform::Date now = ui.now();
    lists.today = PanelLabels::localDate(appModel.clock().now());
    lists.selectedDate = dateAfterDays(now, ui.selectedDayOffset());
    lists.current = appModel.currentMeetings();

    // Between a meeting's start and the panel clock's next tick it is already running by the wall
    // clock; it must not show, nor be walked, twice.
    QSet<QString> currentIDs;
    for (const MeetingSnapshot& meeting : lists.current)
        currentIDs.insert(meeting.id);
    const auto laterToday = [&](const MeetingSnapshot& meeting) {
        return PanelLabels::localDate(meeting.startDate) == lists.today && meeting.startDate > now
            && !currentIDs.contains(meeting.id);
    };

    QList<MeetingSnapshot> todays;
    for (const MeetingSnapshot& meeting : appModel.meetings()) {
        if (laterToday(meeting))
            todays.append(meeting);
    }
    todays = sortedByStart(todays);
    if (!todays.isEmpty())
        lists.next = todays.first();

    for (const MeetingSnapshot& meeting : appModel.remainingMeetings()) {
        if (laterToday(meeting) && (!lists.next || meeting.id != lists.next->id))
            lists.upcoming.append(meeting);
    }

    const QDate selectedDay = PanelLabels::localDate(lists.selectedDate);
    for (const MeetingSnapshot& meeting : appModel.meetings()) {
        if (PanelLabels::localDate(meeting.startDate) == selectedDay)
            lists.selectedDay.append(meeting);
    }
    lists.selectedDay = sortedByStart(lists.selectedDay);

    if (ui.selectedDayOffset() == 0) {
        lists.navigable = lists.current;
        if (lists.next)
            lists.navigable.append(*lists.next);
        lists.navigable += lists.upcoming;
    } else {
        lists.navigable = lists.selectedDay;
    }
    return lists;
}

int PanelMeetingLists::maxDayOffset(int forwardDays)
{
    return std::max(forwardDays - 1, 0);
}

platform::Date PanelMeetingLists::dateAfterDays(platform::Date now, int dayOffset)
{
    const QDateTime moved = now.toDateTime().toLocalTime().addDays(dayOffset);
    return moved.isValid() ? platform::Date::fromDateTime(moved) : now;
}

QStringList PanelMeetingLists::navigableIDs() const
{
    QStringList ids;
    ids.reserve(navigable.size());
    for (const MeetingSnapshot& meeting : navigable)
        ids.append(meeting.id);
    return ids;
}

std::optional<MeetingSnapshot> PanelMeetingLists::navigableMeeting(const std::optional<QString>& id) const
{
    if (!id)
        return std::nullopt;
    const auto found = std::find_if(
        navigable.begin(), navigable.end(), [&](const MeetingSnapshot& meeting) { return meeting.id == *id; });
    return found == navigable.end() ? std::nullopt : std::optional(*found);
}

std::optional<MeetingSnapshot> PanelMeetingLists::detailMeeting(const MenuBarInteractionModel& ui) const
{
    if (auto hovered = navigableMeeting(ui.hoveredMeetingID()))
        return hovered;
    if (ui.showDetailFromKeyboard())
        return navigableMeeting(ui.selectedMeetingID());
    return std::nullopt;
}

QString PanelMeetingLists::detailTimeLabel(const MeetingSnapshot& meeting) const
{
    const QDate start = PanelLabels::localDate(meeting.startDate);
    const QString range = PanelLabels::timeRangeLabel(meeting);
    if (start == today || start == PanelLabels::localDate(selectedDate))
        return range;
    return PanelLabels::shortDayLabel(meeting.startDate, today) + QLatin1Char(' ') + range;
}

} // namespace tolvar

#pragma once

#include "tolvar/model/MeetingSnapshot.h"

#include <QList>
#include <functional>

namespace tolvar {

// What the application model and the scheduler need of the full-screen reminder. The reminders
// library implements it; tests use a double.
class ReminderOverlay
{
public:
    using JoinHandler = std::function<void(const MeetingSnapshot&)>;
    using SnoozeHandler = std::function<void(const QList<MeetingSnapshot>&, double seconds)>;
    using DismissHandler = std::function<void(const QList<MeetingSnapshot>&)>;

    virtual ~ReminderOverlay() = default;

    // soundRepeat below 1 repeats until the reminder closes.
    virtual void show(const QList<MeetingSnapshot>& meetings, bool playSound, int soundRepeat, bool hideFromScreenShare,
        double autoDismissAfter, JoinHandler onJoin, SnoozeHandler onSnooze, DismissHandler onDismiss)
        = 0;
    // Takes the reminder down without calling back.
    virtual void hideAll() = 0;
    virtual bool isOverlayVisible() const = 0;
    // Sorted by start; empty while nothing shows.
    virtual QList<MeetingSnapshot> visibleMeetings() const = 0;
};

} // namespace tolvar

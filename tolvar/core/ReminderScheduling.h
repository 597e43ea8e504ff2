#pragma once

#include "tolvar/model/MeetingSnapshot.h"

#include <QList>

namespace tolvar {

// What the application model needs of the reminder scheduler, which lives in the reminders library.
class ReminderScheduling
{
public:
    virtual ~ReminderScheduling() = default;

    // Begins the repeating tick and runs one tick at once; a second call replaces the timer.
    virtual void start() = 0;
    // One tick now.
    virtual void evaluate() = 0;
    // The full-screen reminder is about to show `shownInstead` outside the schedule. Reminders it takes
    // off screen unanswered come again once nothing shows, as they have fired and would not by themselves.
    virtual void yieldOverlay(const QList<MeetingSnapshot>& shownInstead) = 0;
};

} // namespace tolvar

#pragma once

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
};

} // namespace tolvar

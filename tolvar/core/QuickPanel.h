#pragma once

#include <functional>

namespace tolvar {

class AppModel;

// What the application model needs of the Quick Panel controller.
class QuickPanel
{
public:
    virtual ~QuickPanel() = default;

    // Closes the panel when it is shown, else opens it at the mouse pointer.
    virtual void toggle(AppModel& appModel, std::function<void()> showSettings) = 0;
    virtual bool hasPanel() const = 0;
    virtual void closePanel() = 0;
};

} // namespace tolvar

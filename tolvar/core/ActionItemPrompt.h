#pragma once

#include <QString>
#include <functional>

namespace tolvar {

// What the application model needs of the prompt that asks for a joined meeting's action items.
class ActionItemPrompt
{
public:
    virtual ~ActionItemPrompt() = default;

    // The editor starts with `notes`; onDismiss runs after the user closed the prompt, not after hide().
    virtual void show(
        const QString& meetingTitle, const QString& notes, bool hideFromScreenShare, std::function<void()> onDismiss)
        = 0;
    virtual void hide() = 0;
    // What is typed into the prompt on screen; empty while none shows.
    virtual QString notes() const = 0;
    virtual bool isOverlayVisible() const = 0;
};

} // namespace tolvar

#pragma once

#include <QObject>
#include <functional>

namespace tolvar {

// The application's side of its one global shortcut: whether the Quick Panel's key-up action has been
// given to the shortcut library, and the hop from that action to a fresh turn of the event loop.
class GlobalHotkeyService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool hasRegisteredHandler() const { return m_hasRegisteredHandler; }
    void setHasRegisteredHandler(bool registered) { m_hasRegisteredHandler = registered; }

    // Runs the toggle once from the event loop, after the hot-key dispatch has returned; returns at once.
    void fireToggleHandler(std::function<void()> toggle);

private:
    bool m_hasRegisteredHandler = false;
};

} // namespace tolvar

#pragma once

#include <QObject>
#include <functional>

namespace tolvar {

// The Quick Panel's pin state, shared by the pin control in the panel's header and the panel window.
class QuickPanelPinModel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isPinned() const { return m_isPinned; }
    // Flips the state and tells the panel through `onPinnedChange`.
    void togglePin();
    void setOnPinnedChange(std::function<void(bool)> action) { m_onPinnedChange = std::move(action); }

Q_SIGNALS:
    void isPinnedChanged(bool pinned);

private:
    bool m_isPinned = false;
    std::function<void(bool)> m_onPinnedChange;
};

} // namespace tolvar

#pragma once

#include "tolvar/core/ActionItemPrompt.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QObject>
#include <memory>

class QWidget;

namespace platform {
class Clock;
}

namespace tolvar {

// Owns the action-item prompt's window and, while it shows, the Escape key.
class ActionItemOverlayController : public QObject, public ActionItemPrompt
{
    Q_OBJECT
public:
    ActionItemOverlayController(platform::Clock& clock, PanelTransientHotkeys& hotkeys, QObject* parent = nullptr);
    ~ActionItemOverlayController() override;

    // hideFromScreenShare has no effect on X11, which cannot keep a window out of a screen capture.
    void show(const QString& meetingTitle, const QString& notes, bool hideFromScreenShare,
        std::function<void()> onDismiss) override;
    void hide() override;
    QString notes() const override;
    bool isOverlayVisible() const override { return m_isOverlayVisible; }

    QWidget* window() const { return m_window.get(); }

private:
    platform::Clock& m_clock;
    PanelTransientHotkeys& m_hotkeys;
    std::unique_ptr<QWidget> m_window;
    // The last window ordered out: hide() may run inside its own event handling, so it goes later.
    std::unique_ptr<QWidget> m_hiddenWindow;
    bool m_isOverlayVisible = false;
};

} // namespace tolvar

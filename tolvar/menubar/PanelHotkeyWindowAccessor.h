#pragma once

#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tolvar {

// Takes the panel-local keys as the owner `menuBar` while, and only while, the window it sits in is
// visible and active, and hands each key to one of the panel's handlers. It draws nothing.
class PanelHotkeyWindowAccessor : public QWidget
{
    Q_OBJECT
public:
    struct Handlers
    {
        std::function<void(QWidget* window)> onEscape;
        std::function<void()> onLeft, onRight, onUp, onDown, onReturn, onMute, onUnmute;
    };

    // Follows one window: registers when it becomes active, unregisters when it stops being active,
    // hides, or is left. It only ever takes away a registration of its own.
    class Coordinator : public QObject
    {
    public:
        explicit Coordinator(PanelTransientHotkeys& registry);
        ~Coordinator() override;

        void attach(QWidget* window);
        void refreshRegistration();
        void setHandlers(Handlers handlers) { m_handlers = std::move(handlers); }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        void handle(PanelTransientHotkeys::Action action);
        void releaseRegistration();

        PanelTransientHotkeys& m_registry;
        Handlers m_handlers;
        QPointer<QWidget> m_window;
        quint64 m_registration = 0;
    };

    explicit PanelHotkeyWindowAccessor(PanelTransientHotkeys& registry, QWidget* parent = nullptr);

    // The handlers in effect from now on; the panel hands in new ones whenever its state changes.
    void setHandlers(Handlers handlers) { m_coordinator->setHandlers(std::move(handlers)); }

protected:
    bool event(QEvent* event) override;

private:
    // Attaches now and once more on the next turn of the event loop, so that a window that becomes
    // active only after the panel is placed is still caught.
    void followWindow();

    // Owned apart from the widget so that a late call can still reach it as the widget goes.
    std::unique_ptr<Coordinator> m_coordinator;
};

} // namespace tolvar

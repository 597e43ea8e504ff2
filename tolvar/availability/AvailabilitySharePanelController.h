#pragma once

#include "tolvar/availability/AvailabilityShareView.h"
#include "tolvar/menubar/AvailabilitySharePanel.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QObject>
#include <QPointer>

namespace platform {
class Clock;
}

namespace tolvar {

// Opens the availability panel beside the window it is asked from and holds the Escape key while the
// panel shows. Every opening builds a new panel, so nothing picked earlier survives a close.
class AvailabilitySharePanelController : public QObject, public AvailabilitySharePanel
{
    Q_OBJECT
public:
    // The application's one controller, on the wall clock and the shared panel keys; made on first use.
    static AvailabilitySharePanelController& shared();

    AvailabilitySharePanelController(platform::Clock& clock, PanelTransientHotkeys& hotkeys, QObject* parent = nullptr);
    ~AvailabilitySharePanelController() override;

    bool isOpen() const override;
    // hideFromScreenSharing has no effect on X11, which cannot keep a window out of a screen capture.
    void show(QWidget* anchor, const QList<MeetingSnapshot>& meetings, bool hideFromScreenSharing) override;
    // Every way the panel goes (Escape, Done, the close button, the window manager) ends here.
    void close() override;

    // The open panel's window and view, or null.
    QWidget* panel() const { return m_panel; }
    AvailabilityShareView* view() const { return m_view; }

private:
    void positionPanel(QWidget* anchor);

    platform::Clock& m_clock;
    PanelTransientHotkeys& m_hotkeys;
    QPointer<QWidget> m_panel;
    QPointer<AvailabilityShareView> m_view;
};

} // namespace tolvar

#pragma once

class QWidget;

namespace tolvar {

// Activates the application ignoring other applications, with `window` as its key window. On X11 Qt asks
// with the time of the last event it saw, which the server refuses once the window manager has moved the
// focus since (openbox does while it starts), and the reminder's windows are not the window manager's to
// activate. So the window manager gets the active-window request a pager sends on the user's behalf,
// and a window it does not manage takes the X input focus itself. Off X11 it is Qt's activation alone.
void activateIgnoringOtherApplications(QWidget& window);

} // namespace tolvar

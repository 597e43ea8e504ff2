#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace tolvar {

// What keeps Tolvar from its X11 display, in words for standard error; absent when it can connect.
// Qt alone would abort with advice to reinstall the program.
std::optional<QString> x11DisplayProblem();

// Once the connection to the X server breaks (the server ended or restarted), Qt's X11 platform ends the process by
// exit() from inside the event loop: nothing unwinds, and what a quit writes would go unwritten. While one of these
// lives, Qt's warning of the broken connection first says why on standard error, announces the quit as the event
// loop's own end does (so that answers still held are handed over) and runs `end`, what follows the event loop; then
// the process exits with status 1, as Qt would.
class X11ConnectionLoss
{
public:
    explicit X11ConnectionLoss(std::function<void()> end);
    ~X11ConnectionLoss();

    X11ConnectionLoss(const X11ConnectionLoss&) = delete;
    X11ConnectionLoss& operator=(const X11ConnectionLoss&) = delete;

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::function<void()> m_end;
};

} // namespace tolvar

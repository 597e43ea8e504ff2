#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace platform {

// The desktop's calendar application, as far as the meeting panel needs it to show an event.
class CalendarApp
{
public:
    virtual ~CalendarApp() = default;

    // Opens the calendar's own link to an event; true only when the desktop took it.
    virtual bool openEventUrl(const QUrl& url) = 0;
    // The calendar application's name for the desktop (a desktop entry id); empty when there is none.
    virtual std::optional<QString> calendarApplication() = 0;
    // Starts the application in front without waiting for it.
    virtual void launch(const QString& application) = 0;
    // Runs a script that drives the calendar application; true only when it ran without an error.
    virtual bool runScript(const QString& source) = 0;
};

} // namespace platform

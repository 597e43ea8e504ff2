#pragma once

#include "platform/calendarapp/CalendarApp.h"

namespace platform {

// The calendar application as the freedesktop MIME defaults name it: the handler of text/calendar is
// the calendar application, and an event link opens only when some application handles its scheme.
// No calendar application on Linux takes scripts, so a script never runs and always reports failure.
class DesktopCalendarApp final : public CalendarApp
{
public:
    bool openEventUrl(const QUrl& url) override;
    std::optional<QString> calendarApplication() override;
    void launch(const QString& application) override;
    bool runScript(const QString& source) override;

private:
    static std::optional<QString> defaultApplicationFor(const QString& mimeType);
};

} // namespace platform

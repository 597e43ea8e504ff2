#pragma once

#include "platform/calendarapp/CalendarApp.h"

#include <QList>
#include <QStringList>

namespace platform {

// Records what was asked of the calendar application; each answer is the test's to set.
class TestCalendarApp final : public CalendarApp
{
public:
    bool openEventUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        return acceptsUrls;
    }
    std::optional<QString> calendarApplication() override { return application; }
    void launch(const QString& name) override { launched.append(name); }
    bool runScript(const QString& source) override
    {
        scripts.append(source);
        return scriptSucceeds;
    }

    bool acceptsUrls = true;
    std::optional<QString> application = QStringLiteral("calendar.desktop");
    bool scriptSucceeds = true;

    QList<QUrl> openedUrls;
    QStringList launched;
    QStringList scripts;
};

} // namespace platform

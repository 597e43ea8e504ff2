#include "platform/calendarapp/DesktopCalendarApp.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {
// The query reads a few small files; a hung helper must not hold the panel for long.
constexpr int queryTimeoutMs = 2000;
} // namespace

std::optional<QString> DesktopCalendarApp::defaultApplicationFor(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), { QStringLiteral("query"), QStringLiteral("default"), mimeType });
    if (!query.waitForFinished(queryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return std::nullopt;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return std::nullopt;
    const QString application = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    // One desktop entry id; anything else is not an answer we can launch.
    if (application.isEmpty() || !application.endsWith(QStringLiteral(".desktop")) || application.contains(u'\n'))
        return std::nullopt;
    return application;
}

bool DesktopCalendarApp::openEventUrl(const QUrl& url)
{
    if (!url.isValid() || url.scheme().isEmpty())
        return false;
    // xdg-open would hand an unknown scheme to the browser, which cannot show the event.
    if (!defaultApplicationFor(QStringLiteral("x-scheme-handler/") + url.scheme()))
        return false;
    return QDesktopServices::openUrl(url);
}

std::optional<QString> DesktopCalendarApp::calendarApplication()
{
    return defaultApplicationFor(QStringLiteral("text/calendar"));
}

void DesktopCalendarApp::launch(const QString& application)
{
    const QString desktopFile = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, application);
    if (desktopFile.isEmpty())
        return;
    QProcess::startDetached(QStringLiteral("gio"), { QStringLiteral("launch"), desktopFile });
}

bool DesktopCalendarApp::runScript(const QString&)
{
    return false;
}

} // namespace platform

#pragma once

#include "platform/updater/Updater.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QVersionNumber>
#include <memory>

class QNetworkReply;

namespace platform {

class Clock;
class Timer;
class UserDefaults;
class Workspace;

// Reads the update feed (see UpdateOffer) over HTTP(S) and offers the download page of a newer version.
// An empty feed address leaves updates unconfigured: nothing reaches the network then.
class FeedUpdater final : public Updater
{
    Q_OBJECT
public:
    static constexpr double defaultUpdateCheckInterval = 86400;
    static constexpr QLatin1String automaticChecksKey { "updater.automaticallyChecksForUpdates" };
    static constexpr QLatin1String lastCheckDateKey { "updater.lastUpdateCheckDate" };

    FeedUpdater(const QUrl& feedUrl, const QString& currentVersion, Clock& clock, UserDefaults& defaults,
        Workspace& workspace, QObject* parent = nullptr);
    ~FeedUpdater() override;

    // The address this build was configured with (CMake's TOLVAR_UPDATE_FEED_URL).
    static QUrl configuredFeedUrl();

    void start() override;
    bool isConfigured() const override;
    bool canCheckForUpdates() const override;
    bool automaticallyChecksForUpdates() const override;
    void setAutomaticallyChecksForUpdates(bool enabled) override;
    double updateCheckInterval() const override { return m_interval; }
    void setUpdateCheckInterval(double seconds) override;
    void checkForUpdates() override { beginCheck(true); }
    bool openDownloadPage() override;

private:
    void scheduleNextCheck();
    void beginCheck(bool userInitiated);
    void finishCheck(QNetworkReply* reply, bool userInitiated);

    QUrl m_feedUrl;
    QVersionNumber m_currentVersion;
    Clock& m_clock;
    UserDefaults& m_defaults;
    Workspace& m_workspace;
    QNetworkAccessManager m_network;
    std::unique_ptr<Timer> m_timer;
    QPointer<QNetworkReply> m_reply;
    bool m_replyTooLarge = false;
    double m_interval = defaultUpdateCheckInterval;
    bool m_started = false;
    std::optional<UpdateOffer> m_offer;
};

} // namespace platform

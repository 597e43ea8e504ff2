#include "platform/updater/FeedUpdater.h"

#include "platform/defaults/UserDefaults.h"
#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "platform/workspace/Workspace.h"

#include <QNetworkReply>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// A feed is a few dozen bytes; a server that sends more is not one.
constexpr qint64 maximumFeedSize = 64 * 1024;
constexpr int transferTimeoutMilliseconds = 30'000;

} // namespace

FeedUpdater::FeedUpdater(const QUrl& feedUrl, const QString& currentVersion, Clock& clock, UserDefaults& defaults,
    Workspace& workspace, QObject* parent)
    : Updater(parent)
    , m_feedUrl(feedUrl)
    , m_currentVersion(QVersionNumber::fromString(currentVersion))
    , m_clock(clock)
    , m_defaults(defaults)
    , m_workspace(workspace)
    , m_timer(clock.createTimer())
{
    m_timer->setSingleShot(true);
    connect(m_timer.get(), &Timer::timeout, this, [this] { beginCheck(false); });
}

FeedUpdater::~FeedUpdater()
{
    // The manager aborts its replies as it goes; their last signals must not reach a half-destroyed updater.
    if (m_reply)
        m_reply->disconnect(this);
}

QUrl FeedUpdater::configuredFeedUrl()
{
    return QUrl(QStringLiteral(TOLVAR_UPDATE_FEED_URL));
}

void FeedUpdater::start()
{
    if (m_started)
        return;
    m_started = true;
    scheduleNextCheck();
    Q_EMIT canCheckForUpdatesChanged();
}

bool FeedUpdater::canCheckForUpdates() const
{
    return m_started && !m_reply;
}

bool FeedUpdater::automaticallyChecksForUpdates() const
{
    return !m_defaults.contains(automaticChecksKey) || m_defaults.boolForKey(automaticChecksKey);
}

void FeedUpdater::setAutomaticallyChecksForUpdates(bool enabled)
{
    m_defaults.setBool(automaticChecksKey, enabled);
    scheduleNextCheck();
}

void FeedUpdater::setUpdateCheckInterval(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return;
    m_interval = seconds;
    scheduleNextCheck();
}

bool FeedUpdater::openDownloadPage()
{
    return m_offer && m_workspace.openUrl(m_offer->downloadUrl);
}

bool FeedUpdater::isConfigured() const
{
    const QString scheme = m_feedUrl.scheme().toLower();
    return m_feedUrl.isValid() && (scheme == u"http" || scheme == u"https");
}

void FeedUpdater::scheduleNextCheck()
{
    m_timer->stop();
    if (!m_started || !isConfigured() || !automaticallyChecksForUpdates() || m_reply)
        return;
    double delay = 0;
    const Date lastCheck(m_defaults.doubleForKey(lastCheckDateKey));
    if (m_defaults.contains(lastCheckDateKey) && lastCheck.isInRecordRange()) {
        // A last check in the future (the clock was set back) waits no longer than one interval.
        delay = std::clamp(lastCheck.addingSeconds(m_interval).secondsSince(m_clock.now()), 0.0, m_interval);
    }
    m_timer->start(delay);
}

void FeedUpdater::beginCheck(bool userInitiated)
{
    if (!canCheckForUpdates())
        return;
    if (!isConfigured()) {
        if (userInitiated)
            Q_EMIT userCheckFinished(localized("Updates are not configured."));
        return;
    }
    m_timer->stop();

    QNetworkRequest request(m_feedUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(transferTimeoutMilliseconds);
    m_replyTooLarge = false;
    m_reply = m_network.get(request);
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received) {
        if (received > maximumFeedSize) {
            m_replyTooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, userInitiated] { finishCheck(reply, userInitiated); });
    Q_EMIT canCheckForUpdatesChanged();
}

void FeedUpdater::finishCheck(QNetworkReply* reply, bool userInitiated)
{
    reply->deleteLater();
    m_reply = nullptr;
    m_defaults.setDouble(lastCheckDateKey, m_clock.now().secondsSinceReferenceDate());
    scheduleNextCheck();
    Q_EMIT canCheckForUpdatesChanged();

    const auto report = [this, userInitiated](const QString& message) {
        if (userInitiated)
            Q_EMIT userCheckFinished(message);
    };
    if (m_replyTooLarge)
        return report(localized("The update feed could not be read."));
    if (reply->error() != QNetworkReply::NoError)
        return report(localizedFormat("The update check failed: %@", { reply->errorString() }));
    const std::optional<UpdateOffer> offer = UpdateOffer::fromFeed(reply->readAll());
    if (!offer)
        return report(localized("The update feed could not be read."));
    if (QVersionNumber::fromString(offer->version) <= m_currentVersion)
        return report(localized("Tolvar is up to date."));
    m_offer = offer;
    Q_EMIT updateFound(*offer);
}

} // namespace platform

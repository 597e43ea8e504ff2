#pragma once

#include "platform/updater/UpdateOffer.h"

#include <QObject>

namespace platform {

// The software-update engine: it checks on its own schedule or when asked, and tells the user of a
// newer version through its signals, which the user interface shows.
class Updater : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Begins the scheduled checks.
    virtual void start() = 0;

    // Whether this build knows where to look for updates; without it no check ever looks.
    virtual bool isConfigured() const = 0;
    // False until started and while a check runs.
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
    // Seconds between scheduled checks.
    virtual double updateCheckInterval() const = 0;
    virtual void setUpdateCheckInterval(double seconds) = 0;

    // A check the user asked for: its outcome is always reported.
    virtual void checkForUpdates() = 0;
    // Opens the download page of the last update found; false when there is none or it did not open.
    virtual bool openDownloadPage() = 0;

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    // A newer version is out; the user may open its page with openDownloadPage().
    void updateFound(const platform::UpdateOffer& offer);
    // The outcome of a check the user asked for that found no update, in words for the user.
    void userCheckFinished(const QString& message);
};

} // namespace platform

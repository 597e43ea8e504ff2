#pragma once

#include <QObject>

namespace platform {
class Updater;
}

namespace tolvar {

// The application's side of software updates: it starts the updater with a daily check and mirrors
// the updater's two flags for the settings card.
class UpdateService : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
            setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
public:
    static constexpr double updateCheckInterval = 86400;

    explicit UpdateService(platform::Updater& updater, QObject* parent = nullptr);

    // False in a build made without an update feed address: then no check looks for anything.
    bool checksForUpdates() const;
    // Copies of the updater's flags as last read.
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool automaticallyChecksForUpdates() const { return m_automaticallyChecksForUpdates; }

    // The settings switch: the updater's own flag, then the interval again, then a fresh read.
    void setAutomaticallyChecksForUpdates(bool enabled);
    // A check the user asked for.
    void checkForUpdates();
    // Reads both flags; each is announced even when it did not change.
    void refresh();

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyChecksForUpdatesChanged();

private:
    platform::Updater& m_updater;
    bool m_canCheckForUpdates = false;
    bool m_automaticallyChecksForUpdates = false;
};

} // namespace tolvar

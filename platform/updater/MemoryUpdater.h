#pragma once

#include "platform/updater/Updater.h"

#include <QList>

namespace platform {

// An updater for tests: its flags are set by hand and every call is counted.
class MemoryUpdater final : public Updater
{
    Q_OBJECT
public:
    using Updater::Updater;

    void start() override { ++m_startCount; }
    bool isConfigured() const override { return m_configured; }
    bool canCheckForUpdates() const override { return m_canCheck; }
    bool automaticallyChecksForUpdates() const override { return m_automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { m_automaticChecks = enabled; }
    double updateCheckInterval() const override { return m_interval; }
    void setUpdateCheckInterval(double seconds) override
    {
        m_interval = seconds;
        m_intervalWrites.append(seconds);
    }
    void checkForUpdates() override { ++m_checkCount; }
    bool openDownloadPage() override
    {
        ++m_downloadPageOpenCount;
        return true;
    }

    // What the engine would change on its own, for example while a check runs.
    void setCanCheckForUpdates(bool canCheck)
    {
        m_canCheck = canCheck;
        Q_EMIT canCheckForUpdatesChanged();
    }

    void setConfigured(bool configured) { m_configured = configured; }

    int startCount() const { return m_startCount; }
    int checkCount() const { return m_checkCount; }
    int downloadPageOpenCount() const { return m_downloadPageOpenCount; }
    QList<double> intervalWrites() const { return m_intervalWrites; }

private:
    bool m_configured = true;
    bool m_canCheck = true;
    bool m_automaticChecks = true;
    double m_interval = 0;
    QList<double> m_intervalWrites;
    int m_startCount = 0;
    int m_checkCount = 0;
    int m_downloadPageOpenCount = 0;
};

} // namespace platform

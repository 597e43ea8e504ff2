#include "tolvar/settings/UpdateService.h"

#include "platform/updater/Updater.h"

namespace tolvar {

UpdateService::UpdateService(platform::Updater& updater, QObject* parent)
    : QObject(parent)
    , m_updater(updater)
{
    m_updater.start();
    m_updater.setUpdateCheckInterval(updateCheckInterval);
    m_canCheckForUpdates = m_updater.canCheckForUpdates();
    m_automaticallyChecksForUpdates = m_updater.automaticallyChecksForUpdates();
    // A check ends on its own time; without this the card's button would stay disabled after it.
    connect(&m_updater, &platform::Updater::canCheckForUpdatesChanged, this, &UpdateService::refresh);
}

bool UpdateService::checksForUpdates() const
{
    return m_updater.isConfigured();
}

void UpdateService::setAutomaticallyChecksForUpdates(bool enabled)
{
    m_updater.setAutomaticallyChecksForUpdates(enabled);
    m_updater.setUpdateCheckInterval(updateCheckInterval);
    refresh();
}

void UpdateService::checkForUpdates()
{
    m_updater.checkForUpdates();
    refresh();
}

void UpdateService::refresh()
{
    m_canCheckForUpdates = m_updater.canCheckForUpdates();
    Q_EMIT canCheckForUpdatesChanged();
    m_automaticallyChecksForUpdates = m_updater.automaticallyChecksForUpdates();
    Q_EMIT automaticallyChecksForUpdatesChanged();
}

} // namespace tolvar

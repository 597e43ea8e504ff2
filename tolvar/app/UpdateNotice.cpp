#include "tolvar/app/UpdateNotice.h"

#include "platform/text/Localized.h"
#include "platform/updater/Updater.h"

#include <QSystemTrayIcon>

namespace tolvar {

UpdateNotice::UpdateNotice(platform::Updater& updater, QSystemTrayIcon& trayIcon, QObject* parent)
    : QObject(parent)
    , m_updater(updater)
    , m_trayIcon(trayIcon)
{
    connect(&m_updater, &platform::Updater::updateFound, this, &UpdateNotice::showOffer);
    connect(&m_updater, &platform::Updater::userCheckFinished, this, &UpdateNotice::showCheckResult);
    connect(&m_trayIcon, &QSystemTrayIcon::messageClicked, this, &UpdateNotice::openOffer);
}

void UpdateNotice::showOffer(const platform::UpdateOffer& offer)
{
    m_showingOffer = true;
    m_trayIcon.showMessage(platform::localizedFormat("Tolvar %@ is available", { offer.version }),
        platform::localized("Click here to open its download page."));
}

void UpdateNotice::showCheckResult(const QString& message)
{
    m_showingOffer = false;
    m_trayIcon.showMessage(platform::localized("Tolvar"), message);
}

void UpdateNotice::openOffer()
{
    if (m_showingOffer)
        m_updater.openDownloadPage();
}

} // namespace tolvar

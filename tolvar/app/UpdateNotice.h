#pragma once

#include <QObject>

class QSystemTrayIcon;

namespace platform {
class Updater;
struct UpdateOffer;
} // namespace platform

namespace tolvar {

// Tells the user, through the tray, what the updater found; clicking a new version's notice opens its
// download page.
class UpdateNotice : public QObject
{
    Q_OBJECT
public:
    UpdateNotice(platform::Updater& updater, QSystemTrayIcon& trayIcon, QObject* parent = nullptr);

    void showOffer(const platform::UpdateOffer& offer);
    void showCheckResult(const QString& message);
    void openOffer();

private:
    platform::Updater& m_updater;
    QSystemTrayIcon& m_trayIcon;
    // Whether the notice on screen is an offer, so that a click on another notice opens nothing.
    bool m_showingOffer = false;
};

} // namespace tolvar

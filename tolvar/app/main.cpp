// The process entry: assembles the real platform layers, the services and the application model, and
// puts Tolvar in the tray.
#include "ShortcutKit/ShortcutKit.h"
#include "platform/activation/TrayActivationPolicy.h"
#include "platform/activity/LinuxProcessActivity.h"
#include "platform/calendar/ICalendarStore.h"
#include "platform/calendarapp/DesktopCalendarApp.h"
#include "platform/cloud/FolderCloudAccount.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/defaults/JsonFileUserDefaults.h"
#include "platform/hotkeys/X11HotKeys.h"
#include "platform/keyboard/XkbKeyRepeat.h"
#include "platform/keyboard/XkbKeyboardLayout.h"
#include "platform/log/SyslogSystemLog.h"
#include "platform/login/XdgAutostartLoginItem.h"
#include "platform/sound/CanberraSystemSound.h"
#include "platform/system/DBusSystemEvents.h"
#include "platform/system/DesktopAnimations.h"
#include "platform/systemshortcuts/DesktopSystemShortcuts.h"
#include "platform/text/LinuxWording.h"
#include "platform/time/SystemClock.h"
#include "platform/updater/FeedUpdater.h"
#include "platform/workspace/DesktopWorkspace.h"
#include "tolvar/app/QuitOnSignal.h"
#include "tolvar/app/SingleInstance.h"
#include "tolvar/app/TolvarApp.h"
#include "tolvar/app/UpdateNotice.h"
#include "tolvar/app/X11DisplayCheck.h"
#include "tolvar/availability/AvailabilitySharePanelController.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelContent.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"
#include "tolvar/menubar/QuickPanelController.h"
#include "tolvar/reminders/ActionItemOverlayController.h"
#include "tolvar/reminders/FullscreenReminderController.h"
#include "tolvar/reminders/ReminderScheduler.h"
#include "tolvar/settings/UpdateService.h"

#include <QApplication>
#include <cstdio>
#include <malloc.h>

namespace {

// What the event loop serves: the services, the model and the tray, on the platform layers main() makes. It is
// made on the heap so that the end of the run can take it down wherever that end comes.
struct Session
{
    Session(platform::Clock& clock, platform::UserDefaults& defaults, platform::SystemSound& systemSound,
        platform::SystemLog& systemLog)
        : updater(
            platform::FeedUpdater::configuredFeedUrl(), QApplication::applicationVersion(), clock, defaults, workspace)
        , updateService(updater)
        , cloudAccount(platform::FolderCloudAccount::createStandard(clock))
        , cloudStore(platform::FolderKeyValueStore::createStandard(clock))
        , overlayController(clock, systemSound, tolvar::PanelTransientHotkeys::shared())
        , actionItemController(clock, tolvar::PanelTransientHotkeys::shared())
        , quickPanel(tolvar::PanelTransientHotkeys::shared(),
              [this](tolvar::AppModel&, std::function<void()>, tolvar::QuickPanelPinModel* pinModel) {
                  return panelContent(pinModel);
              })
        , appModel({ clock, defaults, updateService, eventStore, *cloudStore, *cloudAccount, overlayController,
              actionItemController, quickPanel, loginItem, systemLog, systemEvents, workspace,
              [&clock, this](tolvar::AppModel& model) -> std::unique_ptr<tolvar::ReminderScheduling> {
                  return std::make_unique<tolvar::ReminderScheduler>(
                      model, model.overlayController(), clock, processActivity);
              } })
        , tolvarApp(appModel, activationPolicy, [this] { return panelContent(nullptr); })
        , updateNotice(updater, tolvarApp.trayIcon())
    {
        // Quit must not wait behind a first read of large calendars: the model hears of the read when it lands.
        eventStore.setFirstAnswerWait(std::chrono::milliseconds(0));
        // Our device file of tens of thousands of records, read beside large calendars, must not take together with
        // them more memory than there is.
        cloudStore->setMemoryGate(eventStore.memoryGate());
        // Whichever copy of the program the user runs (a new install, a build) is the one that starts at login.
        if (const std::optional<QString> failure = loginItem.followExecutable())
            systemLog.write(QStringLiteral("Login item not updated: ") + *failure);
    }

    // The panel's content needs the model, which needs the controller: it is built at each opening.
    QWidget* panelContent(tolvar::QuickPanelPinModel* pinModel)
    {
        tolvar::MenuBarContentView* content = tolvar::makePanelContent(
            appModel, tolvar::PanelTransientHotkeys::shared(), workspace, calendarApp, pinModel);
        content->setAvailabilitySharePanel(&tolvar::AvailabilitySharePanelController::shared());
        return content;
    }

    platform::DesktopWorkspace workspace;
    platform::FeedUpdater updater;
    tolvar::UpdateService updateService;
    platform::ICalendarStore eventStore;
    // The account first: it makes the shared folder that the store then finds.
    const std::unique_ptr<platform::FolderCloudAccount> cloudAccount;
    const std::unique_ptr<platform::FolderKeyValueStore> cloudStore;
    tolvar::FullscreenReminderController overlayController;
    tolvar::ActionItemOverlayController actionItemController;
    platform::DesktopCalendarApp calendarApp;
    tolvar::QuickPanelController quickPanel;
    platform::XdgAutostartLoginItem loginItem;
    platform::DBusSystemEvents systemEvents;
    platform::LinuxProcessActivity processActivity;
    tolvar::AppModel appModel;
    platform::TrayActivationPolicy activationPolicy;
    tolvar::TolvarApp tolvarApp;
    tolvar::UpdateNotice updateNotice;
};

// The end of the run, after its event loop however that ended: what was queued as the loop ended (an answer handed
// over at Quit) reaches the model while every part is still here, and the session goes, its stores writing what
// they hold.
void end(std::unique_ptr<Session>& session)
{
    QCoreApplication::sendPostedEvents();
    // A Quick Panel still open (Quit from its footer) goes while the model it shows is still here;
    // an open availability panel goes too, and gives back its Escape key.
    session->quickPanel.closePanel();
    tolvar::AvailabilitySharePanelController::shared().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    session.reset();
    // The model is gone; the library lets go of its layers before they go too.
    ShortcutKit::shutDown();
}

} // namespace

int main(int argc, char** argv)
{
    // Large blocks (a device file's values, lists of tens of thousands of records) are mapped apart and go back to the
    // system when freed: by default the threshold grows with the largest block freed, up to 32 MB, and what a worker
    // thread frees below it stays with that thread's heap, counted against the memory the process may take.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    // Wayland allows neither global key grabs nor windows above other applications: run on X11
    // (XWayland there) unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (qgetenv("QT_QPA_PLATFORM") == "xcb") {
        if (const std::optional<QString> problem = tolvar::x11DisplayProblem()) {
            std::fputs(qPrintable(*problem), stderr);
            return 1;
        }
    }
    platform::SyslogSystemLog systemLog;
    tolvar::SingleInstance instance(tolvar::SingleInstance::standardLockPath());
    tolvar::SingleInstance::Start start = instance.acquire();
    if (start == tolvar::SingleInstance::Start::AnotherQuits) {
        std::fprintf(stderr, "Tolvar is still quitting in this session (process %lld); starting once it has ended.\n",
            qlonglong(instance.holder()));
        if (instance.awaitQuitting())
            start = tolvar::SingleInstance::Start::Run;
    }
    if (start != tolvar::SingleInstance::Start::Run) {
        std::fprintf(stderr, "Tolvar is already running in this session (process %lld); not starting another.\n",
            qlonglong(instance.holder()));
        return 0;
    }
    if (const std::optional<QString> problem = instance.lockProblem()) {
        std::fprintf(stderr, "%s\n", qPrintable(*problem));
        systemLog.write(*problem);
    }

    QApplication app(argc, argv);
    const tolvar::QuitOnSignal quitOnSignal;
    QObject::connect(&quitOnSignal, &tolvar::QuitOnSignal::quitting, [&instance] { instance.quitting(); });
    platform::LinuxWording linuxWording;
    QApplication::installTranslator(&linuxWording);
    // Qt's own effect flags are off on a plain X11 session; the desktop's setting decides.
    QApplication::setEffectEnabled(Qt::UI_General, platform::DesktopAnimations::enabled());
    QApplication::setApplicationName(QStringLiteral("Tolvar"));
    // No display name: Qt would append it to every window title, naming Tolvar twice in "Tolvar Settings".
    QApplication::setApplicationVersion(QStringLiteral(TOLVAR_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tolvar"));
    // A tray application: closing a reminder or a panel must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::SystemClock clock;
    platform::JsonFileUserDefaults defaults(platform::JsonFileUserDefaults::standardFilePath());
    platform::X11HotKeys hotKeys;
    platform::XkbKeyboardLayout keyboardLayout;
    platform::DesktopSystemShortcuts systemShortcuts(keyboardLayout);
    platform::CanberraSystemSound systemSound;
    platform::XkbKeyRepeat keyRepeat;
    ShortcutKit::start({ defaults, hotKeys, keyboardLayout, systemShortcuts, &systemSound, &clock, &keyRepeat });
    tolvar::PanelTransientHotkeys::shared().setHotKeys(hotKeys);

    auto session = std::make_unique<Session>(clock, defaults, systemSound, systemLog);
    session->tolvarApp.showStatusItem();
    int status = 0;
    {
        const tolvar::X11ConnectionLoss connectionLoss([&session] { end(session); });
        status = QApplication::exec();
    }
    end(session);
    return status;
}

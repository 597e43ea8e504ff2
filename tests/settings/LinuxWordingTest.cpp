// The texts that name another desktop's places read true on Linux once the wording table is installed.
#include "platform/text/Localized.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/AlertsSection.h"
#include "tolvar/settings/HealthReport.h"
#include "tolvar/settings/OnboardingView.h"
#include "tolvar/settings/SettingsView.h"

#include <QAbstractButton>
#include <QLabel>

using namespace settingstest;

namespace {

// The test runner installs the table, as the application does.
using LinuxWordingTest = SettingsTest;

TEST_F(LinuxWordingTest, placesOfAnotherDesktopGetLinuxTexts)
{
    const char* const keys[] = {
        "Calendar access is denied. Enable it in System Settings.",
        "No calendars found on this Mac.",
        "Local-only mode is active. Sign into iCloud in System Settings to sync across Macs.",
        "Tolvar lives in your menu bar (top-right). Look for the calendar icon — there is no Dock icon after setup.",
        "Dismiss when joining from the menu bar",
        "This Mac",
    };
    for (const char* key : keys) {
        const QString shown = platform::localized(key);
        EXPECT_NE(shown, QString::fromUtf8(key));
        for (const char* place : { "System Settings", "iCloud", "Mac", "Dock", "menu bar" })
            EXPECT_FALSE(shown.contains(QLatin1String(place))) << shown.toStdString();
    }
    EXPECT_EQ(platform::localized("Calendar Access"), "Calendar Access") << "other texts keep their English";
    EXPECT_TRUE(platform::localized("When enabled, the fullscreen reminder stays visible to you but is hidden from "
                                    "people viewing your shared screen — they see your slides instead of the "
                                    "reminder. Supported by Zoom, Meet, Teams and most recording apps.")
                    .contains("no effect"));
}

TEST_F(LinuxWordingTest, theModelsSyncTextsGoThroughTheSameTable)
{
    model = machine.makeModel();
    EXPECT_EQ(model->syncStatus(), "Cloud folder sync disabled");
    EXPECT_EQ(model->syncState(), tolvar::AppModel::SyncState::disabled);

    account.setToken(std::nullopt);
    appmodeltest::settle();
    EXPECT_EQ(model->syncStatus(), "Cloud folder sync disabled - local reminders only");
    EXPECT_TRUE(tolvar::HealthReport::of(*model).showsSyncHint) << "the hint follows the state whatever the words";
}

// Every text a window shows, buttons and check boxes included.
QStringList shownTexts(const QWidget& root)
{
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>())
        texts.append(label->text());
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>())
        texts.append(button->text());
    return texts;
}

TEST_F(LinuxWordingTest, theWindowsNameNoPlaceOfAnotherDesktop)
{
    grantAccess();
    tolvar::AppModel& app = started();
    app.setCalendar("work", true);
    app.setReminderList("tasks", true);
    account.setToken(std::nullopt);
    appmodeltest::settle();
    tolvar::SettingsView view(app, {});
    tolvar::OnboardingView onboarding(app, {});
    QStringList texts = shownTexts(onboarding);
    for (const tolvar::SettingsView::Section section : tolvar::SettingsView::allSections()) {
        view.setSelectedSection(section);
        texts += shownTexts(*view.sectionView());
    }
    EXPECT_GT(texts.size(), 60);
    for (const QString& text : texts) {
        for (const char* place : { "System Settings", "iCloud", "Mac", "Dock", "menu bar", "menubar" })
            EXPECT_FALSE(text.contains(QLatin1String(place))) << text.toStdString();
    }
    saveFullScreenshot(onboarding, "onboarding-linux-wording", 680);
    view.setSelectedSection(tolvar::SettingsView::Section::general);
    saveFullScreenshot(*view.sectionView(), "settings-general-linux-wording", 812);
}

} // namespace

namespace {

// Sets an environment variable for the life of the value.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name)
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment() { qputenv(m_name, m_old); }

private:
    const char* m_name;
    QByteArray m_old;
};

TEST_F(LinuxWordingTest, textsNameTheUsersOwnFoldersWithTheHomeFolderAsTilde)
{
    const QByteArray home = qgetenv("HOME");
    const char* syncHint = "Local-only mode is active. Sign into iCloud in System Settings to sync across Macs.";
    const char* loginNote = "Runs Tolvar automatically whenever you log in. You can also manage this in System "
                            "Settings → General → Login Items.";
    {
        const ScopedEnvironment data("XDG_DATA_HOME", home + "/sync/data");
        const ScopedEnvironment config("XDG_CONFIG_HOME", "/etc/xdg-of-tolvar");
        EXPECT_TRUE(platform::localized(syncHint).contains("(~/sync/data/tolvar/cloud)"))
            << platform::localized(syncHint).toStdString();
        EXPECT_TRUE(platform::localized(loginNote).contains("(/etc/xdg-of-tolvar/autostart/tolvar.desktop)"))
            << platform::localized(loginNote).toStdString();
        for (const char* empty : { "No calendars found on this Mac.", "No calendars found." }) {
            const QString shown = platform::localized(empty);
            EXPECT_TRUE(shown.contains("~/sync/data/calendars")) << shown.toStdString();
            EXPECT_TRUE(shown.contains("vdirsyncer")) << shown.toStdString();
        }
    }
    const ScopedEnvironment noData("XDG_DATA_HOME", QByteArray());
    EXPECT_TRUE(platform::localized(syncHint).contains("(~/.local/share/tolvar/cloud)"))
        << "an unset folder is the standard one";
}

} // namespace

#include "platform/login/XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::LoginItem;
using platform::XdgAutostartLoginItem;

namespace {

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

class XdgAutostartLoginItemTest : public ::testing::Test
{
protected:
    QTemporaryDir config;
    QString entryPath = config.path() + "/autostart/tolvar.desktop";
};

} // namespace

TEST_F(XdgAutostartLoginItemTest, RegisterWritesAnEntryThatStartsTheExecutableAndUnregisterRemovesIt)
{
    XdgAutostartLoginItem item(entryPath, "/opt/Tolvar App/bin/tolvar");
    EXPECT_EQ(item.status(), LoginItem::Status::notRegistered);

    EXPECT_EQ(item.registerItem(), std::nullopt);
    const QString entry = readFile(entryPath);
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/Tolvar App/bin/tolvar\"\n"));
    EXPECT_EQ(item.status(), LoginItem::Status::enabled);
    // Written through a temporary file that is renamed into place: nothing else is left in the folder.
    EXPECT_EQ(QDir(config.path() + "/autostart").entryList(QDir::Files), QStringList { "tolvar.desktop" });

    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entryPath));
    EXPECT_EQ(item.status(), LoginItem::Status::notRegistered);
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
}

TEST_F(XdgAutostartLoginItemTest, DefaultEntryLivesInTheConfigFolderAndStartsThisProgram)
{
    XdgAutostartLoginItem item;
    const QString expectedPath = qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/tolvar.desktop";
    EXPECT_EQ(item.entryPath(), expectedPath);

    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_TRUE(readFile(expectedPath).contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\"\n"));
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
}

TEST_F(XdgAutostartLoginItemTest, ExecQuotesAndEscapesReservedCharacters)
{
    // Exec quoting escapes " ` $ \ with a backslash, then string escaping doubles every backslash;
    // % starts a field code and is doubled.
    XdgAutostartLoginItem item(entryPath, R"(/opt/a"b`c$d\e%f/tolvar)");
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_TRUE(readFile(entryPath).contains(R"(Exec="/opt/a\\"b\\`c\\$d\\\\e%%f/tolvar")"));
}

TEST_F(XdgAutostartLoginItemTest, PathsThatCannotStartFromAnEntryFailWithoutWriting)
{
    for (const QString& path : { QString("/opt/tol\nvar"), QString("bin/tolvar"), QString() }) {
        XdgAutostartLoginItem item(entryPath, path);
        const std::optional<QString> error = item.registerItem();
        ASSERT_TRUE(error.has_value()) << path.toStdString();
        EXPECT_FALSE(error->isEmpty());
        EXPECT_FALSE(QFile::exists(entryPath));
    }
}

TEST_F(XdgAutostartLoginItemTest, FailuresAreDescribed)
{
    // A file where the autostart folder should be.
    writeFile(config.path() + "/autostart", "not a folder");
    XdgAutostartLoginItem blocked(entryPath, "/usr/bin/tolvar");
    const std::optional<QString> registerError = blocked.registerItem();
    ASSERT_TRUE(registerError.has_value());
    EXPECT_FALSE(registerError->isEmpty());
    EXPECT_EQ(blocked.status(), LoginItem::Status::notRegistered);

    // A folder in place of the entry cannot be removed as a file.
    const QString folderEntry = config.path() + "/other/tolvar.desktop";
    ASSERT_TRUE(QDir().mkpath(folderEntry + "/inside"));
    XdgAutostartLoginItem stuck(folderEntry, "/usr/bin/tolvar");
    EXPECT_EQ(stuck.status(), LoginItem::Status::notRegistered);
    const std::optional<QString> unregisterError = stuck.unregisterItem();
    ASSERT_TRUE(unregisterError.has_value());
    EXPECT_FALSE(unregisterError->isEmpty());
}

TEST_F(XdgAutostartLoginItemTest, EntriesSwitchedOffByTheDesktopAreNotEnabledUntilRegisteredAgain)
{
    XdgAutostartLoginItem item(entryPath, "/usr/bin/tolvar");
    ASSERT_TRUE(QDir().mkpath(config.path() + "/autostart"));
    for (const QByteArray& switchedOff :
        { QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled = false\n") }) {
        writeFile(entryPath, "[Desktop Entry]\nType=Application\nExec=/usr/bin/tolvar\n" + switchedOff);
        EXPECT_EQ(item.status(), LoginItem::Status::notRegistered) << switchedOff.constData();
    }
    // The same keys in another group do not count.
    writeFile(entryPath, "[Desktop Entry]\nExec=/usr/bin/tolvar\n[Desktop Action quit]\nHidden=true\n");
    EXPECT_EQ(item.status(), LoginItem::Status::enabled);

    writeFile(entryPath, "[Desktop Entry]\nExec=/usr/bin/tolvar\nHidden=true\n");
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItem::Status::enabled);
    EXPECT_FALSE(readFile(entryPath).contains("Hidden"));
}

TEST_F(XdgAutostartLoginItemTest, EachStartPointsAnEnabledEntryAtTheRunningProgramAndKeepsTheRest)
{
    // Turned on from the build folder; the user then added a delay, and the entry has an action of its own.
    XdgAutostartLoginItem fromBuild(entryPath, "/home/dev/tolvar/build/tolvar/app/tolvar");
    ASSERT_EQ(fromBuild.registerItem(), std::nullopt);
    QFile entry(entryPath);
    ASSERT_TRUE(entry.open(QIODevice::Append));
    entry.write("X-GNOME-Autostart-Delay=10\n[Desktop Action quit]\nExec=/usr/bin/true\n");
    entry.close();

    XdgAutostartLoginItem installed(entryPath, "/opt/Tolvar App/bin/tolvar");
    EXPECT_EQ(installed.followExecutable(), std::nullopt);
    const QString followed = readFile(entryPath);
    EXPECT_TRUE(followed.contains("\nExec=\"/opt/Tolvar App/bin/tolvar\"\n")) << followed.toStdString();
    EXPECT_FALSE(followed.contains("/build/"));
    EXPECT_TRUE(followed.contains("\nX-GNOME-Autostart-Delay=10\n"));
    EXPECT_TRUE(followed.endsWith("[Desktop Action quit]\nExec=/usr/bin/true\n"));
    EXPECT_EQ(installed.status(), LoginItem::Status::enabled);

    // Started again from the same place, the entry is left as it is.
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    ASSERT_TRUE(entry.open(QIODevice::ReadWrite));
    ASSERT_TRUE(entry.setFileTime(old, QFileDevice::FileModificationTime));
    entry.close();
    EXPECT_EQ(installed.followExecutable(), std::nullopt);
    EXPECT_EQ(QFileInfo(entryPath).lastModified(), old);
    EXPECT_EQ(readFile(entryPath), followed);
}

TEST_F(XdgAutostartLoginItemTest, EntriesThatAreOffStayOffAndEntriesWithoutAProgramGetOne)
{
    XdgAutostartLoginItem item(entryPath, "/usr/bin/tolvar");
    EXPECT_EQ(item.followExecutable(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entryPath)) << "a login item that is off is not turned on";

    ASSERT_TRUE(QDir().mkpath(config.path() + "/autostart"));
    const QByteArray switchedOff = "[Desktop Entry]\nExec=/old/tolvar\nHidden=true\n";
    writeFile(entryPath, switchedOff);
    EXPECT_EQ(item.followExecutable(), std::nullopt);
    EXPECT_EQ(readFile(entryPath), switchedOff);

    writeFile(entryPath, "[Desktop Entry]\nType=Application\n");
    EXPECT_EQ(item.followExecutable(), std::nullopt);
    EXPECT_TRUE(readFile(entryPath).contains("\nExec=\"/usr/bin/tolvar\"\n"));
    EXPECT_EQ(item.status(), LoginItem::Status::enabled);

    // A program that no entry can start leaves the entry alone and says why.
    const QString before = readFile(entryPath);
    XdgAutostartLoginItem unstartable(entryPath, "/opt/tol\nvar");
    const std::optional<QString> failure = unstartable.followExecutable();
    ASSERT_TRUE(failure.has_value());
    EXPECT_FALSE(failure->isEmpty());
    EXPECT_EQ(readFile(entryPath), before);
}

TEST_F(XdgAutostartLoginItemTest, EachStartChangesOnlyTheProgramWordOfAnotherTolvar)
{
    // The stored Exec value before and after a start of "/opt/Tolvar App/bin/tolvar".
    const QList<std::pair<QString, QString>> cases {
        { "/usr/local/bin/tolvar --x", "\"/opt/Tolvar App/bin/tolvar\" --x" },
        { R"("/home/dev/100%% \\"sure\\" \\$5/tolvar"\s-v  "a b"\ttail)",
            R"("/opt/Tolvar App/bin/tolvar"\s-v  "a b"\ttail)" },
        // Shell lines, wrappers, other programs and a program found on the PATH are the user's choice.
        { R"(sh -c "sleep 15; exec /usr/local/bin/tolvar")", {} },
        { "env QT_QPA_PLATFORM=xcb /usr/bin/tolvar --x", {} },
        { "tolvar --x", {} },
        { "/usr/bin/othertool --x", {} },
        // Values that break the quoting rules are not guessed at.
        { "\"/usr/bin/tolvar --x", {} },
        { "\"/usr/bin/tol\"var", {} },
        { "/usr/bin/tolvar>log", {} },
        { "/usr/bin/tol\\\\var", {} },
        { "\"/usr/bin/$HOME/tolvar\"", {} },
        { "\"/usr/bin/tolvar%u\"", {} },
        { "/usr/bin/tolvar\\q", {} },
    };
    ASSERT_TRUE(QDir().mkpath(config.path() + "/autostart"));
    XdgAutostartLoginItem item(entryPath, "/opt/Tolvar App/bin/tolvar");
    for (const auto& [before, after] : cases) {
        const QString entry = "[Desktop Entry]\nExec=" + before + "\nX-GNOME-Autostart-Delay=10\n";
        writeFile(entryPath, entry.toUtf8());
        EXPECT_EQ(item.followExecutable(), std::nullopt) << before.toStdString();
        const QString expected = after.isNull() ? entry : QString(entry).replace(before, after);
        EXPECT_EQ(readFile(entryPath), expected) << before.toStdString();
        EXPECT_EQ(item.status(), LoginItem::Status::enabled);
    }
}

TEST_F(XdgAutostartLoginItemTest, AnEntryThatStartsTheRunningProgramIsLeftAsItIs)
{
    // Read back through the quoting: the running program's own odd characters are no change.
    ASSERT_TRUE(QDir().mkpath(config.path() + "/autostart"));
    XdgAutostartLoginItem odd(entryPath, R"(/opt/100% "$ure"/tolvar)");
    const QByteArray oddEntry = R"([Desktop Entry]
Exec="/opt/100%% \\"\\$ure\\"/tolvar" --x
)";
    writeFile(entryPath, oddEntry);
    EXPECT_EQ(odd.followExecutable(), std::nullopt);
    EXPECT_EQ(readFile(entryPath).toUtf8(), oddEntry);

    // Nor is a link to it, such as one in a folder on the PATH.
    const QString program = config.path() + "/opt/tolvar";
    const QString link = config.path() + "/bin/tolvar";
    ASSERT_TRUE(QDir().mkpath(config.path() + "/opt"));
    ASSERT_TRUE(QDir().mkpath(config.path() + "/bin"));
    writeFile(program, "#!/bin/sh\n");
    ASSERT_TRUE(QFile::link(program, link));
    const QByteArray linked = ("[Desktop Entry]\nExec=" + link + " --x\n").toUtf8();
    writeFile(entryPath, linked);
    XdgAutostartLoginItem running(entryPath, program);
    EXPECT_EQ(running.followExecutable(), std::nullopt);
    EXPECT_EQ(readFile(entryPath).toUtf8(), linked);
}

// The desktop backend against the real xdg-mime, with MIME defaults written into the test's own XDG
// folders; gio is replaced on PATH by a script that records how it was called.
#include "platform/calendarapp/DesktopCalendarApp.h"
#include "tests/support/Patience.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class EventLinkRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

class DesktopCalendarAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bin.isValid());
        qunsetenv("XDG_CURRENT_DESKTOP");
        configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        dataHome = qEnvironmentVariable("XDG_DATA_HOME");
        QFile::remove(configHome + "/mimeapps.list");
        writeFile(bin.filePath("gio"), "#!/bin/sh\necho \"$@\" >>\"" + bin.filePath("gio.log").toUtf8() + "\"\n");
        QFile::setPermissions(bin.filePath("gio"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + oldPath);
        QDesktopServices::setUrlHandler("ical", &recorder, "open");
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler("ical");
        qputenv("PATH", oldPath);
    }

    // A calendar application for the MIME types, its default for the first.
    void installCalendar(const QByteArray& mimeTypes)
    {
        writeFile(dataHome + "/applications/org.example.Calendar.desktop",
            "[Desktop Entry]\nType=Application\nName=Calendar\nExec=true\nMimeType=" + mimeTypes + "\n");
        writeFile(configHome + "/mimeapps.list",
            "[Default Applications]\n" + mimeTypes.split(';').first() + "=org.example.Calendar.desktop\n");
    }

    QString gioCalls()
    {
        QFile log(bin.filePath("gio.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).trimmed() : QString();
    }

    QTemporaryDir bin;
    QString configHome, dataHome;
    QByteArray oldPath;
    EventLinkRecorder recorder;
    platform::DesktopCalendarApp calendarApp;
};

} // namespace

TEST_F(DesktopCalendarAppTest, WithoutAnyCalendarApplicationNothingOpensOrStarts)
{
    EXPECT_FALSE(calendarApp.openEventUrl(QUrl("ical://ekevent/20260305T093000Z/A?method=show&options=more")));
    EXPECT_TRUE(recorder.urls.isEmpty()) << "an unhandled scheme must not reach the browser";
    EXPECT_EQ(calendarApp.calendarApplication(), std::nullopt);
    EXPECT_FALSE(calendarApp.runScript("tell application \"Calendar\"\nend tell"));
}

TEST_F(DesktopCalendarAppTest, TheEventLinkOpensOnlyWhereItsSchemeHasAHandler)
{
    installCalendar("text/calendar;");
    const QUrl link("ical://ekevent/20260305T093000Z/A%2FB?method=show&options=more");
    EXPECT_FALSE(calendarApp.openEventUrl(link));
    EXPECT_EQ(calendarApp.calendarApplication(), QStringLiteral("org.example.Calendar.desktop"));

    installCalendar("text/calendar;x-scheme-handler/ical;");
    EXPECT_TRUE(calendarApp.openEventUrl(link));
    EXPECT_EQ(recorder.urls, QList<QUrl> { link });
    EXPECT_FALSE(calendarApp.openEventUrl(QUrl()));
}

TEST_F(DesktopCalendarAppTest, LaunchStartsTheDesktopEntryAndTheScriptStillFails)
{
    installCalendar("text/calendar;");
    calendarApp.launch(*calendarApp.calendarApplication());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gioCalls().isEmpty(); }, testsupport::patienceMs));
    EXPECT_EQ(gioCalls(), "launch " + dataHome + "/applications/org.example.Calendar.desktop");

    // An entry that is not installed starts nothing.
    calendarApp.launch("org.example.Missing.desktop");
    QTest::qWait(200);
    EXPECT_EQ(gioCalls().count('\n'), 0);
    EXPECT_FALSE(calendarApp.runScript("tell application \"Calendar\"\nend tell"));
}

#include "DesktopCalendarAppTest.moc"

// The start of the real program, and the lock that keeps it to one per session.
#include "tests/support/Patience.h"
#include "tolvar/app/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using tolvar::SingleInstance;

namespace {

struct Outcome
{
    int exitCode = -1;
    bool finished = false;
    QString standardError;
};

class StartupTest : public ::testing::Test
{
protected:
    // Runs tolvar with private folders and the given changes to the environment; a run that does not
    // end within `seconds` is killed and reported as not finished.
    Outcome start(const QMap<QString, QString>& changes, int seconds = testsupport::patienceMs / 1000)
    {
        QProcess process;
        launch(process, changes);
        return outcome(process, seconds);
    }

    // Starts tolvar with private folders and the given changes to the environment.
    void launch(QProcess& process, const QMap<QString, QString>& changes)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            environment.insert(name, dir.filePath(QString::fromLatin1(name)));
        environment.insert("XDG_RUNTIME_DIR", runtime());
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        for (auto change = changes.begin(); change != changes.end(); ++change) {
            if (change.value().isNull())
                environment.remove(change.key());
            else
                environment.insert(change.key(), change.value());
        }
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TOLVAR_EXECUTABLE), {});
    }

    static Outcome outcome(QProcess& process, int seconds = testsupport::patienceMs / 1000)
    {
        Outcome run;
        run.finished = process.waitForFinished(seconds * 1000);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.standardError = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    QString runtime() const
    {
        QDir().mkpath(dir.filePath("runtime"));
        QFile::setPermissions(dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return dir.filePath("runtime");
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(StartupTest, TheLockIsHeldOncePerSessionAndOutlivesNoProcess)
{
    const QString path = runtime() + "/tolvar.lock";
    {
        SingleInstance first(path);
        ASSERT_TRUE(first.acquire());
        SingleInstance second(path);
        EXPECT_FALSE(second.acquire());
        EXPECT_EQ(second.holder(), QCoreApplication::applicationPid());
    }
    SingleInstance afterwards(path);
    EXPECT_TRUE(afterwards.acquire()) << "released when its holder ends";

    // A lock left behind by a process that no longer runs (killed, say) is taken over.
    QProcess ended;
    ended.start("sleep", { "0.2" });
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    const QString stalePath = runtime() + "/stale.lock";
    {
        QLockFile left(stalePath);
        ASSERT_TRUE(left.tryLock(0));
        QFile file(stalePath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        file.close();
        lines[0] = QByteArray::number(endedPid);
        left.unlock();
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.join('\n'));
    }
    SingleInstance next(stalePath);
    EXPECT_TRUE(next.acquire());

    EXPECT_TRUE(SingleInstance(dir.filePath("missing/folder/tolvar.lock")).acquire())
        << "no place for a lock is no reason not to run";
}

TEST_F(StartupTest, ASecondStartSaysSoAndEndsWell)
{
    SingleInstance running(runtime() + "/tolvar.lock");
    ASSERT_TRUE(running.acquire());
    const Outcome second = start({ { "QT_QPA_PLATFORM", "offscreen" } });
    ASSERT_TRUE(second.finished) << "the second Tolvar kept running";
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.standardError.contains("already running")) << second.standardError.toStdString();
    EXPECT_TRUE(second.standardError.contains(QString::number(QCoreApplication::applicationPid())));
}

TEST_F(StartupTest, WithoutAnX11DisplayItSaysWhatItNeeds)
{
    for (const QString& display : { QString(), QStringLiteral(":979") }) {
        const Outcome run
            = start({ { "DISPLAY", display }, { "QT_QPA_PLATFORM", QString() }, { "WAYLAND_DISPLAY", QString() } });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.standardError.startsWith("Tolvar needs an X11 display")) << run.standardError.toStdString();
        EXPECT_TRUE(run.standardError.contains("Wayland"));
        EXPECT_FALSE(run.standardError.contains("einstall"));
        EXPECT_FALSE(QFile::exists(runtime() + "/tolvar.lock")) << "no lock for a start that failed";
    }
}

TEST_F(StartupTest, ALogoutOrCtrlCEndsItAsQuitDoes)
{
    for (const int signal : { SIGTERM, SIGINT, SIGHUP }) {
        QDir(dir.filePath("XDG_DATA_HOME")).removeRecursively();
        QProcess process;
        launch(process, { { "QT_QPA_PLATFORM", "offscreen" } });
        ASSERT_TRUE(process.waitForStarted(testsupport::patienceMs));
        // The shared folder's token is made once the application runs.
        const QDeadlineTimer deadline(testsupport::patience);
        while (!QFile::exists(dir.filePath("XDG_DATA_HOME/tolvar/cloud/identity")) && !deadline.hasExpired()
            && process.state() == QProcess::Running)
            QThread::msleep(20);
        ASSERT_EQ(process.state(), QProcess::Running) << signal;
        ::kill(pid_t(process.processId()), signal);
        const Outcome run = outcome(process);
        ASSERT_TRUE(run.finished) << signal;
        EXPECT_EQ(run.exitCode, 0) << signal
                                   << " ends it cleanly, not by the signal: " << run.standardError.toStdString();
    }
}

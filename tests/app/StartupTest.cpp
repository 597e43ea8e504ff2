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
using Start = SingleInstance::Start;

namespace {

// One of the signal sets in /proc/PID/status ("SigCgt", "SigIgn") has `signal` in it.
bool signalIn(qint64 pid, const QByteArray& set, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(set + ':'))
            return line.mid(set.size() + 1).trimmed().toULongLong(nullptr, 16) & (1ULL << (signal - 1));
    }
    return false;
}

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
    // Signals in `ignored` are ignored as it starts, as `nohup` or a script's `&` leaves them.
    // `through` is a command that runs tolvar, given as its last argument.
    void launch(QProcess& process, const QMap<QString, QString>& changes, const QList<int>& ignored = {},
        QStringList through = {})
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
        process.setChildProcessModifier([ignored] {
            for (const int signal : ignored)
                ::signal(signal, SIG_IGN);
        });
        through.append(QStringLiteral(TOLVAR_EXECUTABLE));
        process.start(through.takeFirst(), through);
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

    // Starts tolvar and waits until its application runs: the shared folder's token is made then.
    void launchRunning(QProcess& process, const QList<int>& ignored = {})
    {
        launch(process, { { "QT_QPA_PLATFORM", "offscreen" } }, ignored);
        ASSERT_TRUE(process.waitForStarted(testsupport::patienceMs));
        const QDeadlineTimer deadline(testsupport::patience);
        while (!QFile::exists(dir.filePath("XDG_DATA_HOME/tolvar/cloud/identity")) && !deadline.hasExpired()
            && process.state() == QProcess::Running)
            QThread::msleep(20);
        ASSERT_EQ(process.state(), QProcess::Running);
    }

    // Sends `signal` and waits, without a pause that could miss it, until the process has begun to quit: it
    // catches the signal no longer (or has ended).
    static void signalAndAwaitQuit(const QProcess& process, int signal)
    {
        const qint64 pid = process.processId();
        send(process, signal);
        const QDeadlineTimer deadline(testsupport::patience);
        while (signalIn(pid, "SigCgt", signal) && !deadline.hasExpired()) { }
    }

    // Never to 0, which would reach the test's own process group, once the process has gone.
    static void send(const QProcess& process, int signal)
    {
        if (process.processId() > 0)
            ::kill(pid_t(process.processId()), signal);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(StartupTest, TheLockIsHeldOncePerSessionAndOutlivesNoProcess)
{
    const QString path = runtime() + "/tolvar.lock";
    {
        SingleInstance first(path);
        ASSERT_EQ(first.acquire(), Start::Run);
        SingleInstance second(path);
        EXPECT_EQ(second.acquire(), Start::AnotherRuns);
        EXPECT_EQ(second.holder(), QCoreApplication::applicationPid());

        // Once the first quits, a start waits for it; a start beside that one gives way.
        first.quitting();
        SingleInstance third(path);
        EXPECT_EQ(third.acquire(), Start::AnotherQuits);
        EXPECT_EQ(third.holder(), QCoreApplication::applicationPid());
        EXPECT_EQ(SingleInstance(path).acquire(), Start::AnotherRuns);
    }
    SingleInstance afterwards(path);
    EXPECT_EQ(afterwards.acquire(), Start::Run) << "released when its holder ends";

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
    EXPECT_EQ(next.acquire(), Start::Run);

    // Left empty by a process killed between making and filling it: taken over once plainly old.
    for (const char* left : { "/empty.lock.serving", "/empty.lock" }) {
        QFile empty(runtime() + left);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        EXPECT_NE(SingleInstance(runtime() + "/empty.lock").acquire(), Start::Run) << left << ": may be filled yet";
        ASSERT_TRUE(empty.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        {
            // Another start taking the same file over: left to it, so that neither removes the lock the other makes.
            QLockFile takingOver(runtime() + left + ".rmlock");
            ASSERT_TRUE(takingOver.tryLock(0));
            EXPECT_NE(SingleInstance(runtime() + "/empty.lock").acquire(), Start::Run) << left << ": being taken over";
        }
        SingleInstance after(runtime() + "/empty.lock");
        EXPECT_EQ(after.acquire(), Start::Run) << left;
    }

    SingleInstance unlocked(dir.filePath("missing/folder/tolvar.lock"));
    EXPECT_EQ(unlocked.acquire(), Start::Run) << "no place for a lock is no reason not to run";
    EXPECT_TRUE(unlocked.lockProblem().value_or("").contains(dir.filePath("missing/folder")));
    EXPECT_EQ(afterwards.lockProblem(), std::nullopt);
}

TEST_F(StartupTest, WithoutALockItSaysOnceWhereNoneCouldBeMade)
{
    // A read-only runtime folder, as a private mount namespace gives one without root.
    const QStringList readOnlyRuntime = { "unshare", "--map-root-user", "--mount", "sh", "-c",
        "mount --bind -o ro \"$0\" \"$0\" && exec \"$1\"", runtime() };
    if (QProcess::execute("unshare", { "--map-root-user", "--mount", "true" }) != 0)
        GTEST_SKIP() << "no private mount namespace here";
    QProcess process;
    launch(process, { { "QT_QPA_PLATFORM", "offscreen" } }, {}, readOnlyRuntime);
    const QDeadlineTimer deadline(testsupport::patience);
    while (!QFile::exists(dir.filePath("XDG_DATA_HOME/tolvar/cloud/identity")) && !deadline.hasExpired()
        && process.state() != QProcess::NotRunning)
        process.waitForFinished(20);
    signalAndAwaitQuit(process, SIGTERM);
    const Outcome run = outcome(process);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(run.standardError.count("single-instance lock"), 1) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(runtime() + " (it is read-only")) << run.standardError.toStdString();
}

TEST_F(StartupTest, ASecondStartSaysSoAndEndsWell)
{
    SingleInstance running(runtime() + "/tolvar.lock");
    ASSERT_EQ(running.acquire(), Start::Run);
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
    struct Row
    {
        const char* name;
        QList<int> ignoredAtStart;
        int signal;
        // Sent once the quit has begun, as a logout sends SIGHUP after SIGTERM; 0 for none.
        int later = 0;
    };
    for (const Row& row : { Row { "SIGTERM", {}, SIGTERM }, Row { "SIGINT", {}, SIGINT }, Row { "SIGHUP", {}, SIGHUP },
             Row { "a logout: SIGTERM, then SIGHUP while it quits", {}, SIGTERM, SIGHUP },
             Row { "Ctrl-C twice", {}, SIGINT, SIGINT }, Row { "nohup: SIGHUP ignored", { SIGHUP }, SIGTERM, SIGHUP },
             Row { "a script's &: SIGINT ignored", { SIGINT }, SIGTERM, SIGINT } }) {
        SCOPED_TRACE(row.name);
        QDir(dir.filePath("XDG_DATA_HOME")).removeRecursively();
        QProcess process;
        launchRunning(process, row.ignoredAtStart);
        for (const int ignored : row.ignoredAtStart) {
            EXPECT_TRUE(signalIn(process.processId(), "SigIgn", ignored)) << "still ignored";
            EXPECT_FALSE(signalIn(process.processId(), "SigCgt", ignored));
        }
        signalAndAwaitQuit(process, row.signal);
        if (row.later != 0)
            send(process, row.later);
        const Outcome run = outcome(process);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << "ends it cleanly, not by the signal: " << run.standardError.toStdString();
    }
}

TEST_F(StartupTest, AStartWhileTheLastOneQuitsRunsOnceItHasGone)
{
    QProcess quitting;
    launchRunning(quitting);
    signalAndAwaitQuit(quitting, SIGTERM);
    // Held in the middle of its quit, as a slow disk holds it.
    send(quitting, SIGSTOP);

    const QLockFile lock(runtime() + "/tolvar.lock");
    const auto holder = [&lock] {
        qint64 pid = 0;
        QString host;
        QString application;
        return lock.getLockInfo(&pid, &host, &application) ? pid : 0;
    };

    QProcess next;
    launch(next, { { "QT_QPA_PLATFORM", "offscreen" } });
    next.setReadChannel(QProcess::StandardError);
    QByteArray said;
    const QDeadlineTimer deadline(testsupport::patience);
    while (!said.contains("still quitting") && next.state() != QProcess::NotRunning && holder() != next.processId()
        && !deadline.hasExpired()) {
        next.waitForReadyRead(100);
        said += next.readAllStandardError();
    }
    EXPECT_EQ(next.state(), QProcess::Running) << "gave way: " << said.toStdString();

    send(quitting, SIGCONT);
    const Outcome first = outcome(quitting);
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(first.exitCode, 0);
    const QDeadlineTimer running(testsupport::patience);
    while (holder() != next.processId() && next.state() == QProcess::Running && !next.waitForFinished(20)
        && !running.hasExpired()) { }
    EXPECT_EQ(holder(), next.processId()) << "runs once the last one has gone";
    // Ended as a logout ends a running Tolvar: holding the lock, it may not catch the signal yet.
    const QDeadlineTimer catching(testsupport::patience);
    while (!signalIn(next.processId(), "SigCgt", SIGTERM) && next.state() == QProcess::Running
        && !catching.hasExpired()) { }
    send(next, SIGTERM);
    const Outcome second = outcome(next);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
}

#include "tolvar/app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>

namespace tolvar {

namespace {

// QLockFile's own wait sleeps ever longer, up to seconds after the lock is free.
constexpr int lockPollMs = 20;
// A process fills its lock file as soon as it makes it: one that names no process after this long was left by a
// process killed in between.
constexpr qint64 unnamedLockSeconds = 5;

qint64 holderOf(const QLockFile& lock)
{
    qint64 pid = 0;
    QString hostName;
    QString application;
    return lock.getLockInfo(&pid, &hostName, &application) ? pid : 0;
}

// Names no process and is plainly old: left by a process killed between making and filling it.
bool leftUnnamed(const QLockFile& lock)
{
    if (holderOf(lock) != 0)
        return false;
    const QFileInfo file(lock.fileName());
    return file.exists() && std::abs(file.lastModified().secsTo(QDateTime::currentDateTime())) >= unnamedLockSeconds;
}

// Qt never takes over a lock file that names no process once its stale time is 0: without this, one signal or kill
// early in a start would keep Tolvar from starting again in the session.
bool tryLock(QLockFile& lock)
{
    if (lock.tryLock(0))
        return true;
    if (lock.error() != QLockFile::LockFailedError || !leftUnnamed(lock))
        return false;
    // Two starts may find the same file left: the one that takes it over last would remove the lock the other has
    // just made in its place. As Qt's own take-over, one at a time, and the file looked at again once it is ours.
    QLockFile takingOver(lock.fileName() + QStringLiteral(".rmlock"));
    if (!takingOver.tryLock(0) || !leftUnnamed(lock))
        return false;
    lock.removeStaleLockFile();
    return lock.tryLock(0);
}

} // namespace

QString SingleInstance::standardLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/tolvar.lock");
}

SingleInstance::SingleInstance(const QString& lockPath)
    : m_lock(lockPath)
    , m_serving(lockPath + QStringLiteral(".serving"))
{
    // However long Tolvar runs, its locks are only stale once its process is gone.
    m_lock.setStaleLockTime(0);
    m_serving.setStaleLockTime(0);
}

SingleInstance::Start SingleInstance::acquire()
{
    if (!tryLock(m_serving) && m_serving.error() == QLockFile::LockFailedError)
        return Start::AnotherRuns;
    // Only another running Tolvar keeps this one from starting, not a folder where no lock can be made.
    if (tryLock(m_lock) || m_lock.error() != QLockFile::LockFailedError)
        return Start::Run;
    return m_serving.isLocked() ? Start::AnotherQuits : Start::AnotherRuns;
}

bool SingleInstance::awaitQuitting()
{
    const QDeadlineTimer deadline(longestQuit);
    while (!tryLock(m_lock)) {
        if (m_lock.error() != QLockFile::LockFailedError)
            return true;
        if (deadline.hasExpired()) {
            m_serving.unlock();
            return false;
        }
        QThread::msleep(lockPollMs);
    }
    return true;
}

void SingleInstance::quitting()
{
    m_serving.unlock();
}

std::optional<QString> SingleInstance::lockProblem() const
{
    const QLockFile::LockError error = m_lock.error();
    if (m_lock.isLocked() || error == QLockFile::NoError || error == QLockFile::LockFailedError)
        return std::nullopt;
    const QString folder = QFileInfo(m_lock.fileName()).absolutePath();
    const QString why = error == QLockFile::PermissionError ? QStringLiteral("it is read-only or not ours to write")
                                                            : QStringLiteral("no file can be made there");
    return QStringLiteral("Tolvar runs without its single-instance lock: none can be made in %1 (%2), so another "
                          "start in this session would run beside this one, each showing every reminder.")
        .arg(folder, why);
}

qint64 SingleInstance::holder() const
{
    if (const qint64 serving = holderOf(m_serving); serving != 0 && !m_serving.isLocked())
        return serving;
    return holderOf(m_lock);
}

} // namespace tolvar

#include "tolvar/app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

namespace tolvar {

namespace {

// QLockFile's own wait sleeps ever longer, up to seconds after the lock is free.
constexpr int lockPollMs = 20;

qint64 holderOf(const QLockFile& lock)
{
    qint64 pid = 0;
    QString hostName;
    QString application;
    return lock.getLockInfo(&pid, &hostName, &application) ? pid : 0;
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
    if (!m_serving.tryLock(0) && m_serving.error() == QLockFile::LockFailedError)
        return Start::AnotherRuns;
    // Only another running Tolvar keeps this one from starting, not a folder where no lock can be made.
    if (m_lock.tryLock(0) || m_lock.error() != QLockFile::LockFailedError)
        return Start::Run;
    return m_serving.isLocked() ? Start::AnotherQuits : Start::AnotherRuns;
}

bool SingleInstance::awaitQuitting()
{
    const QDeadlineTimer deadline(longestQuit);
    while (!m_lock.tryLock(0)) {
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

qint64 SingleInstance::holder() const
{
    if (const qint64 serving = holderOf(m_serving); serving != 0 && !m_serving.isLocked())
        return serving;
    return holderOf(m_lock);
}

} // namespace tolvar

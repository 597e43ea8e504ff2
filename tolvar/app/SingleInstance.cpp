#include "tolvar/app/SingleInstance.h"

#include <QStandardPaths>

namespace tolvar {

QString SingleInstance::standardLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/tolvar.lock");
}

SingleInstance::SingleInstance(const QString& lockPath)
    : m_lock(lockPath)
{
    // However long Tolvar runs, its lock is only stale once its process is gone.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_lock.tryLock(0))
        return true;
    // Only another running Tolvar keeps this one from starting, not a folder where no lock can be made.
    return m_lock.error() != QLockFile::LockFailedError;
}

qint64 SingleInstance::holder() const
{
    qint64 pid = 0;
    QString hostName;
    QString application;
    return m_lock.getLockInfo(&pid, &hostName, &application) ? pid : 0;
}

} // namespace tolvar

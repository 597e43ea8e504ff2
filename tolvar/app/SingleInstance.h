#pragma once

#include <QLockFile>
#include <QString>

namespace tolvar {

// Keeps Tolvar to one process per session: a second one would show a second tray icon and a second
// set of reminders fighting the first for the keys.
class SingleInstance
{
public:
    // In the user's runtime folder, which lives as long as the login session.
    static QString standardLockPath();

    explicit SingleInstance(const QString& lockPath);

    // False while another running process holds the lock; otherwise true, with the lock now held
    // (a lock left by a process that ended is taken over) or, where none can be made, without one.
    bool acquire();
    // The process that holds the lock, 0 when unknown.
    qint64 holder() const;

private:
    QLockFile m_lock;
};

} // namespace tolvar

#pragma once

#include <QLockFile>
#include <QString>
#include <chrono>
#include <optional>

namespace tolvar {

// Keeps Tolvar to one process per session: a second one would show a second tray icon and a second
// set of reminders fighting the first for the keys. A process that quits keeps the stores until it has
// gone, but no longer serves: a start then waits for it instead of giving way, as a user who quits and
// starts again at once expects.
class SingleInstance
{
public:
    enum class Start {
        // This one runs, with the lock now held (a lock left by a process that ended is taken over) or,
        // where none can be made, without one.
        Run,
        AnotherRuns,
        AnotherQuits,
    };

    // However long a quit takes, well beyond a slow one's few seconds.
    static constexpr std::chrono::seconds longestQuit { 30 };

    // In the user's runtime folder, which lives as long as the login session.
    static QString standardLockPath();

    explicit SingleInstance(const QString& lockPath);

    Start acquire();
    // After `AnotherQuits`: waits until that process has gone, at most `longestQuit`. True with the lock
    // then held; false while it still holds it, and this one gives way.
    bool awaitQuitting();
    // The quit has begun: a start from now on waits for this process to end.
    void quitting();
    // The process that keeps this one from running, 0 when unknown.
    qint64 holder() const;
    // Why this one runs without a lock (a read-only runtime folder), in words naming where it could not be made;
    // absent while it holds one or waits for another.
    std::optional<QString> lockProblem() const;

private:
    // Held while the process runs, until it has gone.
    QLockFile m_lock;
    // Held from the start until the quit begins, first so that two starts at once never both run.
    QLockFile m_serving;
};

} // namespace tolvar

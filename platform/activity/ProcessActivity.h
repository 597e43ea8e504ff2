#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// Activities that keep the system from throttling the process while they are held.
class ProcessActivity
{
public:
    using Token = quint64;

    // The activity of a user-started task that still lets an idle system sleep.
    static constexpr quint64 userInitiatedAllowingIdleSystemSleep = 0x00EFFFFF;

    virtual ~ProcessActivity() = default;

    // Tokens are never reused, so ending a stale token cannot end a newer activity.
    virtual Token begin(quint64 options, const QString& reason) = 0;
    // Ending an unknown or already ended token does nothing.
    virtual void end(Token token) = 0;
};

} // namespace platform

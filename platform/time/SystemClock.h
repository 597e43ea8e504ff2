#pragma once

#include "platform/time/Clock.h"

namespace platform {

// The wall clock, with timers on the Qt event loop of the calling thread.
class SystemClock final : public Clock
{
public:
    Date now() const override;
    std::unique_ptr<Timer> createTimer() override;
};

} // namespace platform

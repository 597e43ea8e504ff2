#pragma once

#include "platform/system/SystemEvents.h"

namespace platform {

// Tests post the notifications by hand.
class TestSystemEvents final : public SystemEvents
{
    Q_OBJECT
public:
    using SystemEvents::SystemEvents;

    void postWake() { Q_EMIT didWake(); }
    void postScreensWake() { Q_EMIT screensDidWake(); }
    void postBecomeActive() { Q_EMIT didBecomeActive(); }
};

} // namespace platform

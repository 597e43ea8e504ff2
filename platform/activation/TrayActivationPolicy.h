#pragma once

#include "platform/activation/ActivationPolicy.h"

namespace platform {

// On X11 every ordinary window has its own taskbar entry and a tray application has none, so there is
// nothing to switch: the policy is kept for the code that decides when to change it.
class TrayActivationPolicy final : public ActivationPolicy
{
public:
    Policy policy() const override { return m_policy; }
    void setPolicy(Policy policy) override { m_policy = policy; }

private:
    Policy m_policy = Policy::accessory;
};

} // namespace platform

#pragma once

namespace platform {

// Whether the application shows as an ordinary application or lives in the tray alone.
class ActivationPolicy
{
public:
    // `regular`: windows with taskbar entries; `accessory`: the tray icon only.
    enum class Policy { regular, accessory };

    virtual ~ActivationPolicy() = default;

    virtual Policy policy() const = 0;
    virtual void setPolicy(Policy policy) = 0;
};

} // namespace platform

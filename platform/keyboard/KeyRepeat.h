#pragma once

namespace platform {

// How fast a held key repeats: the wait before the first repeat and the time between repeats.
struct KeyRepeatPace
{
    double delaySeconds;
    double intervalSeconds;
    bool operator==(const KeyRepeatPace&) const = default;
};

// The key-repeat settings of the user's keyboard.
class KeyRepeat
{
public:
    // The X server's defaults: 660 ms, then 25 repeats a second.
    static constexpr KeyRepeatPace serverDefault { 0.66, 0.04 };

    virtual ~KeyRepeat() = default;

    // Read afresh on every call.
    virtual KeyRepeatPace pace() const = 0;
};

} // namespace platform

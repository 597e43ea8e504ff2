#pragma once

#include "platform/keyboard/KeyRepeat.h"

namespace platform {

class TestKeyRepeat final : public KeyRepeat
{
public:
    void setPace(KeyRepeatPace pace) { m_pace = pace; }
    KeyRepeatPace pace() const override { return m_pace; }

private:
    KeyRepeatPace m_pace = serverDefault;
};

} // namespace platform

#include "platform/calendar/LargeFileGate.h"

#include "platform/calendar/ProcessMemory.h"

namespace platform {

bool LargeFileGate::holds(qint64 bytes)
{
    const std::optional<qint64> available = ProcessMemory::available();
    return !available || bytes <= *available;
}

} // namespace platform

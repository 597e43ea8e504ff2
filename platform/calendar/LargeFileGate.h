#pragma once

#include <QtGlobal>
#include <mutex>

namespace platform {

// Lets the calendar files too large to always read be read one at a time, each only when the memory the process
// can still take holds what its text costs: read side by side, several that each fit alone could together take
// more than there is.
class LargeFileGate
{
public:
    // Held while one large file is read and parsed.
    [[nodiscard]] std::unique_lock<std::mutex> turn() { return std::unique_lock(m_mutex); }
    // True when `bytes` more fit in the memory left, or when that is not known.
    static bool holds(qint64 bytes);

private:
    std::mutex m_mutex;
};

} // namespace platform

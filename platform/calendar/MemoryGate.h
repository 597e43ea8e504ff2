#pragma once

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {

// Lets calendar files be parsed side by side only while what their parses cost together fits in the memory the
// process can still take: several files that each fit alone could together take more than there is, and the
// kernel ends a process that takes more, with it every reminder.
class MemoryGate
{
public:
    // The memory the process can still take, in bytes; absent when it is not known.
    using Measure = std::function<std::optional<qint64>()>;

    enum class Answer { reserved, tooLarge, abandoned };

    explicit MemoryGate(Measure measure);

    // Holds `bytes` for one parse until they are released, in place of the `held` it held so far. Waits while
    // they do not fit beside what other parses hold; tooLarge when they do not fit even with nothing else held
    // (and then holds nothing), abandoned as soon as `abandoned` is set.
    Answer reserve(qint64 bytes, const std::atomic<bool>* abandoned, qint64 held = 0);
    void release(qint64 bytes);
    // Wakes every wait, to look at its stop flag again.
    void interrupt();

    std::optional<qint64> available() const { return m_measure(); }

private:
    bool fits(qint64 bytes);

    const Measure m_measure;
    std::mutex m_mutex;
    std::condition_variable m_released;
    qint64 m_held = 0;
    // The last figure measured, and when.
    std::optional<qint64> m_measured;
    std::chrono::steady_clock::time_point m_measuredAt;
};

} // namespace platform

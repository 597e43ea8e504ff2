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

    // Holds `bytes` for a parse that holds nothing yet, until they are released. Waits while they do not fit beside
    // what other parses hold; tooLarge when they do not fit with nothing held at all, abandoned as soon as
    // `abandoned` is set. A parse waits only while it holds nothing, so that no two parses wait for each other.
    Answer reserve(qint64 bytes, const std::atomic<bool>* abandoned);
    // Holds `bytes` in place of the `held` a parse holds, without waiting: false, and still `held`, when the
    // growth does not fit beside what the others hold.
    bool resize(qint64 held, qint64 bytes);
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

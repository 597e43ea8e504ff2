#pragma once

#include <QDeadlineTimer>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {

// Lets large files (calendars, the shared store's device files) be parsed side by side only while what their parses
// cost together fits in the memory the process can still take: several files that each fit alone could together
// take more than there is, and the kernel ends a process that takes more, with it every reminder. Large parses take
// turns whatever is free: a tray program does not take gigabytes because they are there.
class MemoryGate
{
public:
    // The memory the process can still take, in bytes; absent when it is not known.
    using Measure = std::function<std::optional<qint64>()>;

    enum class Answer { reserved, later, tooLarge, abandoned };

    // A reservation of this size or more is a large parse's.
    static constexpr qint64 largeParse = 64 * 1024 * 1024;

    explicit MemoryGate(Measure measure);

    // Holds `bytes` for a parse that holds nothing yet, until they are released. Waits while they do not fit beside
    // what other parses hold, or while another large parse runs, until `deadline` (later); tooLarge when they do
    // not fit with nothing held at all, abandoned as soon as `abandoned` is set. A parse waits only while it holds
    // nothing, so that no two parses wait for each other.
    Answer reserve(
        qint64 bytes, const std::atomic<bool>* abandoned = nullptr, QDeadlineTimer deadline = QDeadlineTimer::Forever);
    // As reserve(), but `bytes` that do not fit even with nothing held are held all the same once nothing else is,
    // so that the parse runs alone: for a file that must be read whatever it takes. Reserved or abandoned.
    Answer reserveEvenAlone(qint64 bytes, const std::atomic<bool>* abandoned = nullptr);
    // Holds `bytes` in place of the `held` a parse holds, without waiting: false, and still `held`, when the
    // growth does not fit beside what the others hold.
    bool resize(qint64 held, qint64 bytes);
    void release(qint64 bytes);
    // Makes the next reservation measure afresh: a read starts with the memory as it is, not as it was at the last.
    void measureAgain();
    // Wakes every wait, to look at its stop flag again.
    void interrupt();

    std::optional<qint64> available() const { return m_measure(); }

private:
    enum class Room { fits, later, never };
    Answer reserve(qint64 bytes, const std::atomic<bool>* abandoned, QDeadlineTimer deadline, bool evenAlone);
    // Whether `bytes` more fit beside what is held, on the figure last measured.
    Room roomFor(qint64 bytes, bool large) const;
    // Measures again, outside the lock, once the figure is older than the measure interval; `forVerdict`
    // measures at once, after giving back what parses freed, to tell a parse that it cannot fit.
    void measure(std::unique_lock<std::mutex>& lock, bool forVerdict);

    const Measure m_measure;
    std::mutex m_mutex;
    std::condition_variable m_released;
    qint64 m_held = 0;
    int m_largeParses = 0;
    quint64 m_releases = 0;
    // The last figure measured, and when; a figure taken while nothing was held decides that a parse cannot fit.
    std::optional<qint64> m_measured;
    std::chrono::steady_clock::time_point m_measuredAt;
    bool m_measuredIdle = false;
    bool m_measuring = false;
};

} // namespace platform

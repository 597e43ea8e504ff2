#include "platform/files/MemoryGate.h"

#include <malloc.h>

namespace platform {

namespace {

// How long a figure measured stands for the reservations after it: a read of thousands of small files must not
// open the control group's files for each.
constexpr std::chrono::milliseconds measureInterval { 100 };

} // namespace

MemoryGate::MemoryGate(Measure measure)
    : m_measure(std::move(measure))
{ }

MemoryGate::Answer MemoryGate::reserve(qint64 bytes, const std::atomic<bool>* abandoned, QDeadlineTimer deadline)
{
    return reserve(bytes, abandoned, deadline, false);
}

MemoryGate::Answer MemoryGate::reserveEvenAlone(qint64 bytes, const std::atomic<bool>* abandoned)
{
    return reserve(bytes, abandoned, QDeadlineTimer::Forever, true);
}

MemoryGate::Answer MemoryGate::reserve(
    qint64 bytes, const std::atomic<bool>* abandoned, QDeadlineTimer deadline, bool evenAlone)
{
    const bool large = bytes >= largeParse;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (abandoned && abandoned->load())
            return Answer::abandoned;
        measure(lock, false);
        const Room room = roomFor(bytes, large);
        // One that must be read goes once nothing else is held, and every other parse then waits for it.
        const bool alone = room == Room::never && evenAlone && m_measuredIdle;
        if (room == Room::fits || alone) {
            m_held += bytes;
            m_largeParses += large;
            return Answer::reserved;
        }
        // What the others hold comes back when their parses end; with nothing held, nothing more will free.
        if (room == Room::never) {
            if (m_measuredIdle)
                return Answer::tooLarge;
            measure(lock, true);
            continue;
        }
        if (deadline.hasExpired())
            return Answer::later;
        m_released.wait_until(lock, deadline.deadline<std::chrono::steady_clock>());
    }
}

bool MemoryGate::resize(qint64 held, qint64 bytes)
{
    const bool wasLarge = held >= largeParse;
    const bool large = bytes >= largeParse;
    std::unique_lock lock(m_mutex);
    if (bytes > held) {
        measure(lock, false);
        if (roomFor(bytes - held, large && !wasLarge) != Room::fits)
            return false;
    }
    m_held += bytes - held;
    m_largeParses += int(large) - int(wasLarge);
    if (bytes < held) {
        m_measuredIdle = false;
        ++m_releases;
        m_released.notify_all();
    }
    return true;
}

void MemoryGate::release(qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    m_held -= bytes;
    m_largeParses -= bytes >= largeParse;
    // The figure was taken before this memory came back.
    m_measuredIdle = false;
    ++m_releases;
    m_released.notify_all();
}

void MemoryGate::measureAgain()
{
    const std::lock_guard lock(m_mutex);
    m_measuredAt = {};
}

void MemoryGate::interrupt()
{
    // Under the lock, so that no wait is between looking at its flag and waiting.
    const std::lock_guard lock(m_mutex);
    m_released.notify_all();
}

MemoryGate::Room MemoryGate::roomFor(qint64 bytes, bool large) const
{
    if (large && m_largeParses > 0)
        return Room::later;
    // What the parses under way hold is partly in the figure already: counted twice, to be safe.
    if (!m_measured || bytes <= *m_measured - m_held)
        return Room::fits;
    return m_held > 0 ? Room::later : Room::never;
}

void MemoryGate::measure(std::unique_lock<std::mutex>& lock, bool forVerdict)
{
    while (m_measuring)
        m_released.wait(lock);
    if (!forVerdict && std::chrono::steady_clock::now() - m_measuredAt < measureInterval)
        return;
    m_measuring = true;
    const bool idle = m_held == 0;
    const quint64 releases = m_releases;
    lock.unlock();
    // What a parse freed stays with its thread's heap until given back, and counts as used meanwhile.
    if (forVerdict)
        malloc_trim(0);
    const std::optional<qint64> measured = m_measure();
    const auto measuredAt = std::chrono::steady_clock::now();
    lock.lock();
    m_measured = measured;
    m_measuredAt = measuredAt;
    m_measuredIdle = idle && m_held == 0 && m_releases == releases;
    m_measuring = false;
    m_released.notify_all();
}

} // namespace platform

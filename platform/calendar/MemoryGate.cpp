#include "platform/calendar/MemoryGate.h"

#include <malloc.h>

namespace platform {

namespace {

// How long a figure measured while parses run stands for the next reservations that fit in it: a read of
// thousands of small files must not measure for each. The first after a pause measures afresh.
constexpr std::chrono::milliseconds measureInterval { 100 };

} // namespace

MemoryGate::MemoryGate(Measure measure)
    : m_measure(std::move(measure))
{ }

MemoryGate::Answer MemoryGate::reserve(qint64 bytes, const std::atomic<bool>* abandoned)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (abandoned && abandoned->load())
            return Answer::abandoned;
        if (fits(bytes)) {
            m_held += bytes;
            return Answer::reserved;
        }
        // What the others hold comes back when their parses end; with nothing held, nothing more will free.
        if (m_held == 0)
            return Answer::tooLarge;
        m_released.wait(lock);
    }
}

bool MemoryGate::resize(qint64 held, qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    if (bytes > held && !fits(bytes - held))
        return false;
    m_held += bytes - held;
    if (bytes < held)
        m_released.notify_all();
    return true;
}

void MemoryGate::release(qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    m_held -= bytes;
    m_released.notify_all();
}

void MemoryGate::interrupt()
{
    // Under the lock, so that no wait is between looking at its flag and waiting.
    const std::lock_guard lock(m_mutex);
    m_released.notify_all();
}

bool MemoryGate::fits(qint64 bytes)
{
    // What the parses under way hold is partly in the figure already: counted twice, to be safe.
    const auto fitsMeasured = [&] { return !m_measured || bytes <= *m_measured - m_held; };
    const auto now = std::chrono::steady_clock::now();
    if (m_held > 0 && now - m_measuredAt < measureInterval && fitsMeasured())
        return true;
    m_measured = m_measure();
    m_measuredAt = now;
    if (fitsMeasured())
        return true;
    // What a parse freed stays with its thread's heap until given back, and counts as used meanwhile.
    malloc_trim(0);
    m_measured = m_measure();
    return fitsMeasured();
}

} // namespace platform

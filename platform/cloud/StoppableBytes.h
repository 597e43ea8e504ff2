#pragma once

#include <cstddef>
#include <functional>
#include <iterator>

namespace platform {

// Bytes for the JSON parser that end early once `stopped()` holds, asked every 64 KiB: a peer's file of tens of
// megabytes is mostly one string, which the parser reads in one go, and a quit must not wait for it. A parse cut
// short fails as at a truncated file.
class StoppableBytes
{
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    StoppableBytes(const char* at, const char* end, const std::function<bool()>& stopped)
        : m_at(at)
        , m_end(end)
        , m_stopped(&stopped)
    { }

    reference operator*() const { return *m_at; }
    StoppableBytes& operator++()
    {
        ++m_at;
        if (((m_end - m_at) & (lookEvery - 1)) == 0 && (*m_stopped)())
            m_at = m_end;
        return *this;
    }
    bool operator==(const StoppableBytes& other) const { return m_at == other.m_at; }

private:
    static constexpr std::ptrdiff_t lookEvery = 64 * 1024;

    const char* m_at;
    const char* m_end;
    const std::function<bool()>* m_stopped;
};

} // namespace platform

#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <span>

namespace platform {

// Bytes for the JSON parser that end early once `stopped()` holds, asked every 64 KiB: a peer's file of tens of
// megabytes is mostly one string, which the parser reads in one go, and a quit must not wait for it. A parse cut
// short fails as at a truncated file. Stretches of the text, in order, may be passed over.
class StoppableBytes
{
public:
    struct Stretch
    {
        const char* begin;
        const char* end;
    };

    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    StoppableBytes(
        const char* at, const char* end, const std::function<bool()>& stopped, std::span<const Stretch> passedOver = {})
        : m_at(at)
        , m_end(end)
        , m_stopped(&stopped)
        , m_passedOver(passedOver)
    { }

    reference operator*() const { return *m_at; }
    StoppableBytes& operator++()
    {
        ++m_at;
        if (!m_passedOver.empty() && m_at == m_passedOver.front().begin) {
            m_at = m_passedOver.front().end;
            m_passedOver = m_passedOver.subspan(1);
        }
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
    std::span<const Stretch> m_passedOver;
};

} // namespace platform

#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace platform {

// Frees what `owned` holds on a thread of its own: what a parse of hundreds of megabytes built takes seconds to
// free, which a store that goes away must not wait for. Freed on the caller's thread when no thread can start.
template <typename... Owned> void releaseInBackground(Owned&&... owned)
{
    try {
        std::thread([... owned = std::forward<Owned>(owned)] {}).detach();
    } catch (const std::system_error&) { }
}

} // namespace platform

#pragma once

#include <chrono>

// How long a test waits for a state it expects: far above the need even under the sanitizers on a loaded
// machine. A passing test goes on as soon as the state holds; only a failing one waits this long.
namespace testsupport {
constexpr int patienceMs = 120'000;
constexpr std::chrono::milliseconds patience { patienceMs };
} // namespace testsupport

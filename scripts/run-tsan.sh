#!/usr/bin/env bash
# Builds the suites whose code hands work between threads (the calendar and cloud stores, the model and the app
# model) with ThreadSanitizer in their own build folder and runs them. A race fails the suite that ran into it.
# Usage: scripts/run-tsan.sh [build folder]
set -euo pipefail
build=${1:-build-tsan}
here=$(cd "$(dirname "$0")/.." && pwd)
suites=(platform_calendar_tests platform_cloud_tests model_tests core_tests app_model_tests)

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVAR_SANITIZE_THREAD=ON \
    -DTOLVAR_WERROR="${WERROR:-OFF}" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${suites[@]}"

# ThreadSanitizer maps its shadow memory at fixed places, which a kernel that spreads mappings over more address
# bits may already have given away: it then stops at once. Without address randomisation it always fits.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom=(setarch "$(uname -m)" -R)
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
pattern=$(IFS='|'; echo "^(${suites[*]})\$")
"${norandom[@]}" ctest --test-dir "$build" -R "$pattern" --output-on-failure --no-tests=error -j "$(nproc)"

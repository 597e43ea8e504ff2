#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build folder and runs each for a given time, four at a time.
# Fails when a target finds a crash, a broken property or an input that takes over 5 seconds (with the sanitizers,
# on a machine that may be busy with other work); what it found is kept under <build>/findings/<target>/.
# Usage: scripts/run-fuzz.sh [build folder] [seconds per target]
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
targets=(fuzz_calendar_store fuzz_calendar_parser fuzz_process_memory fuzz_settings_file fuzz_records fuzz_cloud_merge
    fuzz_link_detector fuzz_exec_program fuzz_device_file)

CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVAR_FUZZ=ON -DTOLVAR_TESTS=OFF -DTOLVAR_WERROR=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}"

run() {
    local target=$1 corpus="$build/corpus/$1" findings="$build/findings/$1"
    mkdir -p "$corpus" "$findings"
    if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$here/tests/fuzz/corpus/$target" >"$findings/log" 2>&1; then
        echo "$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$findings/log" | grep -o '[0-9]*$' ||
            tail -1 "$findings/log")"
    else
        echo "$target: FOUND A PROBLEM, see $findings/log"
        tail -30 "$findings/log"
        return 1
    fi
}
export -f run
export build seconds here
printf '%s\n' "${targets[@]}" | xargs -P 4 -I{} bash -c 'run {}'

#!/usr/bin/env bash
# Runs every test of a build folder. The X11 tests need a display: when none is given, this starts a
# headless X server for the run and stops it afterwards.
set -euo pipefail
build=${1:-build}

cleanup() { [ -n "${xpid:-}" ] && kill "$xpid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
    export DISPLAY=$display
fi

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$build/screenshots"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"

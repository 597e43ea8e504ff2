#!/usr/bin/env bash
# Runs every test of a build folder. The tests always run on a headless X server of their own, never on
# the user's display: the hot-key tests press keys. Xvfb picks a free display number itself, since
# several runs may share the machine; it never resets, as a reset between two tests ends the connection
# that the next one is making.
set -euo pipefail
build=${1:-build}

work=$(mktemp -d)
xpid=""
cleanup() {
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xpid" 2>/dev/null || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb named no display" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
unset WAYLAND_DISPLAY XAUTHORITY

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$build/screenshots"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"

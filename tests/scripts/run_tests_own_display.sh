#!/usr/bin/env bash
# scripts/run-tests.sh, given a build folder whose one test notes the display it ran on, must run it on
# a live X server of its own even when the caller's DISPLAY is set, twice at once included.
# Usage: run_tests_own_display.sh <run-tests.sh>
set -euo pipefail
runner=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for n in 1 2; do
    mkdir -p "$work/build$n"
    cat >"$work/build$n/CTestTestfile.cmake" <<CMAKE
add_test(display /bin/sh -c "xdpyinfo >/dev/null && printf '%s' \"\\\$DISPLAY\" >$work/seen$n")
CMAKE
done
DISPLAY=:4242 "$runner" "$work/build1" >"$work/log1" 2>&1 &
first=$!
DISPLAY=:4242 "$runner" "$work/build2" >"$work/log2" 2>&1 || fail "second run: $(cat "$work/log2")"
wait $first || fail "first run: $(cat "$work/log1")"

one=$(cat "$work/seen1") two=$(cat "$work/seen2")
[ -n "$one" ] && [ -n "$two" ] || fail "the test saw no display"
[ "$one" != ":4242" ] && [ "$two" != ":4242" ] || fail "a test ran on the caller's display"
[ "$one" != "$two" ] || fail "two runs at once shared the display $one"
if xdpyinfo -display "$one" >/dev/null 2>&1; then fail "the X server $one outlived its run"; fi
echo "PASS: tests ran on $one and $two"

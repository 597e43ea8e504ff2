#!/usr/bin/env bash
# The availability panel on a real X server: Share on a stand-in for the tray panel opens it beside
# that panel, two free chips and Copy put the message on the clipboard, Escape (a key grab) closes it,
# and Share closes it again while it is open.
# Usage: availability_x11.sh <availability_share_harness>
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
note() { echo "-- $*"; }

[ $# -eq 1 ] && [ -x "$1" ] || fail "usage: $0 <availability_share_harness>"
harness=$(realpath "$1")
for tool in Xvfb xdotool xwininfo xdpyinfo xclip; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

work=$(mktemp -d)
xvfb="" app=""
cleanup() {
    for pid in $app $xvfb; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
wait_until() {
    local deadline=$(($(now_ms) + $1))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

for n in ${TOLVAR_TEST_DISPLAYS:-171 172 173 174 175 176 177 178 179}; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    wait_until 5000 xdpyinfo -display :$n >/dev/null 2>&1 && break
    kill $xvfb 2>/dev/null || true
    xvfb=""
done
[ -n "$xvfb" ] || fail "could not start Xvfb"
export DISPLAY=:$n

state=$work/state
env -u QT_QPA_PLATFORM TZ=UTC LANG=en_GB.UTF-8 LC_ALL= HOME="$work" XDG_RUNTIME_DIR="$work" \
    "$harness" "$state" >"$work/harness.log" 2>&1 &
app=$!

field() { awk -v key="$1" -v n="$2" '$1 == key { print $n }' "$state" 2>/dev/null; }
is_open() { [ "$(field open 2)" = "$1" ]; }
click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.2
}
click_share() { click "$(field share 2)" "$(field share 3)"; }
panel_geometry() {
    local id
    id=$(xdotool search --onlyvisible --name '^Share free time$' 2>/dev/null | head -1)
    [ -n "$id" ] || return 1
    xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
panel_gone() { ! panel_geometry >/dev/null; }

harness_up() { [ -n "$(field share 2)" ]; }
wait_until 10000 harness_up || fail "the harness did not start: $(cat "$work/harness.log")"

# --- Share opens the panel beside the stand-in (40,60 360x520): 10 to its right, tops aligned ---
click_share
wait_until 3000 is_open 1 || fail "Share did not open the panel"
wait_until 3000 panel_geometry >/dev/null || fail "no window titled 'Share free time' on screen"
[ "$(panel_geometry)" = "410 60 520 640" ] || fail "the panel is at $(panel_geometry), not 410 60 520 640"
note "Share opened the panel at $(panel_geometry)"

# --- scroll to the last day, pick 14:00 and 16:30, copy ---
read -r px py _ _ < <(panel_geometry)
xdotool mousemove $((px + 260)) $((py + 300))
for _ in $(seq 40); do
    [ "$(field early 4)" = 1 ] && [ "$(field late 4)" = 1 ] && break
    xdotool click 5
    sleep 0.15
done
[ "$(field early 4)" = 1 ] && [ "$(field late 4)" = 1 ] || fail "the last day's chips never scrolled into view"
click "$(field early 2)" "$(field early 3)"
click "$(field late 2)" "$(field late 3)"
click "$(field copy 2)" "$(field copy 3)"

expected="I'm available at these times (GMT+0):

$(LC_ALL=C date -u -d '+6 days' '+%a, %-d %b')
  - 14:00–14:30
  - 16:30–17:00

Reply with a time that works for you."
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
copied() { [ "$(clipboard)" = "$expected" ]; }
wait_until 3000 copied ||
    fail "the clipboard holds:
$(clipboard)
---- expected:
$expected"
note "Copy put the message on the clipboard"

# --- Escape reaches the panel through the key grab and closes it ---
xdotool key Escape
wait_until 3000 is_open 0 || fail "Escape did not close the panel"
wait_until 3000 panel_gone || fail "the panel's window stayed on screen after Escape"
note "Escape closed the panel"

# --- with the keyboard focus elsewhere, Escape still closes it: the key is grabbed while it shows ---
click_share
wait_until 3000 is_open 1 || fail "Share did not open the panel again"
xdotool search --name '^Tray panel stand-in$' windowfocus --sync
xdotool key Escape
wait_until 3000 is_open 0 || fail "Escape with the focus on another window did not close the panel"
note "Escape closed the panel while another window had the focus"

# --- Share toggles: opens a fresh panel, then closes it ---
click_share
wait_until 3000 is_open 1 || fail "Share did not open the panel again"
click_share
wait_until 3000 is_open 0 || fail "Share did not close the open panel"
wait_until 3000 panel_gone || fail "the panel's window stayed on screen after the second Share"
note "Share closed the open panel"

kill -0 "$app" 2>/dev/null || fail "the harness ended early"
echo "PASS"

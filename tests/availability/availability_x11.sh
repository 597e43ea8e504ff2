#!/usr/bin/env bash
# The availability panel on a real X server: Share on a stand-in for the tray panel opens it beside
# that panel, two free chips and Copy put the message on the clipboard, Escape (a key grab) closes it,
# and Share closes it again while it is open.
# Usage: availability_x11.sh <availability_share_harness>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"
# shellcheck source=last-day-message.sh
. "${BASH_SOURCE%/*}/last-day-message.sh"

take_program "<availability_share_harness>" "$@"
require_tools Xvfb xdotool xwininfo xdpyinfo xclip
begin_session
start_xvfb 171 179

state=$work/state
env -u QT_QPA_PLATFORM TZ=UTC LANG=en_GB.UTF-8 LC_ALL= HOME="$work" XDG_RUNTIME_DIR="$work" \
    "$program" "$state" >"$work/harness.log" 2>&1 &
app=$!

field() { awk -v key="$1" -v n="$2" '$1 == key { print $n }' "$state" 2>/dev/null; }
is_open() { [ "$(field open 2)" = "$1" ]; }
click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.2
}
click_share() { click "$(field share 2)" "$(field share 3)"; }
panel_geometry() { window_titled "Share free time"; }
panel_gone() { ! panel_geometry >/dev/null; }

harness_up() { [ -n "$(field share 2)" ]; }
wait_for 10000 harness_up || fail "the harness did not start: $(cat "$work/harness.log")"

# --- Share opens the panel beside the stand-in (40,60 360x520): 10 to its right, tops aligned ---
click_share
wait_for 3000 is_open 1 || fail "Share did not open the panel"
wait_for 3000 panel_geometry >/dev/null || fail "no window titled 'Share free time' on screen"
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
# The panel's own last day, not the script's: a run may cross midnight.
last_day=$(field lastday 2)
click "$(field early 2)" "$(field early 3)"
click "$(field late 2)" "$(field late 3)"
click "$(field copy 2)" "$(field copy 3)"

expect_clipboard "$(last_day_message "$last_day")"
note "Copy put the message on the clipboard"

# --- Escape reaches the panel through the key grab and closes it ---
xdotool key Escape
wait_for 3000 is_open 0 || fail "Escape did not close the panel"
wait_for 3000 panel_gone || fail "the panel's window stayed on screen after Escape"
note "Escape closed the panel"

# --- with the keyboard focus elsewhere, Escape still closes it: the key is grabbed while it shows ---
click_share
wait_for 3000 is_open 1 || fail "Share did not open the panel again"
xdotool search --name '^Tray panel stand-in$' windowfocus --sync
xdotool key Escape
wait_for 3000 is_open 0 || fail "Escape with the focus on another window did not close the panel"
note "Escape closed the panel while another window had the focus"

# --- Share toggles: opens a fresh panel, then closes it ---
click_share
wait_for 3000 is_open 1 || fail "Share did not open the panel again"
click_share
wait_for 3000 is_open 0 || fail "Share did not close the open panel"
wait_for 3000 panel_gone || fail "the panel's window stayed on screen after the second Share"
note "Share closed the open panel"

kill -0 "$app" 2>/dev/null || fail "the harness ended early"
echo "PASS"

#!/usr/bin/env bash
# The real tolvar program with a tray: its panel's Share opens the availability panel beside the panel;
# two free chips, a busy one and Copy put exactly the free ones on the clipboard; Escape closes the
# availability panel; Share while it is open closes it; Quit with it open ends the program cleanly.
# The chip and button positions are the card's layout with the DejaVu fonts the install script brings;
# a click that misses shows up as a wrong clipboard, never as a pass.
# Usage: share_from_tray_x11.sh <tolvar executable>
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
note() { echo "-- $*"; }

[ $# -eq 1 ] && [ -x "$1" ] || fail "usage: $0 <tolvar executable>"
tolvar=$(realpath "$1")
for tool in Xvfb trayer xdotool xwininfo xdpyinfo xclip; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

work=$(mktemp -d)
xvfb="" trayer="" app=""
cleanup() {
    local status=$?
    for pid in $app $trayer $xvfb; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ $status -eq 0 ] || { [ -f "$work/tolvar.log" ] && tail -30 "$work/tolvar.log"; }
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

# --- a 1280x800 display with a tray ---
for n in ${TOLVAR_TEST_DISPLAYS:-181 182 183 184 185 186 187 188 189}; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    wait_until 5000 xdpyinfo -display :$n >/dev/null 2>&1 && break
    kill $xvfb 2>/dev/null || true
    xvfb=""
done
[ -n "$xvfb" ] || fail "could not start Xvfb"
export DISPLAY=:$n
trayer >"$work/trayer.log" 2>&1 &
trayer=$!
wait_until 5000 xdotool search --class trayer >/dev/null 2>&1 || fail "trayer did not start"

# --- private folders: one calendar with a meeting at 15:00 UTC on the last day of the week ---
mkdir -p "$work/config/tolvar" "$work/data/calendars/work/meetings" "$work/data/tolvar" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
last_day=$(date -u -d '+6 days' +%Y%m%d)
cat >"$work/data/calendars/work/meetings/review.ics" <<ICS
BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Tolvar availability test//EN
BEGIN:VEVENT
UID:review@tolvar.test
DTSTAMP:$(date -u +%Y%m%dT%H%M%SZ)
DTSTART:${last_day}T150000Z
DTEND:${last_day}T153000Z
SUMMARY:Design review
LOCATION:Room 4
END:VEVENT
END:VCALENDAR
ICS
echo '{ "selectedCalendarIDs": ["work/meetings"], "onboardingCompleted": true }' >"$work/config/tolvar/defaults.json"
echo '{ "events": "granted", "reminders": "granted" }' >"$work/data/tolvar/calendar-access.json"

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP \
    TZ=UTC LANG=en_GB.UTF-8 LC_ALL= HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" "$tolvar" >"$work/tolvar.log" 2>&1 &
app=$!

# "x y width height" of every window of the program that is on screen.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
        xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
            /Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print x, y, w, h }'
    done
}
tray_icon() { windows | awk '!found && $3 <= 64 && $4 <= 64 { print; found = 1 } END { exit !found }'; }
# The tray panel: the program's window 360 wide.
tray_panel() { windows | awk '!found && $3 == 360 { print; found = 1 } END { exit !found }'; }
share_panel() {
    local id
    id=$(xdotool search --onlyvisible --name '^Share free time$' 2>/dev/null | head -1)
    [ -n "$id" ] || return 1
    xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
share_gone() { ! share_panel >/dev/null; }
click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.25
}
open_tray_panel() {
    local x y w h
    read -r x y w h < <(tray_icon)
    click $((x + w / 2)) $((y + h / 2))
    wait_until 3000 tray_panel >/dev/null || fail "a click on the tray icon did not open the panel"
}
# Share: the second button of the footer, 16 in and 14 up from the panel's corner.
click_share() {
    local x y w h
    read -r x y w h < <(tray_panel)
    click $((x + 16 + 50 + 8 + 25)) $((y + h - 14 - 19))
}

wait_until 10000 tray_icon >/dev/null || fail "no tray icon came on screen"
sleep 1 # the first refresh reads the calendar

# --- Share opens the availability panel beside the tray panel ---
open_tray_panel
read -r tx ty tw th < <(tray_panel)
click_share
wait_until 3000 share_panel >/dev/null || fail "Share did not open the availability panel"
# The placement rule on the 1280x800 screen: right of the panel, else left of it, else centred; the
# top level with the panel's, kept 12 from the screen's edges.
ex=$((tx + tw + 10))
[ $((ex + 520)) -le $((1280 - 8)) ] || ex=$((tx - 10 - 520))
[ $ex -ge 8 ] || ex=$((640 - 260))
ey=$ty
[ $((ey + 640)) -le $((800 - 12)) ] || ey=$((800 - 12 - 640))
[ $ey -ge 12 ] || ey=12
[ "$(share_panel)" = "$ex $ey 520 640" ] ||
    fail "the availability panel is at $(share_panel), not $ex $ey 520 640 beside the panel at $tx $ty $tw $th"
note "Share opened the availability panel at $(share_panel), beside the tray panel at $tx $ty $tw $th"

# --- the last day: 14:00 and 16:30 are free, 15:00 is busy; then Copy ---
read -r ax ay _ _ < <(share_panel)
xdotool mousemove $((ax + 260)) $((ay + 300))
for _ in $(seq 40); do
    xdotool click 5
done
sleep 0.3
click $((ax + 62)) $((ay + 348))  # 14:00
click $((ax + 260)) $((ay + 348)) # 15:00, busy: takes no click
click $((ax + 62)) $((ay + 378))  # 16:30
click $((ax + 70)) $((ay + 602))  # Copy

expected="I'm available at these times (GMT+0):

$(LC_ALL=C date -u -d '+6 days' '+%a, %-d %b')
  - 14:00–14:30
  - 16:30–17:00

Reply with a time that works for you."
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
copied() { [ "$(clipboard)" = "$expected" ]; }
wait_until 3000 copied || fail "the clipboard holds:
$(clipboard)
---- expected:
$expected"
note "Copy put the two free slots on the clipboard, and not the busy one"

# --- Escape closes it ---
xdotool key Escape
wait_until 3000 share_gone || fail "Escape did not close the availability panel"
note "Escape closed the availability panel"

# --- Share while it is open closes it ---
sleep 0.5
open_tray_panel
click_share
wait_until 3000 share_panel >/dev/null || fail "Share did not open the availability panel again"
sleep 0.5
open_tray_panel
click_share
wait_until 3000 share_gone || fail "Share did not close the open availability panel"
note "Share closed the open availability panel"

# --- Quit from the tray menu while the availability panel is open: a clean exit ---
tray_panel >/dev/null || open_tray_panel
click_share
wait_until 3000 share_panel >/dev/null || fail "Share did not open the availability panel for the quit"
read -r x y w h < <(tray_icon)
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
sleep 0.5
xdotool key Down Return
app_ended() { ! kill -0 "$app" 2>/dev/null; }
wait_until 10000 app_ended || fail "Quit did not end the program"
status=0
wait "$app" || status=$?
app=""
[ $status -eq 0 ] || fail "the program exited with status $status with the availability panel open"
note "Quit with the availability panel open ended the program cleanly"
echo "PASS"

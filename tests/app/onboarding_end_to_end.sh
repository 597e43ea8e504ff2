#!/usr/bin/env bash
# The first launch of the real tolvar program with an empty settings file: the onboarding opens by
# itself, access is given, a calendar ticked and a test reminder made from the keyboard; the reminder
# comes on both monitors, Finish stores the choice, and the next launch opens no onboarding.
# Usage: onboarding_end_to_end.sh <tolvar executable>
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
note() { echo "-- $*"; }

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
    fail "usage: $0 <tolvar executable>"
fi
tolvar=$(realpath "$1")
for tool in Xvnc xrandr trayer xdotool xwininfo xdpyinfo; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

lead=10      # the default reminder lead time
test_in=30   # a test meeting starts this long after it is made
work=$(mktemp -d)
dir=$work/home
xvnc="" trayer="" app=""

cleanup() {
    local status=$?
    for pid in $app $trayer $xvnc; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $status -ne 0 ] && [ -f "$dir/tolvar.log" ]; then
        echo "== tolvar.log"
        tail -40 "$dir/tolvar.log"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
wait_until() {
    local deadline=$1
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# --- the display: two monitors side by side on one X screen, and a tray ---
for n in 71 72 73 74 75 76 77 78 79; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvnc :$n -geometry 2304x800 -SecurityTypes None -localhost >"$work/xvnc-$n.log" 2>&1 &
    xvnc=$!
    wait_until $(($(now_ms) + 5000)) xdpyinfo -display :$n >/dev/null 2>&1 && break
    kill $xvnc 2>/dev/null || true
    xvnc=""
done
[ -n "$xvnc" ] || fail "could not start Xvnc on any display from :71 to :79"
export DISPLAY=:$n
xrandr --setmonitor LEFT 1280/338x800/211+0+0 VNC-0 >/dev/null
xrandr --setmonitor RIGHT 1024/270x768/203+1280+0 none >/dev/null
xrandr --listmonitors | grep "^Monitors: 2" >/dev/null || fail "the X server does not report two monitors"
trayer >"$work/trayer.log" 2>&1 &
trayer=$!
wait_until $(($(now_ms) + 5000)) xdotool search --class trayer >/dev/null 2>&1 || fail "trayer did not start"
note "display $DISPLAY with two monitors and a tray"

# --- private folders: one calendar, no access given yet, an empty settings file ---
mkdir -p "$dir/config/tolvar" "$dir/data/calendars/work/meetings" "$dir/home" "$dir/runtime"
chmod 700 "$dir/runtime"
printf 'Team meetings' >"$dir/data/calendars/work/meetings/displayname"
cat >"$dir/data/calendars/work/meetings/review.ics" <<ICS
BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Tolvar onboarding test//EN
BEGIN:VEVENT
UID:review@tolvar.test
DTSTAMP:20260101T000000Z
DTSTART:20300101T090000Z
DTEND:20300101T100000Z
SUMMARY:Quarterly review
END:VEVENT
END:VCALENDAR
ICS
echo '{}' >"$dir/config/tolvar/defaults.json"
settings=$dir/config/tolvar/defaults.json

launch() {
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP \
        HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache" \
        XDG_RUNTIME_DIR="$dir/runtime" \
        "$tolvar" >>"$dir/tolvar.log" 2>&1 &
    app=$!
}

windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
        xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
            /Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print x, y, w, h }'
    done
}
window_on() { windows | grep -x "$1 $2 $3 $4" >/dev/null; }
reminder_up() { window_on 0 0 1280 800 && window_on 1280 0 1024 768; }
reminder_gone() { ! window_on 0 0 1280 800 && ! window_on 1280 0 1024 768; }
onboarding() { xdotool search --all --onlyvisible --pid "$app" --name '^Set Up Tolvar$' 2>/dev/null | head -1; }
onboarding_up() { [ -n "$(onboarding)" ]; }
app_ended() { ! kill -0 "$app" 2>/dev/null; }
tray_icon() { windows | awk '!found && $3 <= 64 && $4 <= 64 { print; found = 1 } END { exit !found }'; }
# Gives the onboarding window the keyboard, as a click on it would.
focus_onboarding() {
    xdotool windowfocus --sync "$(onboarding)"
    sleep 0.3
}
settings_have() { tr -d ' \n' <"$settings" | grep -F "$1" >/dev/null; }

quit_from_tray() {
    read -r x y w h < <(tray_icon)
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
    sleep 0.5
    xdotool key Down Return
    wait_until $(($(now_ms) + 10000)) app_ended || fail "$1: Quit did not end the program"
    local status=0
    wait "$app" || status=$?
    app=""
    [ $status -eq 0 ] || fail "$1: the program exited with status $status"
}

# --- first launch: the onboarding opens by itself ---
started=$(now_ms)
launch
wait_until $((started + 10000)) onboarding_up || fail "no onboarding window within 10 s of the start"
opened=$(($(now_ms) - started))
wait_until $(($(now_ms) + 8000)) tray_icon >/dev/null || fail "no tray icon came on screen"
read -r ox oy ow oh < <(xwininfo -id "$(onboarding)" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
[ "$ow $oh" = "680 760" ] || fail "the onboarding window is ${ow}x$oh, not 680x760"
note "onboarding window ${ow}x$oh at $ox,$oy, $opened ms after the launch (the program waits 350 ms of it)"

# --- step one: access, then the calendar; the focus starts on "Request Calendar Access" ---
focus_onboarding
xdotool key space
wait_until $(($(now_ms) + 5000)) grep -q '"events"' "$dir/data/tolvar/calendar-access.json" 2>/dev/null ||
    fail "Request Calendar Access gave no access"
sleep 0.5
xdotool key Tab space
wait_until $(($(now_ms) + 5000)) settings_have '"selectedCalendarIDs":["work/meetings"]' ||
    fail "ticking the calendar stored no selection: $(cat "$settings")"
note "access given and the calendar work/meetings ticked"

# --- step two: the test reminder, on both monitors when its lead time comes ---
xdotool key Tab space
made=$(now_ms)
due=$((made + (test_in - lead) * 1000))
sleep $((test_in - lead - 2))
reminder_gone || fail "the test reminder showed before it was due"
wait_until $((due + 3000)) reminder_up || fail "no test reminder on both monitors within 3 s of its due time"
note "test reminder on both monitors $(($(now_ms) - made)) ms after it was made (due after $(((due - made))) ms)"
xdotool key Escape
wait_until $(($(now_ms) + 3000)) reminder_gone || fail "Escape did not close the test reminder"

# --- Finish: Return is the window's default action ---
focus_onboarding
xdotool key Return
wait_until $(($(now_ms) + 3000)) eval '! onboarding_up' || fail "Finish did not close the onboarding"
wait_until $(($(now_ms) + 3000)) settings_have '"onboardingCompleted":true' ||
    fail "Finish did not store onboardingCompleted: $(cat "$settings")"
settings_have '"selectedCalendarIDs":["work/meetings"]' || fail "the calendar choice is gone: $(cat "$settings")"
note "Finish stored $(tr -d ' \n' <"$settings" | grep -o '"onboardingCompleted":true') and the calendar"
quit_from_tray "first launch"

# --- the next launch opens no onboarding ---
launch
wait_until $(($(now_ms) + 8000)) tray_icon >/dev/null || fail "restart: no tray icon came on screen"
sleep 2
! onboarding_up || fail "the onboarding opened again after Finish"
note "restart: no onboarding"
quit_from_tray restart

echo "PASS"

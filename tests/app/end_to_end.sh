#!/usr/bin/env bash
# The real tolvar program, end to end: an X server of its own with two monitors and a tray, private XDG
# folders holding one calendar whose meeting falls due a few seconds after start-up, and the reminder
# answered from the keyboard. The first run joins with Return; the second snoozes for a minute and
# waits for the reminder to come back. Both quit through the tray menu.
# Usage: end_to_end.sh <tolvar executable>
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
for tool in Xvnc xrandr trayer xdotool xwininfo xdpyinfo base64 sha256sum; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
# This test is about behaviour; leaks are the unit tests' job. The leak check at exit stops every
# thread of the whole program, and now and then its tracer crashes on one that is just ending (sound,
# D-Bus), failing a run that did everything right.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

lead=10     # the default reminder lead time
lead_in=15  # from writing the calendar to the meeting's start
link=https://meet.example.com/standup-join
work=$(mktemp -d)
xvnc="" trayer="" app=""

cleanup() {
    local status=$?
    for pid in $app $trayer $xvnc; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $status -ne 0 ]; then
        for log in "$work"/*/tolvar.log; do
            [ -f "$log" ] && { echo "== $log"; tail -40 "$log"; }
        done
    fi
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }
# Runs the command until it succeeds or the deadline (milliseconds since 1970) passes.
wait_until() {
    local deadline=$1
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
sleep_until() {
    local left=$(($1 - $(now_ms)))
    [ $left -le 0 ] || sleep "$(awk -v ms=$left 'BEGIN { printf "%.3f", ms / 1000 }')"
}

# --- the display: two monitors side by side on one X screen, and a tray ---
for n in 61 62 63 64 65 66 67 68 69; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvnc :$n -geometry 2304x800 -SecurityTypes None -localhost >"$work/xvnc-$n.log" 2>&1 &
    xvnc=$!
    wait_until $(($(now_ms) + 5000)) xdpyinfo -display :$n >/dev/null 2>&1 && break
    kill $xvnc 2>/dev/null || true
    xvnc=""
done
[ -n "$xvnc" ] || fail "could not start Xvnc on any display from :61 to :69"
export DISPLAY=:$n
xrandr --setmonitor LEFT 1280/338x800/211+0+0 VNC-0 >/dev/null
xrandr --setmonitor RIGHT 1024/270x768/203+1280+0 none >/dev/null
xrandr --listmonitors | grep "^Monitors: 2" >/dev/null || fail "the X server does not report two monitors"
trayer >"$work/trayer.log" 2>&1 &
trayer=$!
wait_until $(($(now_ms) + 5000)) xdotool search --class trayer >/dev/null 2>&1 || fail "trayer did not start"
note "display $DISPLAY with monitors 1280x800+0+0 and 1024x768+1280+0, trayer running"

# --- one run's private folders, calendar and stand-in xdg-open ---
prepare() {
    dir=$work/$1
    mkdir -p "$dir/config/tolvar" "$dir/data/calendars/work/meetings" "$dir/data/tolvar" "$dir/bin" "$dir/home" \
        "$dir/runtime"
    chmod 700 "$dir/runtime"
    cat >"$dir/bin/xdg-open" <<SCRIPT
#!/bin/sh
# Stands in for the desktop's opener: records what the program asked it to open.
printf '%s\n' "\$1" >>"$dir/opened.txt"
SCRIPT
    chmod +x "$dir/bin/xdg-open"

    local uid="standup-$1@tolvar.test" stamp="+%Y%m%dT%H%M%SZ"
    start=$(($(date +%s) + lead_in))
    cat >"$dir/data/calendars/work/meetings/standup.ics" <<ICS
BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Tolvar end-to-end test//EN
BEGIN:VEVENT
UID:$uid
DTSTAMP:$(date -u -d @$((start - lead_in)) $stamp)
DTSTART:$(date -u -d @$start $stamp)
DTEND:$(date -u -d @$((start + 1800)) $stamp)
SUMMARY:Team standup
URL:$link
END:VEVENT
END:VCALENDAR
ICS
    echo '{ "selectedCalendarIDs": ["work/meetings"], "onboardingCompleted": true }' \
        >"$dir/config/tolvar/defaults.json"
    echo '{ "events": "granted", "reminders": "granted" }' >"$dir/data/tolvar/calendar-access.json"
    meeting_id=$(printf 'event:%s:%s' "$uid" "$start" | sha256sum | cut -d' ' -f1)
    due_ms=$(((start - lead) * 1000))
}

launch() {
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP \
        HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache" \
        XDG_RUNTIME_DIR="$dir/runtime" PATH="$dir/bin:$PATH" \
        "$tolvar" >"$dir/tolvar.log" 2>&1 &
    app=$!
}

# "x y width height" of every window of the program that is on screen.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
        xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
            /Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print x, y, w, h }'
    done
}
# A window of its own placed exactly on the monitor at x y width height.
# (Whole pipelines read to the end: an early exit would fail them under pipefail.)
window_on() { windows | grep -x "$1 $2 $3 $4" >/dev/null; }
reminder_up() { window_on 0 0 1280 800 && window_on 1280 0 1024 768; }
reminder_gone() { ! window_on 0 0 1280 800 && ! window_on 1280 0 1024 768; }
app_ended() { ! kill -0 "$app" 2>/dev/null; }
tray_icon() { windows | awk '!found && $3 <= 64 && $4 <= 64 { print; found = 1 } END { exit !found }'; }

# The meeting's reminder state, as JSON, from the program's device file in the shared folder.
stored_state() {
    local file
    for file in "$dir"/data/tolvar/cloud/*.json; do
        [ -f "$file" ] || continue
        grep -A4 '"tolvar.reminderStates.v1"' "$file" | sed -n 's/.*"value": *"\([A-Za-z0-9+/=]*\)".*/\1/p' |
            base64 -d 2>/dev/null | tr '}' '\n' | grep -F "\"stableMeetingID\":\"$meeting_id\"" || true
    done
}
state_has() { stored_state | grep "\"$1\":" >/dev/null; }
state_field() { stored_state | sed -n "s/.*\"$1\":\([-+.0-9eE]*\).*/\1/p" | awk 'NR == 1'; }

# Waits for the tray icon, checks that no reminder shows before its time, then for the reminder on both
# monitors within 1.5 s of the due moment.
expect_reminder_at() {
    local due=$1 what=$2
    sleep_until $((due - 1000))
    reminder_gone || fail "$what: the reminder showed more than a second before it was due"
    wait_until $((due + 1500)) reminder_up || fail "$what: no reminder on both monitors within 1.5 s of $due"
    local late=$(($(now_ms) - due))
    [ $late -ge -100 ] || fail "$what: the reminder came ${late} ms before it was due"
    note "$what: reminder on both monitors ${late} ms after the due moment"
}

start_and_check_tray() {
    launch
    wait_until $(($(now_ms) + 8000)) tray_icon >/dev/null || fail "$1: no tray icon came on screen"
    ! grep -q "no system tray" "$dir/tolvar.log" || fail "$1: the program found no tray"
    [ -s "$dir/data/tolvar/cloud/identity" ] || fail "$1: the shared folder was not made with its token"
    note "$1: tray icon at $(tray_icon)"
}

# Right-click on the tray icon, then the menu's one item, Quit, from the keyboard; a clean exit.
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
    note "$1: quit from the tray menu"
}

# --- run 1: Return joins ---
prepare join
start_and_check_tray join
expect_reminder_at $due_ms join
sleep 0.3 # as a person would: the focus starts on "Join now"
xdotool key Return
wait_until $(($(now_ms) + 3000)) reminder_gone || fail "join: the reminder windows did not close"
wait_until $(($(now_ms) + 5000)) test -s "$dir/opened.txt" || fail "join: the stand-in xdg-open was not called"
sleep 0.5
[ "$(cat "$dir/opened.txt")" = "$link" ] || fail "join: opened '$(cat "$dir/opened.txt")', not $link, once"
wait_until $(($(now_ms) + 5000)) state_has dismissedAt || fail "join: no dismissed state in the shared folder"
note "join: link opened; stored state $(stored_state)"
quit_from_tray join

# --- run 2: the arrows and Return snooze for a minute, and the reminder comes back ---
prepare snooze
start_and_check_tray snooze
expect_reminder_at $due_ms snooze
sleep 0.3
# Focus order: snooze 1m, 3m, 5m, Dismiss, Join now (focused first).
xdotool key --delay 150 Left Left Left Left
sleep 0.2
xdotool key Return
wait_until $(($(now_ms) + 3000)) reminder_gone || fail "snooze: the reminder windows did not close"
wait_until $(($(now_ms) + 5000)) state_has snoozedUntil || fail "snooze: no snoozed state in the shared folder"
length=$(awk -v until="$(state_field snoozedUntil)" -v at="$(state_field updatedAt)" 'BEGIN { print until - at }')
awk -v s="$length" 'BEGIN { exit !(s > 59.9 && s < 60.1) }' || fail "snooze: snoozed for $length s, not 60"
[ ! -e "$dir/opened.txt" ] || fail "snooze: a link was opened"
note "snooze: snoozed for $length s; waiting for the reminder to come back"
snooze_end_ms=$(awk -v until="$(state_field snoozedUntil)" 'BEGIN { printf "%.0f", (until + 978307200) * 1000 }')
expect_reminder_at "$snooze_end_ms" "snooze, again"
xdotool key Escape
wait_until $(($(now_ms) + 3000)) reminder_gone || fail "snooze: Escape did not close the returned reminder"
wait_until $(($(now_ms) + 5000)) state_has dismissedAt || fail "snooze: Escape stored no dismissed state"
quit_from_tray snooze

echo "PASS"

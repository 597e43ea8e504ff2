#!/usr/bin/env bash
# The reminder takes the keyboard focus under a window manager. First a harness on an X server of its
# own, where a window manager holds the focus and moves it again just as the reminder opens; then the
# real tolvar program started right after openbox, on two monitors with a tray, while no window has the
# focus: the reminder takes it, and Escape, pressed as a person would, dismisses the meeting.
# Usage: reminder_focus_x11.sh <reminder_focus_x11_tests> <tolvar executable>
set -euo pipefail
# shellcheck source=../../support/x11-session.sh
. "${BASH_SOURCE%/*}/../../support/x11-session.sh"

[ $# -eq 2 ] && [ -x "$1" ] || fail "usage: $0 <reminder_focus_x11_tests> <tolvar executable>"
harness=$(realpath "$1")
take_program "<tolvar executable>" "$2"
require_tools Xvnc xrandr openbox trayer xdotool xwininfo xdpyinfo xprop base64
begin_session

start_two_monitor_xvnc 201 209

# --- the harness, with the window manager's focus change played by the test ---
log=$work/harness.log
env QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: "$harness" >"$log" 2>&1 || { tail -30 "$log"; fail "the harness failed"; }
grep -q '^\[  PASSED  \] 1 test' "$log" || { tail -20 "$log"; fail "the harness ran no test"; }
note "harness: the reminder took the focus from the window manager"

# --- the real program under openbox ---
start_window_manager
start_tray
dir=$work/run
make_private_folders "$dir"
install_stand_in_opener "$dir"
set_up_as_used "$dir"
start=$(($(date +%s) + 25))
calendar_event "review@tolvar.test" "$(utc_stamp $start)" "$(utc_stamp $((start + 1800)))" "Design review" \
    "URL:https://meet.example.com/review" | write_calendar "$dir/data/calendars/work/meetings/review.ics" focus

focused_window() { xdotool getwindowfocus 2>/dev/null || echo none; }
program_has_focus() { xdotool search --pid "$app" 2>/dev/null | grep -qx "$(focused_window)"; }
dismissed() {
    local file
    for file in "$dir"/data/tolvar/cloud/*.json; do
        [ -f "$file" ] || continue
        sed -n 's/.*"value": *"\([A-Za-z0-9+/=]*\)".*/\1/p' "$file" | while read -r value; do
            base64 -d <<<"$value" 2>/dev/null || true
        done
    done | grep -q '"dismissedAt":'
}

launch "$dir"
expect_tray_icon 10000 "start"
! program_has_focus || fail "a window of the program had the focus before the reminder came"
note "before the reminder the focus is on window $(focused_window), not the program's"

wait_until $(((start - 10) * 1000 + patience_ms)) reminder_up || fail "no reminder on both monitors"
wait_for 2000 program_has_focus ||
    fail "the reminder is up, but the keyboard focus stays on window $(focused_window), not one of the program's"
note "the reminder holds the keyboard focus (window $(focused_window))"

xdotool key Escape
wait_for 3000 reminder_gone || fail "Escape did not dismiss the reminder"
wait_for 5000 dismissed || fail "Escape stored no dismissed state"
[ ! -e "$dir/opened.txt" ] || fail "Escape opened a link"
note "Escape dismissed the reminder"
echo "PASS"

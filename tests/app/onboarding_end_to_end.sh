#!/usr/bin/env bash
# The first launch of the real tolvar program with an empty settings file: the onboarding opens by
# itself, access is given, a calendar ticked and a test reminder made from the keyboard; the reminder
# comes on both monitors, Finish stores the choice, and the next launch opens no onboarding.
# Usage: onboarding_end_to_end.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr trayer xdotool xwininfo xdpyinfo

lead=10      # the default reminder lead time
test_in=30   # a test meeting starts this long after it is made
begin_session
dir=$work

start_two_monitor_xvnc 71 79
start_tray
note "display $DISPLAY with two monitors and a tray"

# --- private folders: one calendar, no access given yet, an empty settings file ---
make_private_folders "$dir"
printf 'Team meetings' >"$dir/data/calendars/work/meetings/displayname"
calendar_event review@tolvar.test 20300101T090000Z 20300101T100000Z "Quarterly review" |
    write_calendar "$dir/data/calendars/work/meetings/review.ics" onboarding
echo '{}' >"$dir/config/tolvar/defaults.json"
settings=$dir/config/tolvar/defaults.json

onboarding() { xdotool search --all --onlyvisible --pid "$app" --name '^Set Up Tolvar$' 2>/dev/null | head -1; }
onboarding_up() { [ -n "$(onboarding)" ]; }
# Gives the onboarding window the keyboard, as a click on it would.
focus_onboarding() {
    xdotool windowfocus --sync "$(onboarding)"
    sleep 0.3
}
settings_have() { tr -d ' \n' <"$settings" | grep -F "$1" >/dev/null; }

# --- first launch: the onboarding opens by itself ---
started=$(now_ms)
launch "$dir"
wait_until $((started + patience_ms)) onboarding_up || fail "no onboarding window after the start"
opened=$(($(now_ms) - started))
expect_tray_icon 8000 "first launch"
read -r ox oy ow oh < <(window_geometry "$(onboarding)")
[ "$ow $oh" = "680 760" ] || fail "the onboarding window is ${ow}x$oh, not 680x760"
note "onboarding window ${ow}x$oh at $ox,$oy, $opened ms after the launch (the program waits 350 ms of it)"

# --- step one: access, then the calendar; the focus starts on "Request Calendar Access" ---
focus_onboarding
xdotool key space
wait_for 5000 grep -q '"events"' "$dir/data/tolvar/calendar-access.json" 2>/dev/null ||
    fail "Request Calendar Access gave no access"
sleep 0.5
xdotool key Tab space
wait_for 5000 settings_have '"selectedCalendarIDs":["work/meetings"]' ||
    fail "ticking the calendar stored no selection: $(cat "$settings")"
note "access given and the calendar work/meetings ticked"

# --- step two: the test reminder, on both monitors when its lead time comes ---
xdotool key Tab space
made=$(now_ms)
due=$((made + (test_in - lead) * 1000))
sleep $((test_in - lead - 2))
reminder_gone || [ "$(now_ms)" -ge "$due" ] || fail "the test reminder showed before it was due"
wait_until $((due + patience_ms)) reminder_up || fail "no test reminder on both monitors after its due time"
note "test reminder on both monitors $(($(now_ms) - made)) ms after it was made (due after $(((due - made))) ms)"
xdotool key Escape
wait_for 3000 reminder_gone || fail "Escape did not close the test reminder"

# --- Finish: Return is the window's default action ---
focus_onboarding
xdotool key Return
wait_for 3000 eval '! onboarding_up' || fail "Finish did not close the onboarding"
wait_for 3000 settings_have '"onboardingCompleted":true' ||
    fail "Finish did not store onboardingCompleted: $(cat "$settings")"
settings_have '"selectedCalendarIDs":["work/meetings"]' || fail "the calendar choice is gone: $(cat "$settings")"
note "Finish stored $(tr -d ' \n' <"$settings" | grep -o '"onboardingCompleted":true') and the calendar"
quit_from_tray "first launch"

# --- the next launch opens no onboarding ---
launch "$dir"
expect_tray_icon 8000 restart
sleep 2
! onboarding_up || fail "the onboarding opened again after Finish"
note "restart: no onboarding"
quit_from_tray restart

echo "PASS"

#!/usr/bin/env bash
# The real tolvar program, end to end: an X server of its own with two monitors and a tray, private XDG
# folders holding one calendar whose meeting falls due a few seconds after start-up, and the reminder
# answered from the keyboard. The first run joins with Return; the second snoozes for a minute and
# waits for the reminder to come back. Both quit through the tray menu. The third dismisses with Escape
# and is ended at once by SIGTERM, as a logout does, while the reminder's windows still close. The fourth
# dismisses on an X server of its own, which then ends as a crashed or restarted session's does; the fifth
# snoozes there with Return, and the X server ends while the button's press still animates.
# Usage: end_to_end.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr trayer xdotool xwininfo xdpyinfo base64 sha256sum

lead=10     # the default reminder lead time
lead_in=15  # from writing the calendar to the meeting's start
link=https://meet.example.com/standup-join
begin_session

start_two_monitor_xvnc 61 69
start_tray
note "display $DISPLAY with monitors 1280x800+0+0 and 1024x768+1280+0, trayer running"

# --- one run's private folders, calendar and stand-in xdg-open ---
prepare() {
    dir=$work/$1
    make_private_folders "$dir"
    install_stand_in_opener "$dir"
    set_up_as_used "$dir"
    local uid="standup-$1@tolvar.test"
    start=$(($(date +%s) + lead_in))
    calendar_event "$uid" "$(utc_stamp $start)" "$(utc_stamp $((start + 1800)))" "Team standup" "URL:$link" |
        write_calendar "$dir/data/calendars/work/meetings/standup.ics" end-to-end
    meeting_id=$(printf 'event:%s:%s' "$uid" "$start" | sha256sum | cut -d' ' -f1)
    due_ms=$(((start - lead) * 1000))
}

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
# monitors, and notes how late it came: how soon it comes is no outcome a busy machine may decide.
expect_reminder_at() {
    local due=$1 what=$2
    sleep_until $((due - 1000))
    # A check slowed past the due moment by a busy machine says nothing of an early reminder.
    reminder_gone || [ "$(now_ms)" -ge "$due" ] || fail "$what: the reminder showed more than a second before it was due"
    wait_until $((due + patience_ms)) reminder_up || fail "$what: no reminder on both monitors after $due"
    local late=$(($(now_ms) - due))
    [ $late -ge -100 ] || fail "$what: the reminder came ${late} ms before it was due"
    note "$what: reminder on both monitors ${late} ms after the due moment"
}

start_and_check_tray() {
    launch "$dir"
    expect_tray_icon 8000 "$1"
    ! grep -q "no system tray" "$dir/tolvar.log" || fail "$1: the program found no tray"
    [ -s "$dir/data/tolvar/cloud/identity" ] || fail "$1: the shared folder was not made with its token"
    note "$1: tray icon at $(tray_icon)"
}

quit_and_note() {
    quit_from_tray "$1"
    note "$1: quit from the tray menu"
}

# --- run 1: Return joins ---
prepare join
start_and_check_tray join
expect_reminder_at $due_ms join
sleep 0.3 # as a person would: the focus starts on "Join now"
xdotool key Return
wait_for 3000 reminder_gone || fail "join: the reminder windows did not close"
wait_for 5000 test -s "$dir/opened.txt" || fail "join: the stand-in xdg-open was not called"
sleep 0.5
[ "$(cat "$dir/opened.txt")" = "$link" ] || fail "join: opened '$(cat "$dir/opened.txt")', not $link, once"
wait_for 5000 state_has dismissedAt || fail "join: no dismissed state in the shared folder"
note "join: link opened; stored state $(stored_state)"
quit_and_note join

# --- run 2: the arrows and Return snooze for a minute, and the reminder comes back ---
prepare snooze
start_and_check_tray snooze
expect_reminder_at $due_ms snooze
sleep 0.3
# Focus order: snooze 1m, 3m, 5m, Dismiss, Join now (focused first).
xdotool key --delay 150 Left Left Left Left
sleep 0.2
xdotool key Return
wait_for 3000 reminder_gone || fail "snooze: the reminder windows did not close"
wait_for 5000 state_has snoozedUntil || fail "snooze: no snoozed state in the shared folder"
length=$(awk -v until="$(state_field snoozedUntil)" -v at="$(state_field updatedAt)" 'BEGIN { print until - at }')
awk -v s="$length" 'BEGIN { exit !(s > 59.9 && s < 60.1) }' || fail "snooze: snoozed for $length s, not 60"
[ ! -e "$dir/opened.txt" ] || fail "snooze: a link was opened"
note "snooze: snoozed for $length s; waiting for the reminder to come back"
snooze_end_ms=$(awk -v until="$(state_field snoozedUntil)" 'BEGIN { printf "%.0f", (until + 978307200) * 1000 }')
expect_reminder_at "$snooze_end_ms" "snooze, again"
xdotool key Escape
wait_for 3000 reminder_gone || fail "snooze: Escape did not close the returned reminder"
wait_for 5000 state_has dismissedAt || fail "snooze: Escape stored no dismissed state"
quit_and_note snooze

# --- run 3: Escape, then a logout's SIGTERM before the answer was handed over ---
prepare logout
start_and_check_tray logout
expect_reminder_at $due_ms logout
sleep 0.3
xdotool key Escape
wait_for 3000 reminder_gone || fail "logout: Escape did not close the reminder"
kill -TERM "$app"
expect_clean_exit "logout: SIGTERM"
state_has dismissedAt || fail "logout: the dismissal given before SIGTERM is not in the device file"
note "logout: stored state $(stored_state)"

# Kills the run's X server as a crash would, and expects the program to end with status 1. The server's lock and
# socket are removed: left, they would hold its display number in later runs.
end_x_server() {
    local status=0
    kill -KILL "$(tr -d ' \n' <"/tmp/.X${DISPLAY#:}-lock")"
    wait_for 10000 app_ended || fail "$1: the program outlived its X server"
    rm -f "/tmp/.X${DISPLAY#:}-lock" "/tmp/.X11-unix/X${DISPLAY#:}"
    wait "$app" || status=$?
    app=""
    [ $status -eq 1 ] || fail "$1: the program exited with status $status"
}

# --- run 4: Escape, then the X server ends before the answer was handed over ---
prepare display-lost
start_xvfb 70 79
launch "$dir"
wait_until $((due_ms + patience_ms)) window_on 0 0 1280 800 || fail "display lost: no reminder"
sleep 0.3
xdotool key Escape
wait_for 3000 eval '! window_on 0 0 1280 800' || fail "display lost: Escape did not close the reminder"
end_x_server "display lost"
state_has dismissedAt || fail "display lost: the dismissal given before the X server ended is not in the device file"
grep -q "lost its X11 display" "$dir/tolvar.log" || fail "display lost: it did not say why it ended"
note "display lost: stored state $(stored_state)"

# --- run 5: Return snoozes, and the X server ends at once, the button's press still animating ---
# Whether the key reached the program before its X server ended is the machine's to decide: only the end is checked.
prepare display-lost-pressing
start_xvfb 80 89
launch "$dir"
wait_until $((due_ms + patience_ms)) window_on 0 0 1280 800 || fail "display lost pressing: no reminder"
sleep 0.3
xdotool key Left Left Left Left Return
end_x_server "display lost pressing"
note "display lost pressing: stored state $(stored_state)"

echo "PASS"

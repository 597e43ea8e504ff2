#!/usr/bin/env bash
# The real tolvar program beside a calendar file that a sync tool rewrites every 10 ms without pause: a
# meeting added to another file meanwhile must still be reminded on time, as each change may wait only so
# long for the others to settle.
# Usage: churning_calendar_end_to_end.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr trayer xdotool xwininfo xdpyinfo

lead=10    # the default reminder lead time
lead_in=18 # from adding the meeting to its start: its reminder is due 8 s after it is written
begin_session

start_two_monitor_xvnc 221 229
start_tray
note "display $DISPLAY with two monitors, trayer running"

dir=$work/run
make_private_folders "$dir"
install_stand_in_opener "$dir"
set_up_as_used "$dir"

# A far-off meeting in a file rewritten every 10 ms, each time with a new sequence number.
churn() {
    local n=0 later=$(($(date +%s) + 86400))
    while :; do
        n=$((n + 1))
        calendar_event "churn@tolvar.test" "$(utc_stamp $later)" "$(utc_stamp $((later + 1800)))" "Synced" \
            "SEQUENCE:$n" | write_calendar "$dir/data/calendars/work/meetings/churn.ics.tmp" churning
        mv -f "$dir/data/calendars/work/meetings/churn.ics.tmp" "$dir/data/calendars/work/meetings/churn.ics"
        sleep 0.01
    done
}
churn &
track_helper $!
wait_for 5000 test -s "$dir/data/calendars/work/meetings/churn.ics" || fail "the churning file was not written"

launch "$dir"
expect_tray_icon 8000 churn
note "tray icon at $(tray_icon); the other file is being rewritten every 10 ms"
sleep 3

start=$(($(date +%s) + lead_in))
calendar_event "added@tolvar.test" "$(utc_stamp $start)" "$(utc_stamp $((start + 1800)))" "Added meeting" \
    "URL:https://meet.example.com/added" | write_calendar "$dir/added.ics" churning
mv "$dir/added.ics" "$dir/data/calendars/work/meetings/added.ics"
due_ms=$(((start - lead) * 1000))
note "meeting added; its reminder is due in $(((due_ms - $(now_ms)) / 1000)) s"

wait_until $((due_ms + patience_ms)) reminder_up || fail "no reminder on both monitors after the due moment"
late=$(($(now_ms) - due_ms))
[ $late -ge -1000 ] || fail "the reminder came ${late} ms before it was due"
note "reminder on both monitors ${late} ms after the due moment"
xdotool key Escape
wait_for 3000 reminder_gone || fail "Escape did not close the reminder"
quit_from_tray churn

echo "PASS"

#!/usr/bin/env bash
# The real tolvar program beside calendar files that take seconds to read: a meeting in another file falls due
# a few seconds after start-up and is reminded on time while they are still read, and quitting then does not
# wait for that read.
# Usage: [TOLVAR_SLOW_CALENDAR_BYTES=<size of each large file>] slow_calendar_end_to_end.sh <tolvar executable>
# The default size is seconds of work for a sanitized debug build; a release build needs some 100 MB.
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr trayer xdotool xwininfo xdpyinfo python3

lead=10    # the default reminder lead time
lead_in=14 # from writing the calendar to the meeting's start
begin_session

start_two_monitor_xvnc 61 69
start_tray
note "display $DISPLAY with monitors 1280x800+0+0 and 1024x768+1280+0, trayer running"

dir=$work/slow
make_private_folders "$dir"
install_stand_in_opener "$dir"
set_up_as_used "$dir"
# Two calendars of last year's plain events, 30 MB each: under the size that is always read, and seconds of work.
for name in archive history; do
    python3 - "$dir/data/calendars/work/$name/big.ics" "${TOLVAR_SLOW_CALENDAR_BYTES:-30000000}" <<'PY'
import os, sys
os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)
with open(sys.argv[1], "w", newline="") as f:
    f.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tolvar slow-file test//EN\r\n")
    i = 0
    while f.tell() < int(sys.argv[2]):
        f.write(f"BEGIN:VEVENT\r\nUID:old-{i}\r\nSUMMARY:Old meeting {i}\r\nDTSTART:20250301T100000Z\r\n"
                "DURATION:PT30M\r\nDESCRIPTION:Notes of a meeting long past that fill a line\r\nEND:VEVENT\r\n")
        i += 1
    f.write("END:VCALENDAR\r\n")
PY
done
start=$(($(date +%s) + lead_in))
calendar_event "standup-slow@tolvar.test" "$(utc_stamp $start)" "$(utc_stamp $((start + 1800)))" "Team standup" \
    "URL:https://meet.example.com/standup-join" | write_calendar "$dir/data/calendars/work/meetings/standup.ics" slow
due_ms=$(((start - lead) * 1000))

launch "$dir"
expect_tray_icon 8000 slow
note "slow: tray icon at $(tray_icon)"
sleep_until $((due_ms - 1000))
reminder_gone || [ "$(now_ms)" -ge "$due_ms" ] || fail "slow: the reminder showed more than a second before it was due"
wait_until $((due_ms + patience_ms)) reminder_up || fail "slow: no reminder on both monitors after its due moment"
note "slow: reminder on both monitors $(($(now_ms) - due_ms)) ms after the due moment"
xdotool key Escape
wait_for 3000 reminder_gone || fail "slow: Escape did not close the reminder"

# The files are still read: CPU time goes on while the program has nothing else to do.
cpu_time() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
before=$(cpu_time)
sleep 0.5
[ "$(cpu_time)" -gt "$before" ] || fail "slow: the files were read already: this run shows nothing"
quit_at=$(now_ms)
quit_from_tray slow
note "slow: quit during the read took $(($(now_ms) - quit_at)) ms, with the tray menu"
echo "PASS"

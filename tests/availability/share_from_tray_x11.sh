#!/usr/bin/env bash
# The real tolvar program with a tray: its panel's Share opens the availability panel beside the panel;
# two free chips, a busy one and Copy put exactly the free ones on the clipboard; Escape closes the
# availability panel; Share while it is open closes it; Quit with it open ends the program cleanly.
# The chip and button positions are the card's layout with the DejaVu fonts the install script brings;
# a click that misses shows up as a wrong clipboard, never as a pass.
# Usage: share_from_tray_x11.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"
# shellcheck source=last-day-message.sh
. "${BASH_SOURCE%/*}/last-day-message.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvfb trayer xdotool xwininfo xdpyinfo xclip
begin_session

# --- a 1280x800 display with a tray ---
start_xvfb 181 189
start_tray

# --- private folders: one calendar with a meeting at 15:00 UTC every day from tomorrow on, so that
# the last day of the program's week holds it even when the run crosses midnight UTC ---
make_private_folders "$work"
set_up_as_used "$work"
first=$(date -u -d '+1 day' +%Y%m%d)
calendar_event review@tolvar.test "${first}T150000Z" "${first}T153000Z" "Design review" "LOCATION:Room 4" \
    "RRULE:FREQ=DAILY;COUNT=8" | write_calendar "$work/data/calendars/work/meetings/review.ics" availability
launch "$work" TZ=UTC LANG=en_GB.UTF-8 LC_ALL=

# The tray panel: the program's window 360 wide.
tray_panel() { window_of_width 360; }
share_panel() { window_titled "Share free time"; }
share_gone() { ! share_panel >/dev/null; }
click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.25
}
open_tray_panel() {
    click_tray_icon 1
    sleep 0.25
    wait_for 3000 tray_panel >/dev/null || fail "a click on the tray icon did not open the panel"
}
# Share: the second button of the footer, 16 in and 14 up from the panel's corner.
click_share() {
    local x y w h
    read -r x y w h < <(tray_panel)
    click $((x + 16 + 50 + 8 + 25)) $((y + h - 14 - 19))
}

expect_tray_icon 10000 launch
sleep 1 # the first refresh reads the calendar

# --- Share opens the availability panel beside the tray panel ---
open_tray_panel
read -r tx ty tw th < <(tray_panel)
click_share
wait_for 3000 share_panel >/dev/null || fail "Share did not open the availability panel"
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
# The program's week starts on its own day, which it reads whenever it lists the slots: the day of these
# clicks, or, should the run cross midnight UTC meanwhile, the day of the copy.
day_before=$(date -u +%F)
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
day_after=$(date -u +%F)

message_for_week_of() { last_day_message "$(date -u -d "$1 +6 days" +%F)"; }
expected=$(message_for_week_of "$day_before")
if [ "$day_after" != "$day_before" ] && probe_for 3000 clipboard_holds "$(message_for_week_of "$day_after")"; then
    expected=$(message_for_week_of "$day_after")
fi
expect_clipboard "$expected"
note "Copy put the two free slots on the clipboard, and not the busy one"

# --- Escape closes it ---
xdotool key Escape
wait_for 3000 share_gone || fail "Escape did not close the availability panel"
note "Escape closed the availability panel"

# --- Share while it is open closes it ---
sleep 0.5
open_tray_panel
click_share
wait_for 3000 share_panel >/dev/null || fail "Share did not open the availability panel again"
sleep 0.5
open_tray_panel
click_share
wait_for 3000 share_gone || fail "Share did not close the open availability panel"
note "Share closed the open availability panel"

# --- Quit from the tray menu while the availability panel is open: a clean exit ---
tray_panel >/dev/null || open_tray_panel
click_share
wait_for 3000 share_panel >/dev/null || fail "Share did not open the availability panel for the quit"
quit_from_tray "Quit with the availability panel open"
note "Quit with the availability panel open ended the program cleanly"
echo "PASS"

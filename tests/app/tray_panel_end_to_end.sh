#!/usr/bin/env bash
# The real tolvar program's tray panel with a day of twenty meetings, taller than either monitor, on
# each of two monitors (1024x768 and 1280x800) under openbox with trayer: the panel stays inside the
# monitor's usable area when the meetings arrive after it opened and when the day changes, its list
# scrolls down to the last meeting and the footer, the detail card follows the row that the list scrolls
# under a pointer at rest, and the footer's Settings and Quit work.
# Usage: tray_panel_end_to_end.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr openbox trayer xdotool xwininfo xdpyinfo xprop
begin_session

start_two_monitor_xvnc 71 79
start_window_manager

# --- a time zone in which it is about nine in the morning, and twenty meetings from ten ---
tz=$(morning_zone)
dir=$work
make_private_folders "$dir"
install_stand_in_opener "$dir"
set_up_as_used "$dir"
meetings=20
for n in $(seq 1 $meetings); do
    start=$(TZ=$tz date -d "today 10:00 $((20 * (n - 1))) minutes" +%s)
    calendar_event "day-$n@tolvar.test" "$(utc_stamp "$start")" "$(utc_stamp $((start + 1200)))" "Meeting $n" \
        "URL:https://meet.example.com/day-$n" "LOCATION:Room $n"
done | write_calendar "$dir/data/calendars/work/meetings/day.ics" tray-panel
note "display $DISPLAY; local time $(TZ=$tz date +%H:%M) in $tz; $meetings meetings from 10:00"

panel() { window_of_width 360; }
no_panel() { ! panel >/dev/null; }
settings_window() { window_titled "Tolvar Settings"; }
opened() { [ -f "$dir/opened.txt" ] && cat "$dir/opened.txt"; }
monitor_area() { if [ "$1" -eq 0 ]; then echo 0 0 1280 800; else echo 1280 0 1024 768; fi; }
on_monitor() { # x y w h of a window, then the monitor's x y w h
    [ "$1" -ge "$5" ] && [ "$2" -ge "$6" ] && [ $(($1 + $3)) -le $(($5 + $7)) ] && [ $(($2 + $4)) -le $(($6 + $8)) ]
}
icon_on_monitor() {
    local x y w h
    read -r x y w h < <(tray_icon) || return 1
    on_monitor $x $y $w $h $(monitor_area "$1")
}
# The panel as it stands once it has stopped changing.
settled_panel() {
    local last="" now
    for _ in $(seq 20); do
        now=$(panel) || return 1
        [ "$now" = "$last" ] && {
            echo "$now"
            return
        }
        last=$now
        sleep 0.25
    done
    echo "$now"
}
open_panel() {
    sleep 0.6 # a click just after the panel went away is the one that took it away
    click_tray_icon 1
    wait_for 5000 panel >/dev/null || fail "monitor $monitor: a click on the tray icon opened no panel"
    read -r px py pw ph < <(settled_panel)
    on_monitor $px $py $pw $ph $(monitor_area $monitor) ||
        fail "monitor $monitor: the tray panel at $px $py ${pw}x$ph leaves the monitor $(monitor_area $monitor)"
}
# The wheel over the list, down to its end: the footer stands at the panel's bottom.
scroll_to_end() {
    xdotool mousemove $((px + 120)) $((py + ph / 2)) click --repeat 40 --delay 20 5
    sleep 0.3
}
# A footer button, counted from the right (Quit is 1, Settings 2), 16 in and 14 up from the corner.
click_footer() {
    xdotool mousemove $((px + pw - 16 - 25 - (50 + 8) * ($1 - 1))) $((py + ph - 14 - 19)) click 1
}

for monitor in 1 0; do
    read -r mx my mw mh < <(monitor_area $monitor)
    start_tray --edge top --align right --monitor $monitor
    launch "$dir" TZ=$tz
    expect_tray_icon 8000 "monitor $monitor: launch"
    wait_for 8000 icon_on_monitor $monitor || fail "the tray icon did not come on monitor $monitor"
    sleep 0.5 # the icon is on screen a moment before it takes clicks
    open_panel
    read -r ix iy iw ih < <(tray_icon)
    note "monitor $monitor: the tray panel with $meetings meetings at $px $py, ${pw}x$ph; the icon at $ix $iy ${iw}x$ih"
    [ $py -ge $((iy + ih)) ] || fail "monitor $monitor: the panel at $py covers the icon"
    [ $((py + ph)) -eq $((my + mh)) ] && [ $py -le $((iy + ih + 8)) ] ||
        fail "monitor $monitor: the panel at $py, $ph high, does not reach from the icon to the monitor's bottom"

    # Another day and back: the panel fits each, inside the monitor.
    sleep 0.3
    xdotool key Right
    wait_for 3000 eval '[ "$(settled_panel | cut -d" " -f4)" -lt $ph ]' ||
        fail "monitor $monitor: tomorrow's empty day left the panel $(panel)"
    xdotool key Left
    wait_for 3000 eval '[ "$(settled_panel)" = "$px $py $pw $ph" ]' ||
        fail "monitor $monitor: back on today the panel is at $(panel), not $px $py ${pw}x$ph"

    expect_card_follows_the_pointer_at_rest "monitor $monitor" $((px + 120)) $((py + ph / 2)) $meetings

    # The last meeting stands just above the footer once the list is scrolled to its end.
    scroll_to_end
    xdotool mousemove $((px + 120)) $((py + ph - 14 - 38 - 14 - 20)) click 1
    wait_for 3000 eval 'opened | grep -x "https://meet.example.com/day-$meetings" >/dev/null' ||
        fail "monitor $monitor: a click above the footer opened '$(opened | tail -1)', not the last meeting"
    note "monitor $monitor: the last meeting was in reach and joined"

    panel >/dev/null || open_panel
    scroll_to_end
    click_footer 2
    wait_for 5000 settings_window >/dev/null || fail "monitor $monitor: Settings in the footer opened no settings"
    note "monitor $monitor: Settings in the footer opened the settings window at $(settings_window)"

    panel >/dev/null || open_panel
    scroll_to_end
    click_footer 1
    expect_clean_exit "monitor $monitor: Quit in the tray panel's footer"
    note "monitor $monitor: Quit in the footer ended the program cleanly"
    kill "$tray_pid"
    wait "$tray_pid" 2>/dev/null || true
done

echo "PASS"

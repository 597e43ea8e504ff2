#!/usr/bin/env bash
# The real tolvar program's tray panel and Quick Panel, end to end: an X server of its own with two
# monitors, a window manager (openbox) and a tray, private XDG folders holding two meetings later today
# and a day of more meetings tomorrow than a monitor's height holds, and the panels driven with the
# mouse and the keyboard through xdotool.
# Usage: panel_end_to_end.sh <tolvar executable>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

take_program "<tolvar executable>" "$@"
require_tools Xvnc xrandr openbox trayer xdotool xwininfo xdpyinfo xprop xmessage
begin_session

# --- the display: two monitors side by side on one X screen, a window manager, and a tray at the top ---
start_two_monitor_xvnc 71 79
start_window_manager
start_tray --edge top --align right

# --- a time zone in which it is about nine in the morning, and two meetings later today ---
tz=$(morning_zone)
dir=$work
make_private_folders "$dir"
install_stand_in_opener "$dir"
set_up_as_used "$dir"
event() { # uid, local start hour, title, link
    local start
    start=$(TZ=$tz date -d "today $2:00" +%s)
    calendar_event "$1@tolvar.test" "$(utc_stamp $start)" "$(utc_stamp $((start + 1800)))" "$3" "URL:$4"
}
long_day=16
long_event() { # number: tomorrow from eight, one every half hour
    local start
    start=$(TZ=$tz date -d "tomorrow 08:00 $((30 * $1)) minutes" +%s)
    calendar_event "long-$1@tolvar.test" "$(utc_stamp $start)" "$(utc_stamp $((start + 1200)))" "Long day $1" \
        "URL:https://meet.example.com/long-$1" "LOCATION:Room $1"
}
{
    event planning 11 "Planning" https://meet.example.com/planning
    event review 12 "Design review" https://meet.example.com/review
    for n in $(seq 1 $long_day); do long_event "$n"; done
} | write_calendar "$dir/data/calendars/work/meetings/today.ics" panel
note "display $DISPLAY, two monitors, tray at the top; local time $(TZ=$tz date +%H:%M) in $tz"

launch "$dir" TZ=$tz

# The panel: the program's one window 360 wide.
panel() { window_of_width 360; }
no_panel() { ! panel >/dev/null; }
opened() { [ -f "$dir/opened.txt" ] && cat "$dir/opened.txt"; }
on_monitor() { # x y w h of a window, then the monitor's x y w h
    [ "$1" -ge "$5" ] && [ "$2" -ge "$6" ] && [ $(($1 + $3)) -le $(($5 + $7)) ] && [ $(($2 + $4)) -le $(($6 + $8)) ]
}

expect_tray_icon 8000 launch
read -r ix iy iw ih < <(tray_icon)
note "tray icon at $ix $iy ${iw}x$ih"

# --- the tray panel: beside the icon, keyboard from the first meeting, Escape ---
click_tray_icon 1
wait_for 5000 panel >/dev/null || fail "a click on the tray icon opened no panel"
read -r px py pw ph < <(panel)
note "tray panel at $px $py ${pw}x$ph"
on_monitor $px $py $pw $ph 0 0 1280 800 || on_monitor $px $py $pw $ph 1280 0 1024 768 ||
    fail "the tray panel is not on one monitor"
[ $py -ge $((iy + ih)) ] && [ $py -le $((iy + ih + 16)) ] || fail "the tray panel is not just below the icon"
[ $px -le $((ix + iw)) ] && [ $((px + pw)) -ge $ix ] || fail "the tray panel is not beside the icon"
sleep 0.5
xdotool key Down
sleep 0.2
xdotool key Return
wait_for 5000 opened >/dev/null || fail "Down, Return joined nothing"
[ "$(opened)" = https://meet.example.com/review ] || fail "Down, Return opened '$(opened)', not the second meeting"
note "Down, Return joined the second meeting"
panel >/dev/null || fail "joining closed the tray panel"
# Hovering a meeting shows its card in a window of its own beside the panel, on the side with room.
side_panel() { window_of_width 280; }
for y in $(seq $((py + 90)) 16 $((py + ph - 60))); do
    xdotool mousemove $((px + 120)) $y
    probe_for 2000 side_panel >/dev/null && break
done
side_panel >/dev/null || fail "hovering the meetings showed no detail card"
read -r sx sy sw sh < <(side_panel)
[ $sx -eq $((px + pw + 8)) ] || [ $sx -eq $((px - 8 - 280)) ] || fail "the detail card at $sx is not beside the panel"
on_monitor $sx $sy $sw $sh 0 0 1280 800 || fail "the detail card is not on the panel's monitor"
note "detail card at $sx $sy ${sw}x$sh beside the panel"
xdotool key Escape
wait_for 3000 no_panel || fail "Escape did not close the tray panel"
wait_for 3000 eval '! side_panel >/dev/null' || fail "the detail card stayed after its panel closed"
note "Escape closed the tray panel and its detail card"

# --- the tray moved to the other monitor and back: the card stands beside the panel every time ---
monitor_area() { if [ "$1" -eq 0 ]; then echo 0 0 1280 800; else echo 1280 0 1024 768; fi; }
icon_on_monitor() { # monitor number
    local x y w h
    read -r x y w h < <(tray_icon) || return 1
    on_monitor $x $y $w $h $(monitor_area "$1")
}
# The card beside the panel (not over it), both on the monitor.
card_beside_panel() { # monitor number
    read -r px py pw ph < <(panel) || return 1
    read -r sx sy sw sh < <(side_panel) || return 1
    { [ $sx -eq $((px + pw + 8)) ] || [ $sx -eq $((px - 8 - 280)) ]; } && on_monitor $sx $sy $sw $sh $(monitor_area "$1")
}
for monitor in 1 0; do
    kill "$tray_pid"
    wait "$tray_pid" 2>/dev/null || true
    start_tray --edge top --align right --monitor $monitor
    wait_for 8000 icon_on_monitor $monitor || fail "the tray icon did not come on monitor $monitor"
    sleep 0.5 # the icon is on screen a moment before it takes clicks
    click_tray_icon 1
    wait_for 5000 panel >/dev/null || fail "monitor $monitor: a click on the tray icon opened no panel"
    read -r px py pw ph < <(panel)
    on_monitor $px $py $pw $ph $(monitor_area $monitor) || fail "the tray panel at $px $py is not on monitor $monitor"
    sleep 0.5
    xdotool key Down
    wait_for 3000 card_beside_panel $monitor ||
        fail "monitor $monitor: the card at '$(side_panel)' is not beside the panel at $px $py ${pw}x$ph"
    note "monitor $monitor: panel at $px $py, card at $(side_panel)"
    # Shown again with the meeting still selected: its card comes back with the panel.
    xdotool key Escape
    wait_for 3000 no_panel || fail "Escape did not close the tray panel"
    sleep 0.6 # a click just after the panel went away is the one that took it away
    click_tray_icon 1
    wait_for 5000 panel >/dev/null || fail "monitor $monitor: the panel did not open again"
    wait_for 3000 card_beside_panel $monitor || fail "monitor $monitor: reopened with a selection, no card beside it"
    xdotool key Escape
    wait_for 3000 no_panel || fail "Escape did not close the tray panel"
done
note "the card stood beside the panel on both monitors, and came back when the panel reopened"

# --- the Quick Panel: at the pointer on the monitor under it, closed by a second press ---
xdotool mousemove 1500 200
sleep 0.2
xdotool key ctrl+alt+m
wait_for 5000 panel >/dev/null || fail "the shortcut opened no Quick Panel"
read -r qx qy qw qh < <(panel)
note "Quick Panel at $qx $qy ${qw}x$qh"
[ $qx -eq 1500 ] || fail "the Quick Panel is not at the pointer's x"
[ $qy -eq 200 ] || [ $((qy + qh)) -eq 200 ] || fail "the Quick Panel neither hangs below nor stands above the pointer"
on_monitor $qx $qy $qw $qh 1280 0 1024 768 || fail "the Quick Panel is not on the monitor under the pointer"
# Holding a panel key lends the keyboard to our grab; the panel must not take that for a lost focus.
xdotool keydown Down
sleep 1
xdotool keyup Down
sleep 0.3
panel >/dev/null || fail "holding Down closed the Quick Panel"
xdotool key ctrl+alt+m
wait_for 3000 no_panel || fail "a second press did not close the Quick Panel"
note "the shortcut opened and closed the Quick Panel; holding Down kept it open"

# --- the Quick Panel fits each day it shows; every row of a longer day is reachable ---
xdotool mousemove 1500 200 key ctrl+alt+m
wait_for 5000 panel >/dev/null || fail "the shortcut opened no Quick Panel"
read -r qx qy qw qh < <(panel)
sleep 0.3
xdotool key Right
grown() { read -r _ _ _ h < <(panel) && [ "$h" -gt "$qh" ]; }
wait_for 3000 grown || fail "tomorrow's $long_day meetings left the Quick Panel ${qh} high"
sleep 0.3
read -r lx ly lw lh < <(panel)
note "Quick Panel $qh high on today, $lh on the long day, at $lx $ly"
[ $lh -eq $((768 - 24)) ] || fail "the long day's panel is $lh high, not the monitor's 768 less 24"
on_monitor $lx $ly $lw $lh 1280 0 1024 768 || fail "the long day's panel at $lx $ly leaves its monitor"
expect_card_follows_the_pointer_at_rest "the Quick Panel" $((lx + 120)) $((ly + lh / 2)) $long_day
# The keys walk down the whole day and the rows scroll along: the card stays level with the panel.
for n in $(seq 1 $long_day); do
    xdotool key Down
    sleep 0.15
done
wait_for 3000 side_panel >/dev/null || fail "the keys selected no meeting of the long day"
read -r sx sy sw sh < <(side_panel)
[ $((sy + sh / 2)) -ge $ly ] && [ $((sy + sh / 2)) -le $((ly + lh)) ] || fail "the last row's card at $sy is off the panel"
# The wheel scrolls to the end of the day: the last row stands just above the footer, to be clicked.
xdotool mousemove $((lx + 120)) $((ly + lh / 2)) click --repeat 40 --delay 20 5
sleep 0.3
xdotool mousemove $((lx + 120)) $((ly + lh - 14 - 38 - 14 - 20)) click 1
wait_for 3000 eval 'opened | grep -x "https://meet.example.com/long-$long_day" >/dev/null' ||
    fail "a click above the footer opened '$(opened | tail -1)', not the long day's last meeting"
note "the long day's last meeting was in view and joined"
panel >/dev/null || xdotool mousemove 1500 200 key ctrl+alt+m
wait_for 3000 panel >/dev/null || fail "the Quick Panel went away"
xdotool key Left
back() { [ "$(panel)" = "$qx $qy $qw $qh" ]; }
wait_for 3000 back || fail "back on today the Quick Panel is at '$(panel)', not where it was ($qx $qy $qw $qh)"
note "back on today the Quick Panel shrank to ${qh} at the pointer again"
xdotool key ctrl+alt+m
wait_for 3000 no_panel || fail "a second press did not close the Quick Panel"

# --- clicking into another window: closes an unpinned Quick Panel, not a pinned one ---
xmessage -geometry 300x100+100+500 "another application" >/dev/null 2>&1 &
track_helper $!
wait_for 5000 xdotool search --onlyvisible --class Xmessage >/dev/null 2>&1 || fail "xmessage did not start"
other_window=$(xdotool search --onlyvisible --class Xmessage | head -1)
# Without a window manager a click gives no focus: do what a click-to-focus manager would.
click_other() {
    xdotool mousemove 250 550 click 1
    xdotool windowfocus --sync "$other_window"
}
# An unpinned panel closes once the program hears of the lost focus, however late on a busy machine; a pinned
# one stays.
stays_open() { ! probe_for 10000 no_panel; }
open_quick_panel() {
    xdotool mousemove 1500 200
    xdotool key ctrl+alt+m
    wait_for 5000 panel >/dev/null || fail "the shortcut opened no Quick Panel"
    sleep 0.3
}
open_quick_panel
click_other
wait_for 3000 no_panel || fail "clicking into another window left the unpinned Quick Panel open"
note "clicking into another window closed the unpinned Quick Panel"

# The pin button stands right of the brand in the header row; its place depends on the sync text,
# so try the row from the left until a click pins the panel.
pinned=""
for x in $(seq 140 12 340); do
    open_quick_panel
    read -r qx qy qw qh < <(panel)
    xdotool mousemove $((qx + x)) $((qy + 28)) click 1
    sleep 0.3
    click_other
    if stays_open; then
        pinned=$x
        break
    fi
done
[ -n "$pinned" ] || fail "no click in the header row pinned the Quick Panel, or a pinned one closed"
note "pinned by a click at +$pinned; clicking into another window left it open"
# Pinned, it is dragged by its background (the padding in its top left corner).
read -r qx qy qw qh < <(panel)
xdotool mousemove $((qx + 6)) $((qy + 6)) mousedown 1
sleep 0.1
xdotool mousemove $((qx + 6 - 60)) $((qy + 6 + 40))
sleep 0.1
xdotool mousemove $((qx + 6 - 120)) $((qy + 6 + 80)) mouseup 1
sleep 0.3
read -r mx my _ _ < <(panel)
[ "$mx $my" = "$((qx - 120)) $((qy + 80))" ] || fail "dragging the pinned panel moved it to $mx $my, not by -120 +80"
note "dragged the pinned Quick Panel by its background"
# Dragged on past the monitor's bottom edge, it comes to rest inside the monitor, as it opens.
over=$((768 - (my + qh) + 40))
xdotool mousemove $((mx + 6)) $((my + 6)) mousedown 1
sleep 0.1
xdotool mousemove $((mx + 6)) $((my + 6 + over / 2))
sleep 0.1
xdotool mousemove $((mx + 6)) $((my + 6 + over)) mouseup 1
inside() { read -r dx dy dw dh < <(panel) && [ "$dx $dy" = "$mx $((768 - dh))" ]; }
wait_for 3000 inside || fail "dragged 40 past the bottom, the pinned panel stands at '$(panel)', not at $mx $((768 - qh))"
note "dragged past the bottom edge, the pinned Quick Panel came to rest inside the monitor at $(panel)"
xdotool mousemove 1500 200 key ctrl+alt+m
wait_for 3000 no_panel || fail "the shortcut did not close the pinned Quick Panel"

# --- a pinned panel dropped low on the other monitor stays there, inside it and as high as it allows ---
# The long day wants more than either monitor's height: 776 on the left, 744 on the right.
# The pin button moves with the header's sync text: try near where it was until a click pins the panel.
long_day_pinned=""
for x in $(seq $((pinned - 24)) 6 $((pinned + 60))); do
    xdotool mousemove 300 200 key ctrl+alt+m
    wait_for 5000 panel >/dev/null || fail "the shortcut opened no Quick Panel (the windows: $(windows | paste -sd";"))"
    sleep 0.3
    xdotool key Right
    wait_for 3000 eval '[ "$(panel | cut -d" " -f4)" -eq 776 ]' || fail "the long day's panel on the left is '$(panel)'"
    read -r qx qy qw qh < <(panel)
    # The day comes in scrolled a little (it grew in the short window): the header back in view.
    xdotool mousemove $((qx + 120)) $((qy + 300)) click --repeat 10 --delay 20 4
    sleep 0.3
    xdotool mousemove $((qx + x)) $((qy + 28)) click 1
    sleep 0.3
    click_other
    if stays_open; then
        long_day_pinned=$x
        break
    fi
done
[ -n "$long_day_pinned" ] || fail "no click in the header row pinned the long day's Quick Panel"
# Dragged by its top left corner in three steps, and let go with that corner at x y.
drop_at() {
    local fx fy
    read -r fx fy _ _ < <(panel)
    xdotool mousemove $((fx + 6)) $((fy + 6)) mousedown 1
    sleep 0.1
    xdotool mousemove $(((fx + $1) / 2 + 6)) $(((fy + $2) / 2 + 6))
    sleep 0.1
    xdotool mousemove $(($1 + 6)) $(($2 + 6))
    sleep 0.1
    xdotool mouseup 1
}
rests_at() { [ "$(panel)" = "$*" ]; }
drop_at 1581 572
wait_for 3000 rests_at 1581 24 360 744 ||
    fail "dropped at 1581 572 on the right monitor, the panel rests at '$(panel)', not at 1581 24, 744 high"
drop_at 381 472
wait_for 3000 rests_at 381 24 360 776 ||
    fail "dropped at 381 472 on the left monitor, the panel rests at '$(panel)', not at 381 24, 776 high"
drop_at 1500 40
wait_for 3000 rests_at 1500 24 360 744 ||
    fail "dropped at 1500 40 on the right monitor, the panel rests at '$(panel)', not at 1500 24, 744 high"
note "dropped low on the other monitor, the pinned Quick Panel stayed there and fitted it: $(panel)"
xdotool mousemove 1500 200 key ctrl+alt+m
wait_for 3000 no_panel || fail "the shortcut did not close the pinned Quick Panel"

# Quit from the open Quick Panel's footer (its last button, at the bottom right): a clean exit.
open_quick_panel
read -r qx qy qw qh < <(panel)
xdotool mousemove $((qx + qw - 16 - 25)) $((qy + qh - 14 - 19)) click 1
expect_clean_exit "Quit in the Quick Panel"
note "Quit in the Quick Panel ended the program cleanly"

echo "PASS"

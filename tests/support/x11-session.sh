# Sourced by the X11 test scripts: an X server of the test's own, private XDG folders, the program
# started with a clean environment, and ways to find and drive its windows. Expects `set -euo pipefail`.
# After begin_session: $work is the test's folder, removed at exit; $app is the program's process.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
note() { echo "-- $*"; }

# Sets $program from the script's one argument, an executable; the first argument is its usage name.
take_program() {
    local usage=$1
    shift
    [ $# -eq 1 ] && [ -x "$1" ] || fail "usage: $0 $usage"
    program=$(realpath "$1")
}

require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
    done
}

# These tests are about behaviour; leaks are the unit tests' job. The leak check at exit stops every
# thread of the whole program, and now and then its tracer crashes on one that is just ending (sound,
# D-Bus), failing a run that did everything right.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

now_ms() { date +%s%3N; }
# Sleeps until the given milliseconds since 1970, at once when they have passed.
sleep_until() {
    local left=$(($1 - $(now_ms)))
    [ $left -le 0 ] || sleep "$(awk -v ms=$left 'BEGIN { printf "%.3f", ms / 1000 }')"
}
# Runs the command until it succeeds or the deadline (milliseconds since 1970) passes.
wait_until() {
    local deadline=$1
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
# How long a test waits for what it expects: far above the need on a loaded machine under the sanitizers. A
# passing step goes on as soon as its state holds; only a failing one waits this long.
patience_ms=120000
# Runs the command until it succeeds, or fails after the patience or the given milliseconds, whichever is more.
wait_for() {
    local within=$(($1 > patience_ms ? $1 : patience_ms))
    shift
    wait_until $(($(now_ms) + within)) "$@"
}
# For a state that may well not come, as where the pointer may rest between rows: runs the command until it
# succeeds or the given milliseconds pass.
probe_for() {
    local within=$1
    shift
    wait_until $(($(now_ms) + within)) "$@"
}

begin_session() {
    work=$(mktemp -d)
    app=""
    helpers=""
    trap end_session EXIT
}

# Helper processes end at exit, the latest first, after the program.
track_helper() { helpers="$1 $helpers"; }

end_session() {
    local status=$? pid log n
    if [ $status -ne 0 ]; then
        for log in "$work"/x-*.log; do
            [ -f "$log" ] || continue
            n=${log##*/x-}
            n=${n%.log}
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then note "the X server of :$n answers"; else note "the X server of :$n does not answer"; fi
        done
    fi
    for pid in $app $helpers; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $status -ne 0 ]; then
        for log in "$work"/tolvar.log "$work"/*/tolvar.log "$work"/x-*.log; do
            [ -f "$log" ] && { echo "== $log"; tail -40 "$log"; }
        done
    fi
    rm -rf "$work"
}

# Whether the server with process id $2 holds display $1 and answers there.
x_server_serves() {
    [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$1-lock")" = "$2" ] && xdpyinfo -display ":$1" >/dev/null 2>&1
}

# Starts an X server (its command follows the display list) on the first display number of the list
# that no other server holds, and exports DISPLAY. It never resets: a server resets when its last client
# leaves (here the check that it answers, or the program's own display check) and ends the connections being
# made meanwhile: the program then finds no display. A desktop session's server keeps its clients.
start_x_server() {
    local displays=$1 n server
    shift
    for n in $displays; do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
        "$1" ":$n" -noreset "${@:2}" >"$work/x-$n.log" 2>&1 &
        server=$!
        # Until it answers, or ends as it does when another test's server took the display meanwhile. Only the
        # lock file tells whose server answers: two tests may try the same number at once.
        wait_for 0 eval "x_server_serves $n $server || ! kill -0 $server 2>/dev/null"
        if x_server_serves "$n" $server; then
            track_helper $server
            export DISPLAY=:$n
            return
        fi
        kill $server 2>/dev/null || true
    done
    fail "could not start $1 on any display of: $displays"
}

# Two monitors side by side on one X screen: 1280x800+0+0 and 1024x768+1280+0. The arguments are the
# first and last display number to try.
start_two_monitor_xvnc() {
    start_x_server "$(seq -s ' ' "$1" "$2")" Xvnc -geometry 2304x800 -SecurityTypes None -localhost
    xrandr --setmonitor LEFT 1280/338x800/211+0+0 VNC-0 >/dev/null
    xrandr --setmonitor RIGHT 1024/270x768/203+1280+0 none >/dev/null
    xrandr --listmonitors | grep "^Monitors: 2" >/dev/null || fail "the X server does not report two monitors"
}

# One 1280x800 screen on a display from the first to the last number given, or from the list in
# TOLVAR_TEST_DISPLAYS.
start_xvfb() {
    start_x_server "${TOLVAR_TEST_DISPLAYS:-$(seq -s ' ' "$1" "$2")}" Xvfb -screen 0 1280x800x24 -nolisten tcp
}

# A window manager, so that focus, activation and placement behave as on a user's desktop.
# It says it is there before it manages windows: a window mapped meanwhile is taken over unfocused, so the wait
# is for its startup command, which it runs once it manages them.
start_window_manager() {
    openbox --sm-disable --startup "touch $work/openbox-ready" >"$work/openbox.log" 2>&1 &
    track_helper $!
    wait_for 5000 eval '[ -e "$work/openbox-ready" ]' || fail "openbox did not start"
}

# A system tray; the arguments go to trayer. $tray_pid is its process.
start_tray() {
    trayer "$@" >"$work/trayer.log" 2>&1 &
    tray_pid=$!
    track_helper $tray_pid
    wait_for 5000 eval 'tray_shown || ! kill -0 $tray_pid 2>/dev/null' || true
    tray_shown && return
    xdpyinfo >/dev/null 2>&1 || note "the X server of $DISPLAY no longer answers"
    if kill -0 $tray_pid 2>/dev/null; then
        show_where_it_waits $tray_pid
        fail "trayer runs but shows no window; it said: $(cat "$work/trayer.log")"
    fi
    fail "trayer ended before it showed a window; it said: $(cat "$work/trayer.log")"
}
tray_shown() { xdotool search --class trayer >/dev/null 2>&1; }

# Where each thread of a process that should have shown a window waits, on standard error.
show_where_it_waits() {
    grep -H . /proc/"$1"/task/*/wchan 2>/dev/null | sed 's/^/-- wchan /' >&2 || true
    command -v gdb >/dev/null && gdb -p "$1" -batch -ex 'thread apply all bt 12' 2>/dev/null | grep '^#\|^Thread' >&2 || true
}

# The XDG folders of one run of the program, below the given folder, holding the calendar folder
# work/meetings.
make_private_folders() {
    mkdir -p "$1/config/tolvar" "$1/data/calendars/work/meetings" "$1/data/tolvar" "$1/home" "$1/runtime"
    chmod 700 "$1/runtime"
}

# Onboarding done, calendar access given and the calendar work/meetings chosen.
set_up_as_used() {
    echo '{ "selectedCalendarIDs": ["work/meetings"], "onboardingCompleted": true }' >"$1/config/tolvar/defaults.json"
    echo '{ "events": "granted", "reminders": "granted" }' >"$1/data/tolvar/calendar-access.json"
}

# Stands in for the desktop's opener on the program's PATH: records in opened.txt what it was asked to open.
install_stand_in_opener() {
    mkdir -p "$1/bin"
    cat >"$1/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >>"$1/opened.txt"
SCRIPT
    chmod +x "$1/bin/xdg-open"
}

# A fixed-offset zone in which it is now about nine in the morning, so that a test's day has room for meetings.
morning_zone() {
    local offset=$(((9 - 10#$(date -u +%H) + 24) % 24))
    [ $offset -le 14 ] || offset=$((offset - 24))
    if [ $offset -gt 0 ]; then echo "Etc/GMT-$offset"; elif [ $offset -lt 0 ]; then echo "Etc/GMT+$((-offset))"; else echo Etc/GMT; fi
}

# A UTC calendar time from seconds since 1970.
utc_stamp() { date -u -d "@$1" +%Y%m%dT%H%M%SZ; }

# One meeting of a calendar file: uid, start and end (UTC calendar times), summary, then any further
# property lines.
calendar_event() {
    printf 'BEGIN:VEVENT\nUID:%s\nDTSTAMP:%s\nDTSTART:%s\nDTEND:%s\nSUMMARY:%s\n' "$1" "$(utc_stamp "$(date +%s)")" \
        "$2" "$3" "$4"
    shift 4
    [ $# -eq 0 ] || printf '%s\n' "$@"
    printf 'END:VEVENT\n'
}

# Writes a calendar file holding the meetings read from standard input; the second argument names the test.
write_calendar() {
    {
        printf 'BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Tolvar %s test//EN\n' "$2"
        cat
        printf 'END:VCALENDAR\n'
    } >"$1"
}

# Starts $program on the run's private folders, without the caller's desktop session; NAME=value
# arguments add to its environment. Without a session bus address D-Bus would start one itself, forking the
# program while its threads run: a fork that hung held its main thread, without a window, for good.
launch() {
    local dir=$1
    shift
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u XDG_CURRENT_DESKTOP DBUS_SESSION_BUS_ADDRESS=disabled: "$@" \
        HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache" \
        XDG_RUNTIME_DIR="$dir/runtime" PATH="$dir/bin:$PATH" \
        "$program" >>"$dir/tolvar.log" 2>&1 &
    app=$!
}

# "x y width height" of a window.
window_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print x, y, w, h }'
}

# The ids of the program's windows on screen. A search dies of an X error, naming none, when a window it
# looks at goes away meanwhile (a tooltip, a detail card): it is asked again.
shown_window_ids() {
    local found
    for _ in $(seq 20); do
        found=$(xdotool search --onlyvisible --pid "$app" 2>&1) || true
        [[ $found == *"X Error"* ]] || break
    done
    [[ $found == *"X Error"* ]] || grep -xE '[0-9]+' <<<"$found" || true
}

# "x y width height" of every window of the program that is on screen.
windows() {
    local id
    for id in $(shown_window_ids); do
        window_geometry "$id"
    done
}
# The first of the program's windows with the given width.
window_of_width() { windows | awk -v width="$1" '!found && $3 == width { print; found = 1 } END { exit !found }'; }
# "x y width height" of the first window on screen with the given title, whoever owns it.
window_titled() {
    local id
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] || return 1
    window_geometry "$id"
}
# A window of its own placed exactly at x y width height.
# (Whole pipelines read to the end: an early exit would fail them under pipefail.)
window_on() { windows | grep -x "$1 $2 $3 $4" >/dev/null; }
# A reminder covers both monitors of start_two_monitor_xvnc.
reminder_up() { window_on 0 0 1280 800 && window_on 1280 0 1024 768; }
reminder_gone() { ! window_on 0 0 1280 800 && ! window_on 1280 0 1024 768; }
# The id of the program's tooltip window on screen; fails when none shows.
tooltip_window() {
    local id
    for id in $(shown_window_ids); do
        if xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP; then
            echo "$id"
            return
        fi
    done
    return 1
}
window_shown() { shown_window_ids | grep -x "$1" >/dev/null; }
tray_icon() { windows | awk '!found && $3 <= 64 && $4 <= 64 { print; found = 1 } END { exit !found }'; }
# Waits for the program's tray icon; the failure names the program's windows and whether the tray still runs.
expect_tray_icon() {
    local within=$1 what=$2 tray=gone program=ended
    wait_for "$within" tray_icon >/dev/null && return
    [ -n "${tray_pid:-}" ] && kill -0 "$tray_pid" 2>/dev/null && tray=running
    if kill -0 "$app" 2>/dev/null; then
        program=running
        show_where_it_waits "$app"
    fi
    fail "$what: no tray icon came on screen (the program: $program, its windows: $(windows | paste -sd ';' -);" \
        "the tray: $tray)"
}
app_ended() { ! kill -0 "$app" 2>/dev/null; }

click_tray_icon() {
    local x y w h
    read -r x y w h < <(tray_icon)
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
}

# Waits for the program to end after a Quit and checks that it ended cleanly; the argument says which Quit.
expect_clean_exit() {
    if ! wait_for 10000 app_ended; then
        show_where_it_waits "$app"
        fail "$1: the program did not end"
    fi
    local status=0
    wait "$app" || status=$?
    app=""
    [ $status -eq 0 ] || fail "$1: the program exited with status $status"
}

# Right-click on the tray icon, then the menu's one item, Quit, from the keyboard; a clean exit.
quit_from_tray() {
    local shown
    shown=$(windows | wc -l)
    click_tray_icon 3
    # Keys sent before the menu is up would go elsewhere.
    wait_for 5000 eval '[ "$(windows | wc -l)" -gt $shown ]' || fail "$1: the tray icon's menu did not open"
    xdotool key Down Return
    expect_clean_exit "$1"
}

# The panel's detail card shows the meeting whose row the pointer rests on at x y: the card's place,
# clicked, and a click at x y (which selects that row) name the same meeting, $row. The meetings' places
# are "Room N" and their links end in "-N"; the card is the program's window 280 wide, and the stand-in
# opener records in $dir. Where the pointer rests between rows, the card shows the keys' selection (the
# fourth argument) or nothing, and this returns 1. The first argument says what scrolled the list.
card_shows_row_under_pointer() {
    local sx sy sw sh card=""
    : >"$dir/opened.txt"
    if read -r sx sy sw sh < <(window_of_width 280); then
        xdotool mousemove $((sx + 40)) $((sy + 58)) click 1
        wait_for 3000 eval '[ -s "$dir/opened.txt" ]' || fail "$1: the card's place opened nothing"
        card=$(sed -n 's/.*query=Room%20\([0-9]*\)$/\1/p' "$dir/opened.txt")
        : >"$dir/opened.txt"
    fi
    xdotool mousemove "$2" "$3" click 1
    if probe_for 10000 eval '[ -s "$dir/opened.txt" ]'; then
        row=$(sed -n 's|.*-\([0-9]*\)$|\1|p' "$dir/opened.txt")
        [ -n "$card" ] && [ "$card" = "$row" ] || fail "$1: the card shows meeting '$card', the pointer rests on meeting '$row'"
        note "$1: the card shows meeting $card, under the pointer"
        return 0
    fi
    [ "$card" = "${4:-}" ] || fail "$1: the pointer rests between rows, the card shows meeting '$card', not '${4:-}'"
    note "$1: the pointer rests between rows, the card shows '$card'"
    return 1
}

# The pointer at rest on a row of the open panel at x y while its list scrolls under it, by the wheel and
# by the keys: the card follows the row now under the pointer, and the tooltip of the row it left goes.
# The arguments: what to call the panel in a failure, x, y, and how many meetings the day holds (the
# keys' selection stops at the last). A row is muted on the way and unmuted again.
expect_card_follows_the_pointer_at_rest() {
    local what=$1 x=$2 y=$3 count=$4 step notch muted_row selected tip tip_width
    # On a row, not between two.
    for step in 0 1 2 3 4; do
        xdotool mousemove "$x" $((y + 8 * step))
        probe_for 5000 window_of_width 280 >/dev/null && break
        [ $step -lt 4 ] || fail "$what: resting on the rows at $x $y and below showed no card"
    done
    y=$((y + 8 * step))
    xdotool click --repeat 3 --delay 50 5
    sleep 0.5
    for notch in 1 2 3 4; do
        card_shows_row_under_pointer "$what, three notches of the wheel, then $((notch - 1)) more" "$x" "$y" && break
        [ $notch -lt 4 ] || fail "$what: the wheel left the pointer between rows four times"
        xdotool click 5
        sleep 0.5
    done
    muted_row=$row
    # That row, selected by the click, muted: its tooltip offers to unmute, every other row's to mute.
    xdotool key ctrl+m
    sleep 0.3
    xdotool mousemove "$x" $((y + 1))
    wait_for 3000 tooltip_window >/dev/null || fail "$what: resting on a row showed no tooltip"
    tip=$(tooltip_window)
    read -r _ _ tip_width _ < <(window_geometry "$tip")
    for _ in $(seq 12); do
        xdotool key Down
        sleep 0.1
    done
    # Gone, or the tooltip of the row now under the pointer.
    wait_for 3000 eval '! window_shown "$tip" || [ "$(window_geometry "$tip" | cut -d" " -f3)" != "$tip_width" ]' ||
        fail "$what: the muted row's tooltip stayed after the keys scrolled it away"
    selected=$((muted_row + 12 > count ? count : muted_row + 12))
    card_shows_row_under_pointer "$what, Down, twelve times" "$x" $((y + 1)) $selected && selected=$row
    # Unmuted again, so that later steps and runs find no muted meeting.
    for _ in $(seq $((selected - muted_row))); do
        xdotool key Up
        sleep 0.05
    done
    xdotool key ctrl+u
}

clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
clipboard_holds() { [ "$(clipboard)" = "$1" ]; }
expect_clipboard() {
    wait_for 3000 clipboard_holds "$1" || fail "the clipboard holds:
$(clipboard)
---- expected:
$1"
}

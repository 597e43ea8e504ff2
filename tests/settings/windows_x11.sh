#!/usr/bin/env bash
# Windows on a real X server, once under a window manager (openbox) and once without one: Settings or
# Open Onboarding over a minimised window restores it, and the shortcut recorder's window coming back
# to the front after an alert starts no recording and leaves the process its key grabs.
# Usage: windows_x11.sh <settings_tests> <platform_hotkeys_tests>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

[ $# -eq 2 ] && [ -x "$1" ] && [ -x "$2" ] || fail "usage: $0 <settings_tests> <platform_hotkeys_tests>"
settings_tests=$(realpath "$1")
hotkeys_tests=$(realpath "$2")
require_tools Xvfb openbox xdotool xdpyinfo xprop
begin_session
start_xvfb 181 189

# Runs the named cases of a suite on the X server; they must exist, run and pass.
run_cases() {
    local suite=$1 filter=$2 how=$3 log
    log=$work/$(basename "$suite")-${how// /-}.log
    env QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: "$suite" --gtest_filter="$filter" >"$log" 2>&1 ||
        { tail -40 "$log"; fail "$filter failed $how"; }
    grep -q '^\[  PASSED  \] [1-9]' "$log" || { tail -20 "$log"; fail "$filter ran no test $how"; }
    note "$(grep -c '^\[       OK \]' "$log") cases of $filter passed $how"
}
run_all() {
    run_cases "$settings_tests" 'WindowForwardTest.*' "$1"
    run_cases "$hotkeys_tests" 'RecorderX11Test.TheWindowComingBackAfterAnAlert*' "$1"
}
window_manager_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Ready once it runs its startup command: it manages windows from then on.
openbox --sm-disable --startup "touch $work/openbox-ready" >"$work/openbox.log" 2>&1 &
track_helper $!
wait_for 5000 eval '[ -e "$work/openbox-ready" ] && window_manager_up' || fail "openbox did not start"
run_all "under openbox"

# On a server of its own: a window manager that ends leaves its names on its server's root window.
start_xvfb 181 189
window_manager_up && fail "the server without a window manager names one"
run_all "without a window manager"
echo "PASS"

#!/usr/bin/env bash
# Installs a build into a temporary folder as a packager would (DESTDIR) and checks that the desktop
# gets what it needs to list Tolvar in its application menu: the program, a valid desktop entry that
# starts it by its full path (a prefix's bin folder need not be on PATH) and the icon that entry names,
# in the hicolor theme. Then the installed program, started on an X server of its own, takes over the
# login item that a run from the build folder turned on.
# Usage: install_check.sh <build folder>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

[ $# -eq 1 ] && [ -d "$1" ] || fail "usage: $0 <build folder>"
build=$(realpath "$1")
require_tools desktop-file-validate Xvfb xdpyinfo
begin_session

# The program a desktop entry's Exec value starts, for a value that is the program alone: quotes and
# the escapes inside them undone.
exec_program() {
    local value
    value=$(sed 's/\\\\/\\/g; s/%%/%/g' <<<"$1")
    if [[ $value == \"*\" ]]; then
        value=${value:1:${#value}-2}
        value=$(sed 's/\\\(.\)/\1/g' <<<"$value")
    fi
    printf '%s' "$value"
}

# Installs below $work/<name> with the given prefix and checks the menu entry and the icon; sets $root.
check_install() {
    local prefix=$1 entry exec program icon
    root=$work/$2
    mkdir -p "$root"
    DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install --prefix '$prefix' failed"; }

    entry=$root$prefix/share/applications/tolvar.desktop
    [ -f "$entry" ] || fail "no desktop entry in $prefix/share/applications"
    desktop-file-validate "$entry" || fail "the desktop entry of prefix '$prefix' does not validate"
    value() { sed -n "s/^$1=//p" "$entry" | head -1; }
    [ "$(value Type)" = Application ] || fail "the entry is not an application"
    exec=$(value Exec)
    program=$(exec_program "$exec")
    [ "$program" = "$prefix/bin/tolvar" ] || fail "Exec=$exec does not start $prefix/bin/tolvar by its full path"
    [ -x "$root$program" ] || fail "Exec=$exec is not the installed program"
    icon=$(value Icon)
    [ -f "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no hicolor icon for Icon=$icon"
    grep -q '<svg' "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not an SVG"
    if grep -rl "$build" "$root$prefix/share" >/dev/null; then fail "an installed file names the build folder"; fi
    note "prefix '$prefix': Exec=$exec; installed $(cd "$root" && find . -type f | sort | tr '\n' ' ')"
}

check_install /usr/local usr-local
# Not on PATH, and with a space that the Exec value must quote.
check_install "/opt/Tolvar Test" opt

# --- the login item, turned on from the build folder, follows the installed program ---
program="$root/opt/Tolvar Test/bin/tolvar"
start_xvfb 191 199
dir=$work/login
make_private_folders "$dir"
set_up_as_used "$dir"
autostart=$dir/config/autostart/tolvar.desktop
mkdir -p "${autostart%/*}"
printf '[Desktop Entry]\nType=Application\nName=Tolvar\nExec=%s/tolvar/app/tolvar\nX-GNOME-Autostart-Delay=5\n' \
    "$build" >"$autostart"
autostart_program() { exec_program "$(sed -n 's/^Exec=//p' "$autostart" | head -1)"; }
starts_installed() { [ "$(autostart_program)" = "$program" ]; }
launch "$dir"
wait_for 20000 starts_installed ||
    fail "the autostart entry still starts '$(autostart_program)', not the installed $program"
grep -qx 'X-GNOME-Autostart-Delay=5' "$autostart" || fail "the autostart entry lost the user's own key"
note "the installed program took over the login item: $(grep '^Exec=' "$autostart")"

echo "PASS"

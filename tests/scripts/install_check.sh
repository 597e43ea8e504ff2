#!/usr/bin/env bash
# Installs Tolvar with `make install`, as the README says, into temporary folders as a packager would
# (DESTDIR) and as a user would (PREFIX=~/.local or ~user/apps), with paths that hold spaces and quotes, and checks
# that the desktop gets what it needs to list Tolvar in its application menu: the program, a valid desktop
# entry that starts it by its full path (a prefix's bin folder need not be on PATH) and the icon that
# entry names, in the hicolor theme. Then the installed program, started on an X server of its own, takes
# over the login item that a run from the build folder turned on.
# Usage: install_check.sh <build folder>
set -euo pipefail
# shellcheck source=../support/x11-session.sh
. "${BASH_SOURCE%/*}/../support/x11-session.sh"

[ $# -eq 1 ] && [ -d "$1" ] || fail "usage: $0 <build folder>"
build=$(realpath "$1")
source=$(cd "${BASH_SOURCE%/*}/../.." && pwd)
require_tools desktop-file-validate Xvfb xdpyinfo make
begin_session
# `make install` builds in a folder of its own, here one with a space in its name; kept in the build
# folder, so that the next check only builds what changed.
release="$build/install check"
# The shared compiler cache, when there is one, spares the second build of the program.
if command -v ccache >/dev/null; then export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache; fi

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

# `make install` with the given PREFIX and DESTDIR as the user types them, then checks the menu entry and
# the icon below <DESTDIR><installed prefix>.
check_install() {
    local prefix=$1 destdir=$2 installed=$3 entry exec program icon
    HOME=$work/home make -C "$source" install RUN_BUILD="$release" JOBS="${JOBS:-4}" PREFIX="$prefix" \
        DESTDIR="$destdir" >"$work/install.log" 2>&1 ||
        { tail -40 "$work/install.log" >&2; fail "make install PREFIX='$prefix' DESTDIR='$destdir' failed"; }

    entry=$destdir$installed/share/applications/tolvar.desktop
    [ -f "$entry" ] || fail "no desktop entry in $installed/share/applications"
    desktop-file-validate "$entry" || fail "the desktop entry of prefix '$prefix' does not validate"
    value() { sed -n "s/^$1=//p" "$entry" | head -1; }
    [ "$(value Type)" = Application ] || fail "the entry is not an application"
    exec=$(value Exec)
    program=$(exec_program "$exec")
    [ "$program" = "$installed/bin/tolvar" ] || fail "Exec=$exec does not start $installed/bin/tolvar by its full path"
    [ -x "$destdir$program" ] || fail "Exec=$exec is not the installed program"
    icon=$(value Icon)
    [ -f "$destdir$installed/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no hicolor icon for Icon=$icon"
    grep -q '<svg' "$destdir$installed/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not an SVG"
    if grep -rlF -e "$build" -e "$release" "$destdir$installed/share" >/dev/null; then
        fail "an installed file names the build folder"
    fi
    note "PREFIX='$prefix' DESTDIR='$destdir': Exec=$exec; installed $(cd "$destdir$installed" && find . -type f | sort | tr '\n' ' ')"
}

check_install /usr/local "$work/usr-local" /usr/local
# Not on PATH, and with spaces and a quote that the command lines and the Exec value must keep.
check_install "/opt/My Apps/Tolvar's" "$work/stage dir" "/opt/My Apps/Tolvar's"
# The README's per-user install: the home folder stands for ~ however the shell passed it on.
# shellcheck disable=SC2088 # make, not this shell, is to read the ~
check_install '~/.local' "" "$work/home/.local"
# ~user is that user's home folder in the passwd database, whatever HOME says; staged, so that it stays untouched.
user=$(id -un)
check_install "~$user/apps" "$work/user stage" "$(getent passwd "$user" | cut -d: -f6)/apps"

# --- the login item, turned on from the build folder, follows the installed program ---
program="$work/stage dir/opt/My Apps/Tolvar's/bin/tolvar"
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

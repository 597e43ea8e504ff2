#!/usr/bin/env bash
# Installs a build into a temporary folder as a packager would (DESTDIR) and checks that the desktop
# gets what it needs to list Tolvar in its application menu: the program, a valid desktop entry and
# the icon that entry names, in the hicolor theme.
# Usage: install_check.sh <build folder>
set -euo pipefail
build=$1
prefix=/usr/local
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (scripts/install-deps.sh installs it)"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$root.log" 2>&1 || { cat "$root.log" >&2; fail "cmake --install failed"; }
rm -f "$root.log"

entry=$root$prefix/share/applications/tolvar.desktop
[ -f "$entry" ] || fail "no desktop entry in $prefix/share/applications"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"

value() { sed -n "s/^$1=//p" "$entry" | head -1; }
[ "$(value Type)" = Application ] || fail "the entry is not an application"
exec=$(value Exec)
[ -x "$root$prefix/bin/$exec" ] || fail "Exec=$exec is not the installed program in $prefix/bin"
icon=$(value Icon)
[ -f "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no hicolor icon for Icon=$icon"
grep -q '<svg' "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not an SVG"
if grep -rl "$(realpath "$build")" "$root$prefix/share" >/dev/null; then fail "an installed file names the build folder"; fi

echo "PASS: $(cd "$root" && find . -type f | sort | tr '\n' ' ')"

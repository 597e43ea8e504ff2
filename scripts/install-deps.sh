#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tolvar need.
# Safe to run again: it asks apt only for what is missing.
set -euo pipefail

packages=(
    # build and tests
    g++ cmake ninja-build make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev dbus-daemon
    qt6-base-dev qcoro-qt6-dev nlohmann-json3-dev libical-dev tzdata libasound2-dev
    libxcb1-dev libxcb-keysyms1-dev libxkbcommon-dev libxkbcommon-x11-dev
    libcanberra-dev sound-theme-freedesktop libglib2.0-bin
    # the desktop's default applications (the calendar's), and gio to start them
    xdg-utils
    # locale-aware date templates, for the day titles and dates the views write
    libicu-dev
    # the symbolic icons the views draw, and the engine that reads them
    adwaita-icon-theme qt6-svg-dev
    # the headless display the X11 tests run on
    xvfb xauth tigervnc-standalone-server x11-xserver-utils x11-utils xdotool xclip trayer
    # a window manager, for the tests of minimising, activation and the panels' placement
    openbox
    # the desktop entry's validator, for the install check
    desktop-file-utils
    fonts-dejavu-core
    # the fuzz targets: libFuzzer through clang
    clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

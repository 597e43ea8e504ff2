#!/usr/bin/env bash
# The menu panel's build-and-paint and its clock tick.
set -euo pipefail
build=${1:-build-release}
"$build/bench/bench_menu_panel"

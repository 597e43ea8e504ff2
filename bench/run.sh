#!/usr/bin/env bash
# Runs every benchmark against a release build folder.
set -euo pipefail
build=${1:-build-release}
here=$(dirname "$0")
"$build/bench/bench_cloud_merge"
"$build/bench/bench_location_text"
"$build/bench/bench_hostile_rules"
"$build/bench/bench_zone_history"
"$build/bench/bench_calendar_quit"
"$build/bench/bench_app_model"
"$build/bench/bench_panel_open"
"$build/bench/bench_peer_rewrite"
for script in "$here"/*/run.sh; do
    [ -x "$script" ] && "$script" "$build"
done

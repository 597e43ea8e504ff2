#!/usr/bin/env bash
# Runs every benchmark against a release build folder. A failing one does not stop the others: the run fails at
# the end and names them.
set -uo pipefail
build=${1:-build-release}
here=$(dirname "$0")
failed=()
run() {
    "$@" || failed+=("$*")
}
for name in cloud_merge location_text hostile_rules zone_history calendar_quit app_model panel_open peer_rewrite device_file_read; do
    run "$build/bench/bench_$name"
done
for script in "$here"/*/run.sh; do
    [ -x "$script" ] && run "$script" "$build"
done
if [ ${#failed[@]} -gt 0 ]; then
    printf 'failed: %s\n' "${failed[@]}" >&2
    exit 1
fi

#!/usr/bin/env bash
# Times, on one generated calendar folder, the whole Tolvar fetch program (start, two fetches of the
# coming seven days, exit) against reading every file of the folder once with cat.
# Usage: bench/calendar/run.sh [release build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-release}" && pwd)
program="$build/bench/bench_calendar_fetch"
work=${TOLVAR_BENCH_DIR:-$(mktemp -d)}

if ! command -v hyperfine >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y -qq --no-install-recommends hyperfine
fi

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" TZ=Europe/Berlin
python3 "$here/generate-calendars.py" "$XDG_DATA_HOME/calendars"

"$program"
hyperfine --warmup 2 --runs 10 --export-markdown "$work/calendar.md" \
    -n tolvar "$program" \
    -n cat "find '$XDG_DATA_HOME/calendars' -type f -exec cat {} + >/dev/null"
echo "results: $work/calendar.md"

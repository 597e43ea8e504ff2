#!/usr/bin/env bash
# Times, on one generated calendar folder, the whole Tolvar fetch program (start, two fetches of the
# coming seven days, exit) against `khal list` for the same window with its cache warm.
# Usage: bench/calendar/run.sh [release build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-release}" && pwd)
program="$build/bench/bench_calendar_fetch"
work=${TOLVAR_BENCH_DIR:-$(mktemp -d)}

need=()
command -v khal >/dev/null || need+=(khal)
command -v hyperfine >/dev/null || need+=(hyperfine)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" TZ=Europe/Berlin
python3 "$here/generate-calendars.py" "$XDG_DATA_HOME/calendars"

mkdir -p "$XDG_CONFIG_HOME/khal"
cat >"$XDG_CONFIG_HOME/khal/config" <<CONFIG
[calendars]
[[bench]]
path = $XDG_DATA_HOME/calendars/*/cal*
type = discover
[locale]
timeformat = %H:%M
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M
local_timezone = Europe/Berlin
default_timezone = Europe/Berlin
[sqlite]
path = $work/khal.db
CONFIG

# The same window as the program's: from five minutes ago to the start of the eighth day.
from=$(date -d '5 minutes ago' '+%Y-%m-%d %H:%M')
to=$(date -d "$(date +%F) + 7 days" '+%Y-%m-%d 00:00')
khal list "$from" "$to" >/dev/null 2>&1 # fills khal's cache

"$program"
hyperfine --warmup 2 --runs 10 --export-markdown "$work/calendar.md" \
    -n tolvar "$program" \
    -n khal "khal list '$from' '$to'"
echo "results: $work/calendar.md"

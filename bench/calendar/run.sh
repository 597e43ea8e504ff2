#!/usr/bin/env bash
# Measures what large calendar files cost in memory, and three large files against one (bench_calendar_parse_cost,
# a Release build: the sanitizers' allocator hides the peaks); then times the whole Tolvar
# fetch program (start, two fetches of the coming seven days, exit) against reading every file of the folder
# once with cat, on generated calendar folders of 5,500 and 50,000 files, and gives the program's peak resident
# memory above its peak with no calendars, against the aim of at most twice the size of the calendar text. It fails
# when the 50,000 files peak at more than 3 times their text.
# Usage: bench/calendar/run.sh [release build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-release}" && pwd)
program="$build/bench/bench_calendar_fetch"
work=${TOLVAR_BENCH_DIR:-$(mktemp -d)}
sizes=${TOLVAR_BENCH_CALENDAR_FILES:-5500 50000}
limited_files=50000
most_times_text=3

if ! command -v hyperfine >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y -qq --no-install-recommends hyperfine
fi

export TZ=Europe/Berlin
# What large files cost in memory per shape of text, against what the store reckons, and one against three.
# It fails when three large files peak at more than 1.5 times one.
"$build/bench/bench_calendar_parse_cost" | tee "$work/parse-cost.txt"

# The program's own figures for the folder below $1: its two fetch times and its peak resident memory (kB).
run_program() {
    local output
    output=$(XDG_DATA_HOME="$1" XDG_CONFIG_HOME="$1/config" "$program") || {
        echo "bench/calendar: the fetch program failed on $1" >&2
        exit 1
    }
    echo "$output" >&2
    echo "$output" | sed -n 's/^peak resident: \([0-9]*\) kB.*/\1/p'
}

mkdir -p "$work/empty/calendars"
empty_kb=$(run_program "$work/empty")
report="$work/calendar.md"
printf '| files | text | first answer | first fetch | peak resident | above empty | above empty / text |\n|---|---|---|---|---|---|---|\n' >"$report"
for files in $sizes; do
    data="$work/files-$files"
    python3 "$here/generate-calendars.py" "$data/calendars" "" "$files"
    text_bytes=$(find "$data/calendars" -name '*.ics' -exec cat {} + | wc -c)
    peak_kb=$(run_program "$data" 2>"$work/program-$files.txt")
    cat "$work/program-$files.txt"
    grep -q ' 0 meetings' "$work/program-$files.txt" && {
        echo "bench/calendar: no meetings fetched from $files files: nothing was measured" >&2
        exit 1
    }
    answer=$(sed -n 's/^first answer: \([0-9.]*\) ms.*/\1 ms/p' "$work/program-$files.txt")
    first=$(sed -n 's/^first fetch: \([0-9.]*\) ms.*/\1 ms/p' "$work/program-$files.txt")
    awk -v files="$files" -v text="$text_bytes" -v answer="$answer" -v first="$first" -v peak="$peak_kb" \
        -v empty="$empty_kb" 'BEGIN {
        printf "| %s | %.1f MiB | %s | %s | %.1f MiB | %.1f MiB | %.2f |\n", files, text / 1048576, answer, first,
            peak / 1024, (peak - empty) / 1024, (peak - empty) * 1024 / text }' >>"$report"
    if [ "$files" = "$limited_files" ]; then
        limited=$(awk -v text="$text_bytes" -v peak="$peak_kb" -v empty="$empty_kb" \
            'BEGIN { printf "%.2f", (peak - empty) * 1024 / text }')
    fi
    hyperfine --warmup 1 --runs 5 --export-markdown "$work/calendar-$files.md" \
        -n "tolvar, $files files" "env XDG_DATA_HOME='$data' XDG_CONFIG_HOME='$data/config' '$program'" \
        -n "cat, $files files" "find '$data/calendars' -type f -exec cat {} + >/dev/null"
    rm -rf "$data"
done
awk -v empty="$empty_kb" 'BEGIN {
    printf "\nWith no calendars the program peaks at %.1f MiB. Aim: at most 2 times the text above that.\n\n", empty / 1024 }'
cat "$report"
echo
grep '^three large files' "$work/parse-cost.txt"
echo "results: $work"
if [ -n "${limited:-}" ]; then
    echo "$limited_files files: the peak above empty is $limited times their text, at most $most_times_text."
    awk -v times="$limited" -v most="$most_times_text" 'BEGIN { exit !(times <= most) }' || {
        echo "bench/calendar: $limited_files files take more than $most_times_text times their text" >&2
        exit 1
    }
fi

#!/usr/bin/env bash
# Tolvar's cost at rest: with 200 coming meetings loaded, the running program's CPU time over a minute
# of idle and its resident memory, next to the same figures for a minimal Qt tray program measured in
# the same minute on the same display (Xvfb with trayer).
# Usage: bench/app/run.sh [release build folder]
set -euo pipefail
build=$(cd "${1:-build-release}" && pwd)
tolvar="$build/tolvar/app/tolvar"
minimal="$build/bench/bench_minimal_tray"
meetings=200
idle_seconds=${TOLVAR_BENCH_IDLE_SECONDS:-60}

fail() {
    echo "bench/app: $*" >&2
    exit 1
}
for program in "$tolvar" "$minimal"; do
    [ -x "$program" ] || fail "$program is not built"
done
for tool in Xvfb trayer xdpyinfo xdotool base64; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
xvfb="" trayer="" app="" yardstick=""
cleanup() {
    for pid in $app $yardstick $trayer $xvfb; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

for n in 61 62 63 64 65 66 67 68 69; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do
        xdpyinfo -display :$n >/dev/null 2>&1 && break 2
        sleep 0.1
    done
    kill $xvfb 2>/dev/null || true
    xvfb=""
done
[ -n "$xvfb" ] || fail "could not start Xvfb on any display from :61 to :69"
export DISPLAY=:$n
trayer >/dev/null 2>&1 &
trayer=$!
sleep 1

# 200 half-hour meetings one after another from three hours ahead, within the default week ahead, in two
# calendars; none falls due during the measurement.
calendars="$work/data/calendars"
mkdir -p "$calendars/work/team" "$calendars/work/customers" "$work/config/tolvar" "$work/data/tolvar" "$work/runtime"
chmod 700 "$work/runtime"
first=$(($(date +%s) / 1800 * 1800 + 3 * 3600))
for i in $(seq 0 $((meetings - 1))); do
    folder=$([ $((i % 4)) -eq 0 ] && echo customers || echo team)
    start=$((first + i * 1800))
    {
        printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tolvar bench//EN\r\nBEGIN:VEVENT\r\n'
        printf 'UID:bench-%d@tolvar.test\r\nDTSTAMP:20260101T000000Z\r\n' "$i"
        printf 'DTSTART:%s\r\nDTEND:%s\r\n' "$(date -u -d @$start +%Y%m%dT%H%M%SZ)" \
            "$(date -u -d @$((start + 1800)) +%Y%m%dT%H%M%SZ)"
        printf 'SUMMARY:Meeting %d\r\nLOCATION:Room %d\r\n' "$i" $((i % 12))
        printf 'DESCRIPTION:Agenda\\nhttps://example.zoom.us/j/%d\r\n' $((1000000 + i))
        printf 'ORGANIZER;CN=Ana:mailto:ana@example.org\r\n'
        printf 'ATTENDEE;CN=Ben;PARTSTAT=ACCEPTED:mailto:ben@example.org\r\n'
        printf 'ATTENDEE;CN=Chen;PARTSTAT=TENTATIVE:mailto:chen@example.org\r\n'
        printf 'END:VEVENT\r\nEND:VCALENDAR\r\n'
    } >"$calendars/work/$folder/meeting-$i.ics"
done
cat >"$work/config/tolvar/defaults.json" <<JSON
{ "selectedCalendarIDs": ["work/team", "work/customers"], "onboardingCompleted": true }
JSON
echo '{ "events": "granted", "reminders": "granted" }' >"$work/data/tolvar/calendar-access.json"

environment=(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
    XDG_RUNTIME_DIR="$work/runtime")
"${environment[@]}" "$tolvar" >"$work/tolvar.log" 2>&1 &
app=$!
"${environment[@]}" "$minimal" >"$work/minimal.log" 2>&1 &
yardstick=$!

# The meeting records the program shares: one "startDate" each.
loaded() {
    local file count=0
    for file in "$work"/data/tolvar/cloud/*.json; do
        [ -f "$file" ] || continue
        count=$(grep -A4 '"tolvar.meetingSnapshots.v1"' "$file" | sed -n 's/.*"value": *"\([A-Za-z0-9+/=]*\)".*/\1/p' |
            base64 -d 2>/dev/null | grep -o '"startDate"' | wc -l)
    done
    [ "$count" -eq $meetings ]
}
for _ in $(seq 300); do
    loaded && break
    kill -0 $app 2>/dev/null || fail "tolvar ended at start-up: $(cat "$work/tolvar.log")"
    sleep 0.1
done
loaded || fail "tolvar did not load the $meetings meetings within 30 s"
sleep 5 # let start-up work finish before the idle minute

ticks=$(getconf CLK_TCK)
cpu_ms() { awk -v t="$ticks" '{ sub(/^.*\) /, ""); print ($12 + $13) * 1000 / t }' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

app_before=$(cpu_ms $app)
yardstick_before=$(cpu_ms $yardstick)
sleep "$idle_seconds"
app_cpu=$(awk -v a="$(cpu_ms $app)" -v b="$app_before" 'BEGIN { print a - b }')
yardstick_cpu=$(awk -v a="$(cpu_ms $yardstick)" -v b="$yardstick_before" 'BEGIN { print a - b }')
app_rss=$(rss_kb $app)
yardstick_rss=$(rss_kb $yardstick)

ratio=$(awk -v a="$app_rss" -v b="$yardstick_rss" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5 ? "met" : "missed") }')
printf '\nIdle for %d s with %d meetings loaded (Xvfb %s, trayer):\n\n' "$idle_seconds" $meetings "$DISPLAY"
printf '| program | CPU time | resident memory |\n|---|---|---|\n'
printf '| tolvar | %s ms | %.1f MiB |\n' "$app_cpu" "$(awk -v k="$app_rss" 'BEGIN { print k / 1024 }')"
printf '| minimal Qt tray | %s ms | %.1f MiB |\n' "$yardstick_cpu" "$(awk -v k="$yardstick_rss" 'BEGIN { print k / 1024 }')"
printf '\nMemory: %s times the minimal program (aim: at most 1.5): %s.\n' "$ratio" "$verdict"

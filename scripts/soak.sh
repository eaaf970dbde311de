#!/usr/bin/env bash
# Runs the real program for a while with a one-second interval over 100 watched files and
# reports its resident memory over time and the CPU time it used per check, beside a bare
# stat() loop over the same files run at the same time.
#   scripts/soak.sh [--idle | --busy] [minutes, default 10] [build folder, default build]
# --busy (the default) changes 3 of the files every 5 seconds; --idle changes none.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
mode=busy
case ${1:-} in --idle | --busy) mode=${1#--}; shift ;; esac
minutes=${1:-10}
dir=${2:-build}
export MORVANE_BUILD=$dir
if [ ! -x "$dir/app/morvane" ] || [ ! -x "$dir/bench/statloop/morvane_stat_loop" ] ||
    [ ! -x "$dir/tests/support/watch-line" ]; then
    scripts/build.sh "$dir"
fi
command -v Xvfb >/dev/null || { echo "needs Xvfb (apt-get install xvfb)"; exit 1; }

files=100
touchEvery=5   # seconds between two rounds of changes
touchCount=3   # files changed in each round
[ "$mode" = idle ] && touchCount=0
sampleEvery=30 # seconds between two memory samples

work=$(mktemp -d /tmp/morvane-soak-XXXXXX)
cleanup() { kill "${prog:-}" "${xvfb:-}" "${statLoop:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
cp "$dir/app/morvane" "$work/"
makeWatchedFiles "$work" "$files"

startXvfb 1024x768x24
(cd "$work" && QT_QPA_PLATFORM=xcb exec ./morvane) &
prog=$!
waitForWindow Morvane >/dev/null

[ "$(cat "/proc/$prog/comm")" = morvane ] || { echo "process $prog is not the program"; exit 1; }
ticks=$(getconf CLK_TCK)
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$prog/status"; }
# utime + stime in clock ticks; the fields are counted after the command name's ")".
cpuTicks() { sed 's/.*) //' "/proc/$prog/stat" | awk '{ print $12 + $13 }'; }
# Nanoseconds on a CPU, summed over the threads alive now: finer than clock ticks.
cpuNs() { cat /proc/"$prog"/task/*/schedstat | awk '{ s += $1 } END { printf "%d", s }'; }

startTicks=$(cpuTicks)
startNs=$(cpuNs)
startRss=$(rss)
echo "pid $prog, display $DISPLAY, $files files, interval 1 s, $minutes min, $mode"
echo "start-up: CPU $(awk -v t="$startTicks" -v h="$ticks" 'BEGIN { printf "%.2f", t / h }') s, VmRSS $startRss kB"
printf '%8s %10s\n' "elapsed" "VmRSS(kB)"
printf '%7ds %10s\n' 0 "$startRss"

duration=$((minutes * 60))
"$dir/bench/statloop/morvane_stat_loop" "$work/paths.txt" "$duration" >"$work/statloop.txt" &
statLoop=$!
begin=$(date +%s.%N)
round=0
for ((s = 1; s <= duration; s++)); do
    # Sleep to the next whole second of the run, so the loop's own time does not drift.
    now=$(date +%s.%N)
    sleep "$(awk -v b="$begin" -v n="$now" -v s="$s" 'BEGIN { d = b + s - n; print (d > 0 ? d : 0) }')"
    kill -0 "$prog" 2>/dev/null || { echo "the program ended at ${s}s"; exit 1; }
    if ((s % touchEvery == 0)); then
        for ((k = 0; k < touchCount; k++)); do
            p=${paths[$(((round * touchCount + k) % files))]}
            printf 'x' >>"$p"
        done
        round=$((round + 1))
    fi
    ((s % sampleEvery == 0)) && printf '%7ds %10s\n' "$s" "$(rss)"
done
end=$(date +%s.%N)
endTicks=$(cpuTicks)
endNs=$(cpuNs)
wait "$statLoop" || { echo "the stat() loop failed: $(cat "$work/statloop.txt")"; exit 1; }

# The stat() loop prints "rounds N files N found N cpu_ms X ms_per_round Y".
statMs=$(awk '{ print $10 }' "$work/statloop.txt")
awk -v t0="$startTicks" -v t1="$endTicks" -v h="$ticks" -v b="$begin" -v e="$end" -v sl="$statMs" \
    -v n0="$startNs" -v n1="$endNs" \
    -v r0="$startRss" -v r1="$(rss)" -v hwm="$(awk '/^VmHWM:/ { print $2 }' "/proc/$prog/status")" '
BEGIN {
    cpu = (n1 - n0) / 1e9; wall = e - b
    printf "after start-up: CPU %.3f s over %.0f s wall = %.3f%% of one core (%.2f ms a check)\n",
        cpu, wall, 100 * cpu / wall, 1000 * cpu / wall
    printf "bare stat() loop over the same files: %.3f ms a round; the program uses %.1fx that\n",
        sl, (1000 * cpu / wall) / sl
    printf "the same in clock ticks: CPU %.2f s\n", (t1 - t0) / h
    printf "whole process: CPU %.2f s\n", t1 / h
    printf "VmRSS %d kB -> %d kB (%+d kB), peak VmHWM %d kB\n", r0, r1, r1 - r0, hwm
}'

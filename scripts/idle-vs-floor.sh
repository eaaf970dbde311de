#!/usr/bin/env bash
# Measures the CPU a quiet check costs the real program against the idle floor: the simplest Qt
# program that stats the same files every second and updates two clocks
# (../shared/bench/idle-floor.cpp, built here). The floor, the program and, where given, other
# builds of it (the one before a change, say) run side by side under one Xvfb over the same 100
# unchanging files at a one-second interval, and each round reads the CPU of every one of them
# over the same window: the noise of a busy machine falls on all of them alike.
#   scripts/idle-vs-floor.sh [build folder, default build] [another morvane]...
# ROUNDS windows (default 6) of SECONDS each (default 25), after WARMUP seconds (default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
dir=${1:-build}
others=("${@:2}")
rounds=${ROUNDS:-6}
seconds=${SECONDS_PER_ROUND:-25}
warmup=${WARMUP:-10}
floorSource=${FLOOR_SOURCE:-../shared/bench/idle-floor.cpp}
export MORVANE_BUILD=$dir
for needed in "$dir/app/morvane" "$dir/tests/support/watch-line" "${others[@]}"; do
    [ -x "$needed" ] || { echo "$needed is missing: build it first"; exit 1; }
done
[ -f "$floorSource" ] || { echo "$floorSource is missing (FLOOR_SOURCE names it)"; exit 1; }
command -v Xvfb >/dev/null || { echo "needs Xvfb (apt-get install xvfb)"; exit 1; }

work=$(mktemp -d /tmp/morvane-idle-XXXXXX)
# The CPU of every thread a program ever had, dead ones too, where a cpuacct group can be made;
# else the threads alive at each reading.
groups=/sys/fs/cgroup/cpuacct/${work##*/}
mkdir "$groups" 2>/dev/null || groups=
declare -A pid
cleanup() {
    local p
    for p in "${pid[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pid[@]}"; do wait "$p" 2>/dev/null || true; done
    kill "${xvfb:-}" 2>/dev/null || true
    [ -z "$groups" ] || rmdir "$groups"/* "$groups" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck disable=SC2046 # pkg-config gives several words
g++ -O2 -fPIC -o "$work/floor" "$floorSource" $(pkg-config --cflags --libs Qt6Widgets)
makeWatchedFiles "$work" 100
names=(floor morvane)
mkdir "$work/morvane"
cp "$dir/app/morvane" "$work/Filelst.txt" "$work/Morvane.ini" "$work/morvane/"
for i in "${!others[@]}"; do
    names+=("other$((i + 1))")
    mkdir "$work/other$((i + 1))"
    cp "$work/Filelst.txt" "$work/Morvane.ini" "$work/other$((i + 1))/"
    cp "${others[$i]}" "$work/other$((i + 1))/morvane"
done

# Starts a program in its own folder (and cpuacct group): launch NAME FOLDER COMMAND...
launch() {
    local name=$1 folder=$2
    shift 2
    [ -z "$groups" ] || mkdir "$groups/$name"
    (
        cd "$folder"
        [ -z "$groups" ] || echo "$BASHPID" >"$groups/$name/cgroup.procs"
        QT_QPA_PLATFORM=xcb exec "$@" 2>"$work/$name.log"
    ) &
    pid[$name]=$!
}
cpuNs() {
    if [ -n "$groups" ]; then
        cat "$groups/$1/cpuacct.usage"
    else
        cat /proc/"${pid[$1]}"/task/*/schedstat | awk '{ s += $1 } END { printf "%d", s }'
    fi
}
# Context switches of the threads alive now: each is a wake-up, or a thread put aside.
switches() {
    cat /proc/"${pid[$1]}"/task/*/status |
        awk '/ctxt_switches:/ { s += $2 } END { printf "%d", s }'
}

startXvfb 1024x768x24
launch floor "$work" "$work/floor" "$work/paths.txt"
for name in "${names[@]:1}"; do launch "$name" "$work/$name" ./morvane; done
waitForWindow Floor "${pid[floor]}" >/dev/null
for name in "${names[@]:1}"; do waitForWindow Morvane "${pid[$name]}" >/dev/null; done
sleep "$warmup"

source="the threads alive"
[ -z "$groups" ] || source="a cpuacct group"
echo "$rounds rounds of $seconds s, 100 files, interval 1 s, CPU from $source"
echo "ms of CPU a check (a second); each program beside the floor; context switches a check"
{
    for ((r = 1; r <= rounds; r++)); do
        declare -A n0 s0
        for name in "${names[@]}"; do n0[$name]=$(cpuNs "$name") s0[$name]=$(switches "$name"); done
        t0=$(date +%s.%N)
        sleep "$seconds"
        t1=$(date +%s.%N)
        line="$r $t0 $t1"
        for name in "${names[@]}"; do
            kill -0 "${pid[$name]}" 2>/dev/null || { echo "$name ended: $(cat "$work/$name.log")" >&2; exit 1; }
            line+=" $(($(cpuNs "$name") - n0[$name])) $(($(switches "$name") - s0[$name]))"
        done
        echo "$line"
    done
} | awk -v names="${names[*]}" '
BEGIN {
    n = split(names, name, " ")
    printf "%5s", "round"
    for (i = 1; i <= n; i++) printf " %9s %6s", name[i], (i == 1 ? "" : "ratio")
    printf " %s\n", "switches"
}
{
    wall = $3 - $2
    printf "%5d", $1
    for (i = 1; i <= n; i++) {
        ms = $(2 + 2 * i) / 1e6 / wall
        total[i] += $(2 + 2 * i); walls[i] += wall; sw[i] += $(3 + 2 * i)
        if (i == 1) { floorMs = ms; printf " %9.3f %6s", ms, "" }
        else { ratio[i, NR] = ms / floorMs; printf " %9.3f %6.2f", ms, ms / floorMs }
    }
    for (i = 1; i <= n; i++) printf " %s%.1f", (i == 1 ? "" : "/"), $(3 + 2 * i) / wall
    printf "\n"
    fflush()
}
END {
    printf "%5s", "all"
    for (i = 1; i <= n; i++) {
        ms = total[i] / 1e6 / walls[i]
        if (i == 1) { floorMs = ms; printf " %9.3f %6s", ms, "" }
        else printf " %9.3f %6.2f", ms, ms / floorMs
    }
    printf "\n"
    for (i = 2; i <= n; i++) {
        # The median of the rounds ratios, next to the ratio of the sums above.
        m = 0
        for (r = 1; r <= NR; r++) v[++m] = ratio[i, r]
        for (a = 1; a <= m; a++) for (b = a + 1; b <= m; b++) if (v[b] < v[a]) { t = v[a]; v[a] = v[b]; v[b] = t }
        med = (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
        printf "%s: %.2fx the floor (the median round)\n", name[i], med
    }
}'

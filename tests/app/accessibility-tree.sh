#!/usr/bin/env bash
# Starts the built program on a private X display, inside a session bus of its own with the
# accessibility bus running, and has AccessibilityTree.py read its accessibility tree as a
# screen reader would. The program must then end through its menu with status 0.
#   accessibility-tree.sh PROGRAM WATCH_LINE_TOOL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
watchLineTool=$(realpath "$2")

# A bus of our own: the test command may run with none, and must not talk to a desktop's.
# The time limit covers the whole run, below CTest's: timeout stops every process of its
# group, so the limits inside keep to that group (--foreground).
if [ -z "${MORVANE_A11Y_BUS:-}" ]; then
    MORVANE_A11Y_BUS=1 exec timeout -k 5 100 dbus-run-session -- "$0" "$@"
fi

# shellcheck source=../../scripts/lib.sh
. "$here/../../scripts/lib.sh"

work=$(mktemp -d /tmp/morvane-a11y-XXXXXX)
# Waits at most $2 seconds for process $1 to end; fails when it has not.
waitForEnd() {
    timeout --foreground "$2" tail --pid="$1" -f /dev/null
}
cleanup() {
    local p
    for p in ${prog:-} ${launcher:-} ${xvfb:-}; do
        kill "$p" 2>/dev/null || true
        waitForEnd "$p" 10 || kill -KILL "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The accessibility bus's socket goes to a folder of this run, not the user's; a desktop's
# accessibility bus named in the environment would come before ours.
unset AT_SPI_BUS_ADDRESS
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

# No reset when the last client leaves: the bus launcher's short visit would end the display.
startXvfb 1024x768x24 -noreset

/usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 &
launcher=$!
for ((i = 0; ; i++)); do
    owned=$(timeout --foreground 5 dbus-send --session --print-reply=literal \
        --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
        string:org.a11y.Bus || true)
    [[ $owned == *true ]] && break
    ((i < 100)) || { echo "the accessibility bus did not start" >&2; exit 1; }
    sleep 0.1
done

cp "$program" "$work/morvane"
mkdir "$work/data"
echo old >"$work/data/old.txt"
echo memo >"$work/data/メモ.txt"
{
    "$watchLineTool" old "$work/data/old.txt"
    "$watchLineTool" 設定メモ "$work/data/メモ.txt"
} >"$work/Filelst.txt"

(cd "$work" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec ./morvane) &
prog=$!

timeout --foreground 70 /usr/bin/python3 "$here/AccessibilityTree.py" "$prog" \
    old old.txt 設定メモ メモ.txt

# The checks leave the program ending through ファイル → 終了.
status=0
waitForEnd "$prog" 15 || { echo "the program did not end" >&2; exit 1; }
wait "$prog" || status=$?
prog=
[ "$status" = 0 ] || { echo "the program ended with status $status" >&2; exit 1; }
echo "the accessibility tree names the rows, the columns and the editor's boxes"

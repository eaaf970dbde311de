# shellcheck shell=bash
# Helpers the scripts that drive the real program share; sourced, not run.

# Starts Xvfb on a free display with the given screen (e.g. 800x400x24) and any further Xvfb
# options: sets xvfb to its process id and exports DISPLAY. The caller stops it (kill "$xvfb").
# shellcheck disable=SC2034 # xvfb is for the caller
startXvfb() {
    local first second display
    exec 3< <(Xvfb -displayfd 1 -screen 0 "$1" -nolisten tcp "${@:2}" 2>/dev/null & echo "pid $!")
    # Xvfb prints its display number once it is ready; the order of the two lines is not fixed.
    read -r first <&3
    read -r second <&3
    if [[ $first == pid* ]]; then
        xvfb=${first#pid } display=$second
    else
        xvfb=${second#pid } display=$first
    fi
    export DISPLAY=":$display"
}

# Prints the id of the visible window titled exactly $1 (of the process $2, where given) once
# it appears; fails after 10 s.
waitForWindow() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible ${2:+--all --pid "$2"} --name "^$1\$" 2>/dev/null | head -n 1) &&
            [ -n "$id" ] &&
            { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "the window did not appear" >&2
    return 1
}

# One watch list line for NAME and PATH (UTF-8), as the program lays it out: "1", the Shift-JIS
# name filled to 20 bytes, the path, CR LF. Uses the build folder in MORVANE_BUILD (build).
watchLine() {
    "${MORVANE_BUILD:-build}/tests/support/watch-line" "$1" "$2"
}

# Makes COUNT watched files under DIR/data (half of them in a folder with a Japanese name, the
# i-th of i * 37 bytes), their watch list DIR/Filelst.txt, DIR/paths.txt (one path a line) and
# DIR/Morvane.ini with a one-second interval; sets the array paths to the files' paths.
# shellcheck disable=SC2034 # paths is for the caller
makeWatchedFiles() {
    local dir=$1 count=$2 i p name
    mkdir -p "$dir/data/文書" "$dir/data/src"
    paths=()
    for ((i = 0; i < count; i++)); do
        if ((i % 2)); then p="$dir/data/src/file$i.txt"; else p="$dir/data/文書/メモ$i.txt"; fi
        head -c $((i * 37)) /dev/zero | tr '\0' x >"$p"
        paths+=("$p")
    done
    for i in "${!paths[@]}"; do
        if ((i % 2)); then name="report$i"; else name="設定ファイル$i"; fi
        watchLine "$name" "${paths[$i]}"
    done >"$dir/Filelst.txt"
    printf '%s\n' "${paths[@]}" >"$dir/paths.txt"
    printf '[Window]\r\nTop=0\r\nLeft=0\r\nHeight=400\r\nWidth=560\r\n[List]\r\nInterval=1\r\n' \
        >"$dir/Morvane.ini"
}

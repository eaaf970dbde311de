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

# Prints the id of the visible window titled exactly $1 once it appears; fails after 10 s.
waitForWindow() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] &&
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

# shellcheck shell=bash
# shellcheck disable=SC2317,SC2034  # cleanup runs from the trap; the sourcing scripts read WINDOW
# Sourced by the scripts that run the real game on a private X server: its run folder, the
# server, the game with a private home, its window, and a cleanup of both on exit.
# Sets APP_PID, XVFB_PID, WINDOW and DISPLAY.

APP_PID=""
XVFB_PID=""
WINDOW=""

# first_missing_tool <tool...>: prints the first one not on PATH; fails when there is one.
first_missing_tool() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$tool"
            return 1
        fi
    done
}

# skip_without <pak> <tool...>: leaves with 77, the test skipped, without the data or a tool.
skip_without() {
    if [ ! -f "$1" ]; then
        echo "SKIP: no game data at '$1' (build the vorns_data target)"
        exit 77
    fi
    shift
    local missing
    if ! missing=$(first_missing_tool "$@"); then
        echo "SKIP: $missing is missing"
        exit 77
    fi
}

# absolute_path <path>
absolute_path() {
    echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
}

# make_run_folder <out dir> <pak>: <out>/run with its own home and runtime folder, the data
# linked in. Empties <out> first.
make_run_folder() {
    rm -rf "$1"
    mkdir -p "$1/run/home" "$1/run/xdg"
    chmod 700 "$1/run/xdg"
    ln -s "$(absolute_path "$2")" "$1/run/vorns.pak"
}

# stop_game_and_xvfb: the EXIT trap; also stops both on INT and TERM.
stop_game_and_xvfb() {
    local pid
    for pid in "$APP_PID" "$XVFB_PID"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
}
trap_cleanup() {
    trap stop_game_and_xvfb EXIT
    trap 'exit 1' INT TERM
}

# start_xvfb <out dir> <width>x<height>x<depth> [lifetime]: a private screen, nothing else
# draws over the window and no window manager moves it; the server ends after [lifetime]
# seconds when given. Fails when it does not start within 10 s.
start_xvfb() {
    local numberFile="$1/xvfb.display" limit=()
    [ -z "${3:-}" ] || limit=(timeout -k 5 "$3")
    : >"$numberFile"
    # -noreset: a server that resets as its last client leaves drops a client that comes then.
    "${limit[@]}" Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp -noreset \
        3>"$numberFile" >"$1/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$numberFile" ] && break
        sleep 0.1
    done
    [ -s "$numberFile" ] || return 1
    DISPLAY=":$(tr -d '[:space:]' <"$numberFile")"
    export DISPLAY
    # The number is written before the server takes clients; a client that comes too early
    # (a window manager) cannot open the display and ends.
    for _ in $(seq 100); do
        xprop -root >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# start_game <program> <out dir> [lifetime]: runs in <out>/run, its output added to
# <out>/stdout.txt and <out>/stderr.txt.
start_game() {
    local limit=()
    [ -z "${3:-}" ] || limit=(timeout -k 5 "$3")
    (cd "$2/run" && HOME="$2/run/home" XDG_CONFIG_HOME="$2/run/home" \
        XDG_DATA_HOME="$2/run/home" XDG_RUNTIME_DIR="$2/run/xdg" SDL_VIDEODRIVER=x11 \
        SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: VESK_DEBUG=1 \
        exec "${limit[@]}" "$1") >>"$2/stdout.txt" 2>>"$2/stderr.txt" &
    APP_PID=$!
}

# The game's debug channel (stderr.txt) has a line "Screen shown: <class>" for each screen it
# shows, and "Screen steady: <class>" once its fade-in has ended and its buttons act.
# screens_mark <out dir>: later waits look only at the lines written from now on.
SCREENS_MARK=0
screens_shown() { grep -a "Screen \(shown\|steady\): " "$1/stderr.txt" 2>/dev/null; }
screens_mark() { SCREENS_MARK=$(screens_shown "$1" | wc -l); }
# await_screen <out dir> <screen> [seconds] [shown|steady]: waits until the game has shown
# <screen> (its class name, e.g. CMainMenu), or has it steady, since the mark, up to [seconds]
# (240), and marks past that line. The game's own word: a busy machine only makes the wait
# longer, and a failure names the screen.
await_screen() {
    local at="" seconds=${3:-240} word="${4:-shown}:"
    for _ in $(seq $((seconds * 4))); do
        at=$(screens_shown "$1" | awk -v m="$SCREENS_MARK" -v s="$2E" -v w="$word" \
            'NR > m && $2 == w && substr($3, length($3) - length(s) + 1) == s { print NR; exit }')
        if [ -n "$at" ]; then
            SCREENS_MARK=$at
            return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.25
    done
    echo "the game did not have its $2 screen $word within ${seconds}s; since the mark:" \
        "$(screens_shown "$1" | tail -n +$((SCREENS_MARK + 1)) | awk '{print $2, $3}' | tr '\n' ' ')"
    return 1
}

# find_window [seconds]: sets WINDOW to the game's window once the same one has shown twice in a
# row, waiting up to [seconds] (20). Searched again and again rather than once with --sync:
# xdotool gives up on an X error when a window vanishes while it looks, and a slow start may
# replace the first window (a display found too slow is set up anew).
find_window() {
    local found previous=""
    for _ in $(seq $((${1:-20} * 4))); do
        found=$(timeout 5 xdotool search --onlyvisible --name '^Vorns' 2>/dev/null | head -n 1)
        if [ -n "$found" ] && [ "$found" = "$previous" ]; then
            WINDOW="$found"
            return 0
        fi
        previous="$found"
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.25
    done
    return 1
}

# describe_no_window <out dir>: what a failed window search leaves to go on: the windows the
# server has, where the game's threads wait, its last words.
# descendants <pid>: every process below it, children first.
descendants() {
    local child
    for child in $(pgrep -P "$1" 2>/dev/null); do
        descendants "$child"
        echo "$child"
    done
}

# start_game_with_window <program> <out dir> <lifetime>: starts the game and waits up to 60 s for
# its window. A start that shows none is described, stopped and made once more: one on a busy
# machine has been seen waiting on a child process of its own before its window had a name.
start_game_with_window() {
    start_game "$1" "$2" "$3"
    find_window 60 && return 0
    echo "no game window within 60s; starting the game once more"
    describe_no_window "$2"
    local pid
    for pid in $(descendants "$APP_PID") "$APP_PID"; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait "$APP_PID" 2>/dev/null
    start_game "$1" "$2" "$3"
    find_window 60
}

describe_no_window() {
    echo "windows on $DISPLAY:"
    local id
    for id in $(timeout 5 xdotool search --name '' 2>/dev/null | head -n 20); do
        echo "  $id '$(timeout 5 xdotool getwindowname "$id" 2>/dev/null)'" \
            "$(timeout 5 xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')"
    done
    local pid task
    for pid in ${APP_PID:+$(descendants "$APP_PID") "$APP_PID"}; do
        [ -d "/proc/$pid" ] || continue
        echo "process $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-80)"
        for task in /proc/"$pid"/task/*; do
            echo "  thread ${task##*/} $(awk '{print $3}' "$task/stat" 2>/dev/null)" \
                "$(cat "$task/wchan" 2>/dev/null)"
        done
    done
    tail -n 20 "$1/stdout.txt" "$1/stderr.txt" 2>/dev/null
}

# kill_all: the game with its children, the window manager (WM_PID) and the X server, each gone
# before it returns, so that the next server may take the number.
WM_PID=""
kill_all() {
    local pid
    if [ -n "$APP_PID" ]; then
        for pid in $(descendants "$APP_PID") "$APP_PID"; do
            kill -KILL "$pid" 2>/dev/null
        done
        wait "$APP_PID" 2>/dev/null
    fi
    [ -z "$WM_PID" ] || { kill "$WM_PID" 2>/dev/null; wait "$WM_PID" 2>/dev/null; }
    [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; }
    APP_PID="" WM_PID="" XVFB_PID=""
}

# wm_running: a window manager has named itself on the root.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
# launch_wm <log> <command...>: a window manager, once it has named itself on the root (WM_PID).
# One that ended before that is started again, twice at most (seen on busy machines: "could not
# connect to the X server" from a server that answered other clients).
launch_wm() {
    local log="$1" try
    shift
    for try in 1 2 3; do
        "$@" >>"$log" 2>&1 &
        WM_PID=$!
        for _ in $(seq 200); do
            wm_running && return 0
            kill -0 "$WM_PID" 2>/dev/null || break
            sleep 0.1
        done
        wm_running && return 0
        echo "$1 ended at its start (try $try): $(tail -n 1 "$log")"
    done
    return 1
}

# enter_run_folder <out> <pak>: makes the run folder and sets OUT to its absolute path.
enter_run_folder() {
    make_run_folder "$1" "$2"
    OUT="$(cd "$1" && pwd)"
}

# fail_with_windows <what>: says what failed, with the windows and the game's threads.
fail_with_windows() {
    echo "FAILED: $*"
    describe_no_window "$OUT"
    exit 1
}

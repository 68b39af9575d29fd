#!/usr/bin/env bash
# The real game showing its "FATAL ERROR" box over a damaged picture, on a private X server:
#   1. SIGTERM ends it within 2 s and leaves none of its processes behind;
#   2. SIGKILL takes its box with it;
#   3. the next start (on sound data) runs normally and clears the killed run's notify socket.
# Usage: run_boxes.sh <Vorns> <vorns.pak> <out dir>
# Exit 0 passed, 1 failed, 77 skipped (no data or a tool missing).
set -u

APP="$1"
PAK="$2"
OUT="$3"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"

# Bounds of the waits, in seconds: generous for the sanitizer build on a busy machine, except
# the one the test is about.
BOX_TIMEOUT=240
TERM_LIMIT_MS=2000
GONE_TIMEOUT=20

skip_without "$PAK" Xvfb xdotool python3
# A game that ignores SIGTERM must not hold the test up, nor a box outlive it: everything is
# killed outright.
BOX_PIDS=""
kill_all() {
    local pid
    if [ -n "$APP_PID" ]; then
        # shellcheck disable=SC2086  # one word per process
        for pid in $(descendants "$APP_PID") "$APP_PID" $BOX_PIDS; do
            kill -KILL "$pid" 2>/dev/null
        done
    fi
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null
}
trap kill_all EXIT
trap 'exit 1' INT TERM
enter_run_folder "$OUT" "$PAK"
fail() { fail_with_windows "$@"; }

python3 "$HERE/damage_pak.py" "$PAK" "$OUT/damaged.pak" >"$OUT/damaged.txt" ||
    fail "could not damage a copy of $PAK"
echo "damaged: $(cat "$OUT/damaged.txt")"
ln -sf "$OUT/damaged.pak" "$OUT/run/vorns.pak"
start_xvfb "$OUT" 1024x768x24 900 || fail "Xvfb did not start"

# running <pid>: neither gone nor a zombie.
running() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

# all_gone <seconds> <pid...>: waits until none of them runs.
all_gone() {
    local limit=$(($1 * 20)) pid left
    shift
    for _ in $(seq "$limit"); do
        left=""
        for pid in "$@"; do
            running "$pid" && left="$left $pid"
        done
        [ -z "$left" ] && return 0
        sleep 0.05
    done
    echo "still running:$left"
    return 1
}

# box_shown <title>: a window of that name is up. xdotool's own name search misses the box,
# whose name is UTF-8.
box_shown() {
    local w
    for w in $(timeout 5 xdotool search --classname '' 2>/dev/null); do
        [ "$(timeout 5 xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && return 0
    done
    return 1
}

# show_box: starts the game without a lifetime wrapper (APP_PID is the game itself) and waits
# for its box; sets BOX_PIDS to the processes below the game then.
show_box() {
    start_game "$APP" "$OUT"
    for _ in $(seq $((BOX_TIMEOUT * 4))); do
        if box_shown "FATAL ERROR"; then
            BOX_PIDS=$(descendants "$APP_PID")
            [ -n "$BOX_PIDS" ] || fail "the box shows but no process of the game shows it"
            return 0
        fi
        running "$APP_PID" || fail "the game ended without showing its box"
        sleep 0.25
    done
    fail "no box within ${BOX_TIMEOUT}s"
}

# 1. SIGTERM with the box up.
show_box
echo "box up; below the game: $(tr '\n' ' ' <<<"$BOX_PIDS")"
sent=$(date +%s%N)
kill -TERM "$APP_PID"
all_gone 30 "$APP_PID" || fail "SIGTERM did not end the game"
ended=$(date +%s%N)
took=$(((ended - sent) / 1000000))
echo "SIGTERM to exit with the box up: ${took} ms"
[ "$took" -le "$TERM_LIMIT_MS" ] || fail "the game took ${took} ms to end after SIGTERM"
wait "$APP_PID" 2>/dev/null
# shellcheck disable=SC2086
all_gone "$GONE_TIMEOUT" $BOX_PIDS || fail "processes of the game outlived it"

# 2. SIGKILL with the box up.
show_box
KILLED="$APP_PID"
kill -KILL "$KILLED"
wait "$KILLED" 2>/dev/null
# shellcheck disable=SC2086
all_gone "$GONE_TIMEOUT" $BOX_PIDS || fail "the box outlived the killed game"
ls "$OUT"/run/xdg/*.notify/"$KILLED" >/dev/null 2>&1 ||
    fail "the killed game left no notify socket: nothing for the next start to clear"

# 3. The next start, on sound data, runs normally.
ln -sf "$(absolute_path "$PAK")" "$OUT/run/vorns.pak"
start_game "$APP" "$OUT"
find_window 120 || fail "the start after a killed game shows no window"
if ls "$OUT"/run/xdg/*.notify/"$KILLED" >/dev/null 2>&1; then
    fail "the killed game's notify socket is still there"
fi
kill -TERM "$APP_PID"
all_gone 60 "$APP_PID" || fail "the last game did not end"
echo "PASSED"

#!/usr/bin/env bash
# How much of one core the running game costs while a player looks at it: the main menu and
# level 1 left alone, then level 1 played (the demo play_level1.dmo beside this script, replayed
# at its own speed: six swaps with their cascades, so every run plays the same), each sampled for
# SECONDS (20 by default) from the kernel's count of the process's user and system time. The game
# runs in an 800x600 window on a private X server; a screenshot of each sampled screen is kept
# beside the figures. Two builds compare side by side when two runs go at once, each with its
# own out dir.
#
# Usage: bench/idle_cpu.sh <program> <vorns.pak> [<out dir>] [SECONDS]
#   PERF=1 also records where the time goes (perf record -g) and prints the top of the report.
set -u

APP="${1:-}"
PAK="${2:-}"
OUT="${3:-/tmp/vorns-idle-cpu}"
SECONDS_SAMPLED="${4:-20}"
# shellcheck source=SCRIPTDIR/../tests/smoke/game_under_xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tests/smoke/game_under_xvfb.sh"
if [ -z "$APP" ] || [ ! -x "$APP" ] || [ ! -f "$PAK" ]; then
    echo "usage: $0 <program> <vorns.pak> [<out dir>] [seconds]" >&2
    exit 2
fi
if ! missing=$(first_missing_tool Xvfb xdotool xwd convert); then
    echo "$missing is missing" >&2
    exit 2
fi

APP="$(absolute_path "$APP")"
make_run_folder "$OUT" "$PAK"
OUT="$(cd "$OUT" && pwd)"
trap_cleanup
start_xvfb "$OUT" 1024x768x24 || { echo "the private X server did not start" >&2; exit 1; }
start_game "$APP" "$OUT"
find_window || { echo "no game window" >&2; exit 1; }
# The game starts full screen; the figures are for its 800x600 window.
sleep 1
if [ "$(xdotool getwindowgeometry "$WINDOW" | awk '/Geometry/ {print $2}')" != "800x600" ]; then
    xdotool key --window "$WINDOW" alt+Return
    sleep 1
    find_window
fi

click() {
    xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
    sleep "${3:-1}"
}
ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }

# sample <name>: percent of one core over SECONDS_SAMPLED.
sample() {
    local hz before after perfPid=""
    hz=$(getconf CLK_TCK)
    if [ "${PERF:-0}" = 1 ]; then
        perf record -g -o "$OUT/$1.perf" -p "$APP_PID" -- sleep "$SECONDS_SAMPLED" \
            >/dev/null 2>&1 &
        perfPid=$!
    fi
    before=$(ticks)
    sleep "$SECONDS_SAMPLED"
    after=$(ticks)
    [ -n "$perfPid" ] && wait "$perfPid"
    xwd -root -silent | convert xwd:- "$OUT/$1.png"
    awk -v n="$1" -v t=$((after - before)) -v hz="$hz" -v s="$SECONDS_SAMPLED" \
        'BEGIN { printf "%-6s %5.1f%% of a core over %d s\n", n, 100 * t / hz / s, s }'
    if [ -n "$perfPid" ]; then
        perf report -i "$OUT/$1.perf" --no-children --percent-limit 2 --stdio 2>/dev/null |
            grep -E '^ +[0-9]' | head -n 15
    fi
}

# The title screen loads for a while, then the menu shows.
sleep 16
sample menu
# A profile, then NEW GAME through the rules, the land map and the story to level 1.
click 239 223
click 396 137 0.5
xdotool type --delay 30 "Bench"
click 397 161
click 296 458
click 239 261 2
click 716 561 2
click 716 561 2
click 716 561 4
click 600 130 2
sample level

# The played level: the recorded run from the title on, in a folder of its own. The sample
# starts once the swaps have begun and ends before the level is won.
kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
DEMO_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
make_run_folder "$OUT/play" "$PAK"
cp "$DEMO_DIR/play_level1.dmo" "$DEMO_DIR/play_level1.dm0" "$OUT/play/"
(cd "$OUT/play/run" && HOME="$OUT/play/run/home" XDG_CONFIG_HOME="$OUT/play/run/home" \
    XDG_DATA_HOME="$OUT/play/run/home" XDG_RUNTIME_DIR="$OUT/play/run/xdg" \
    SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: VESK_DEBUG=1 \
    exec "$APP" -play -demofile="$OUT/play/play_level1.dmo") \
    >>"$OUT/play/stdout.txt" 2>>"$OUT/play/stderr.txt" &
APP_PID=$!
SCREENS_MARK=0
await_screen "$OUT/play" Board 240 shown || exit 1
sleep 5
sample play

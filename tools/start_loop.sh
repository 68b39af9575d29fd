#!/usr/bin/env bash
# Hunts hangs at start after a killed game: start the real game on a private X server, kill it
# with SIGKILL at a random moment (while loading, during a profile edit, while leaving the
# board), start it again, and so on, on the same player files. Every start that is not itself
# killed while loading must reach the main menu; one that has not after STALL seconds gets every
# thread's stack dumped with gdb, and its files are kept under <out>/hang-<cycle>/.
# A maintainer's tool, not a test: it runs for as long as it is told.
#
# Usage: tools/start_loop.sh <program> <vorns.pak> <out dir> [cycles]
# Environment: BUSY (busy loops beside it, default 8), STALL (seconds, default 30),
# GIVE_UP (seconds a stalled start is left before it is killed, default 120), WM (1: openbox
# when installed), SCREEN (Xvfb screen, default 800x600x24: the game's full screen is then its
# own 800x600 picture; on a larger 4:3 screen the clicks are scaled), WINDOWED (1: the game in
# a window), NOWAIT (1: the next start does not wait for the killed game to end).
# Several loops may run at once, each with its own <out dir>. <out>/cycles.txt has one line per
# cycle (stage, edit, seconds from the action to the kill, milliseconds to the menu, load);
# a summary ends the run; exit 0 when every start reached the menu.
set -u

APP="${1:-}"
PAK="${2:-}"
OUT="${3:-}"
CYCLES="${4:-300}"
BUSY="${BUSY:-8}"
STALL="${STALL:-30}"
GIVE_UP="${GIVE_UP:-120}"
WM="${WM:-1}"
SCREEN="${SCREEN:-800x600x24}"

if [ -z "$APP" ] || [ ! -x "$APP" ] || [ ! -f "$PAK" ] || [ -z "$OUT" ]; then
    echo "usage: $0 <program> <vorns.pak> <out dir> [cycles]" >&2
    exit 2
fi
for tool in Xvfb xdotool gdb; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
APP="$(cd "$(dirname "$APP")" && pwd)/$(basename "$APP")"
PAK="$(cd "$(dirname "$PAK")" && pwd)/$(basename "$PAK")"

rm -rf "$OUT"
mkdir -p "$OUT/run/home" "$OUT/run/xdg"
chmod 700 "$OUT/run/xdg"
OUT="$(cd "$OUT" && pwd)"
RUN="$OUT/run"
ln -s "$PAK" "$RUN/vorns.pak"
LOG="$OUT/cycles.txt"
ERR="$OUT/stderr.txt"

HELPERS=()
APP_PID=""
cleanup() {
    [ -z "$APP_PID" ] || kill -KILL "$APP_PID" 2>/dev/null
    local pid
    for pid in "${HELPERS[@]}"; do
        kill "$pid" 2>/dev/null
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

: >"$OUT/xvfb.display"
Xvfb -displayfd 3 -screen 0 "$SCREEN" -nolisten tcp 3>"$OUT/xvfb.display" >"$OUT/xvfb.log" 2>&1 &
HELPERS+=($!)
for _ in $(seq 100); do
    [ -s "$OUT/xvfb.display" ] && break
    sleep 0.1
done
[ -s "$OUT/xvfb.display" ] || { echo "Xvfb did not start" >&2; exit 2; }
DISPLAY=":$(tr -d '[:space:]' <"$OUT/xvfb.display")"
export DISPLAY
if [ "$WM" = 1 ] && command -v openbox >/dev/null; then
    openbox >"$OUT/openbox.log" 2>&1 &
    HELPERS+=($!)
    # A window mapped while the manager is still taking over the screen may never be mapped,
    # and SDL waits for that forever: the first start waits for the manager's check window.
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi
for _ in $(seq "$BUSY"); do
    (exec yes >/dev/null) &
    HELPERS+=($!)
done

now_ms() { date +%s%3N; }
load1() { cut -d' ' -f1 /proc/loadavg; }
# rand_s <max ms>: a random time below it, in seconds for sleep.
rand_s() {
    local ms=$(((RANDOM * 32768 + RANDOM) % $1))
    printf '%d.%03d' $((ms / 1000)) $((ms % 1000))
}

# Lines of the game's debug channel ("Screen shown: N4Vesk9CMainMenuE").
shown_count() { grep -ac "Screen shown: .*$1E" "$ERR" 2>/dev/null; }

start_game() {
    : >"$ERR"
    (cd "$RUN" && HOME="$RUN/home" XDG_CONFIG_HOME="$RUN/home" XDG_DATA_HOME="$RUN/home" \
        XDG_RUNTIME_DIR="$RUN/xdg" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        DBUS_SESSION_BUS_ADDRESS=disabled: VESK_DEBUG=1 exec "$APP") >>"$OUT/stdout.txt" \
        2>>"$ERR" &
    APP_PID=$!
    START_MS=$(now_ms)
}

# kill_game: SIGKILL to the game alone (its message-box helper, if any, is its own business:
# leaving it running is part of what is tried).
# With NOWAIT=1 the next start follows the signal at once, as a harness that does not wait
# would: the killed game may still hold its lock then.
kill_game() {
    kill -KILL "$APP_PID" 2>/dev/null
    [ "${NOWAIT:-0}" = 1 ] || wait "$APP_PID" 2>/dev/null
    APP_PID=""
}

# keep_files <dir> <why>: the stacks, the player files, settings, error log and debug output.
keep_files() {
    mkdir -p "$1"
    echo "$2" >"$1/why.txt"
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        timeout 120 gdb -batch -ex 'info threads' -ex 'thread apply all bt' -p "$APP_PID" \
            >"$1/stacks.txt" 2>&1
        local task
        for task in /proc/"$APP_PID"/task/*; do
            echo "${task##*/} $(cat "$task/comm") $(awk '{print $3}' "$task/stat") $(cat "$task/wchan")"
        done >"$1/threads.txt" 2>/dev/null
        ls -l /proc/"$APP_PID"/fd >"$1/fds.txt" 2>&1
    fi
    pgrep -a -f 'Vorns|vesk' >"$1/processes.txt"
    cp -a "$RUN/home" "$1/home" 2>/dev/null
    cp -a "$RUN/xdg" "$1/xdg" 2>/dev/null
    cp "$ERR" "$1/stderr.txt"
    ls -laR "$RUN/home" "$RUN/xdg" >"$1/listing.txt" 2>&1
    tail -n 20 "$LOG" >"$1/previous-cycles.txt"
}

# await_menu <seconds>: 0 once the game says it showed the main menu; 1 when it ended first,
# 2 when <seconds> passed.
await_menu() {
    local limit=$(($(now_ms) + $1 * 1000))
    while [ "$(now_ms)" -lt "$limit" ]; do
        [ "$(shown_count CMainMenu)" -gt 0 ] && return 0
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 2
}

# await_shown <class> <count> <seconds>: waits for the <count>th "Screen shown" of <class>.
await_shown() {
    local limit=$(($(now_ms) + $3 * 1000))
    while [ "$(now_ms)" -lt "$limit" ]; do
        [ "$(shown_count "$1")" -ge "$2" ] && return 0
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

window() { xdotool search --onlyvisible --name '^Vorns' 2>/dev/null | head -n 1; }
# click <x> <y>: at the game's 800x600 place, scaled to the window (full screen on a larger
# 4:3 screen shows the picture larger).
click() {
    local w width
    w=$(window)
    [ -n "$w" ] || return 1
    width=$(xdotool getwindowgeometry "$w" 2>/dev/null | awk -F'[ x]+' '/Geometry/ {print $3}')
    [ -n "$width" ] || width=800
    xdotool mousemove --window "$w" $(($1 * width / 800)) $(($2 * width / 800)) click 1 2>/dev/null
}
key() {
    local w
    w=$(window)
    [ -n "$w" ] || return 1
    xdotool key --window "$w" "$@" 2>/dev/null
}

# Profile dialog places: the dialog's top left is (229, 49).
profile_edit() {
    click 239 223 || return 1
    sleep 0.6
    case $((RANDOM % 3)) in
        0 | 1)
            EDIT=create
            click 396 137
            xdotool type --delay 20 "P$RANDOM" 2>/dev/null
            click 397 161
            ;;
        2)
            EDIT=delete
            click 300 $((238 + (RANDOM % 3) * 18))
            sleep 0.2
            click 398 420
            ;;
    esac
}

# to_board_and_leave: RESUME GAME when a game is saved, else NEW GAME through help, map, comics;
# then Escape and the pause dialog's main-menu button. Returns 1 when the board never came.
to_board_and_leave() {
    local boards
    boards=$(shown_count Board)
    click 239 307
    if ! await_shown Board $((boards + 1)) 5; then
        click 239 261
        sleep 0.5
        # The new-game question when a saved game exists: its yes button.
        click 300 339
        local step
        # CONTINUE works only once a screen has come in: clicked until the next one shows.
        local step next tries count
        for step in CHelp CLandMap CComics; do
            await_shown "$step" 1 20 || return 1
            case $step in
                CHelp) next=CLandMap ;;
                CLandMap) next=CComics ;;
                CComics) next=Board ;;
            esac
            tries=0
            count=1
            [ $next != Board ] || count=$((boards + 1))
            while ! await_shown "$next" $count 2; do
                click 716 558
                tries=$((tries + 1))
                [ $tries -lt 20 ] || return 1
            done
        done
        sleep 2.5
        click 600 130
    fi
    sleep 0.5
    key Escape
    sleep 0.8
    click 276 464
}

# With WINDOWED=1 a first start switches to a window (Alt+Enter) and leaves by EXIT, so the
# settings keep the window for every start after it.
if [ "${WINDOWED:-0}" = 1 ]; then
    start_game
    await_menu 120 || { echo "the first start showed no menu" >&2; exit 1; }
    sleep 1
    key alt+Return
    for _ in $(seq 100); do
        xdotool getwindowgeometry "$(window)" 2>/dev/null | grep -q 'Geometry: 800x600' && break
        sleep 0.2
    done
    sleep 1
    click 239 484
    for _ in $(seq 300); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill_game
fi

declare -A KILLS=([loading]=0 [profile]=0 [board]=0 [none]=0)
STARTS=0
REACHED=0
REQUIRED=0
HANGS=0
REFUSED=0
SLOWEST=0
LAST_MENU_MS=3000
MAX_LOAD=0
echo "cycle stage edit kill_after_s menu_ms load1" >"$LOG"
for cycle in $(seq "$CYCLES"); do
    r=$((RANDOM % 10))
    if [ $r -lt 3 ]; then
        stage=loading
    elif [ $r -lt 8 ]; then
        stage=profile
    else
        stage=board
    fi
    EDIT="-"
    start_game
    STARTS=$((STARTS + 1))
    load=$(load1)
    MAX_LOAD=$(awk -v a="$MAX_LOAD" -v b="$load" 'BEGIN { print (b > a ? b : a) }')
    after=""
    menu_ms="-"
    if [ $stage = loading ]; then
        # Anywhere from the first moment to about when the last start showed its menu.
        after=$(rand_s $((LAST_MENU_MS + 500)))
        sleep "$after"
        if [ "$(shown_count CMainMenu)" -gt 0 ]; then
            stage=profile
        else
            kill_game
            KILLS[loading]=$((KILLS[loading] + 1))
            echo "$cycle loading - $after - $load" >>"$LOG"
            continue
        fi
    fi
    REQUIRED=$((REQUIRED + 1))
    await_menu "$STALL"
    got=$?
    if [ $got = 1 ] && [ "${NOWAIT:-0}" = 1 ] && wait "$APP_PID" && [ "$(shown_count '')" = 0 ]; then
        # It ended cleanly without a window: the killed one still held the lock. Once more.
        REFUSED=$((REFUSED + 1))
        start_game
        await_menu "$STALL"
        got=$?
    fi
    if [ $got = 2 ]; then
        HANGS=$((HANGS + 1))
        keep_files "$OUT/hang-$cycle" "no menu ${STALL}s after the start; load $(load1)"
        echo "cycle $cycle: no menu after ${STALL}s; stacks in $OUT/hang-$cycle" >&2
        await_menu "$GIVE_UP"
        got=$?
        [ $got = 0 ] && echo "cycle $cycle: the menu came late" >&2
    fi
    if [ $got != 0 ]; then
        [ $got = 1 ] && keep_files "$OUT/ended-$cycle" "the game ended before its menu"
        echo "$cycle $stage - - NOMENU $load" >>"$LOG"
        kill_game
        continue
    fi
    REACHED=$((REACHED + 1))
    menu_ms=$(($(now_ms) - START_MS))
    LAST_MENU_MS=$menu_ms
    [ "$menu_ms" -le "$SLOWEST" ] || SLOWEST=$menu_ms
    sleep "$(rand_s 600)"
    case $stage in
        profile)
            profile_edit
            after=$(rand_s 700)
            ;;
        board)
            if ! to_board_and_leave; then
                stage=none
            fi
            after=$(rand_s 700)
            ;;
    esac
    sleep "$after"
    kill_game
    KILLS[$stage]=$((KILLS[$stage] + 1))
    echo "$cycle $stage $EDIT $after $menu_ms $load" >>"$LOG"
    if [ $((cycle % 10)) = 0 ]; then
        echo "cycle $cycle: $REACHED/$REQUIRED starts reached the menu, slowest ${SLOWEST} ms," \
            "load $load"
    fi
done

summary="cycles $CYCLES, starts $STARTS; kills: loading ${KILLS[loading]}, profile ${KILLS[profile]}"
summary+=", board ${KILLS[board]}, menu only ${KILLS[none]}; $REACHED of $REQUIRED starts reached"
summary+=" the menu; slowest ${SLOWEST} ms; stalls $HANGS; refused by a held lock $REFUSED; highest 1-minute load $MAX_LOAD"
echo "$summary" | tee "$OUT/summary.txt"
[ "$REACHED" = "$REQUIRED" ]

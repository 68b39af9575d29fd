#!/usr/bin/env bash
# The real game telling of a damaged player list, full screen on a private X server under a
# window manager or none:
#   1. the box has the keyboard: Enter typed at the screen answers it, and the menu follows; the
#      game is full screen while the box is up and after it;
#   2. with the game's window given the keyboard back, Alt+Enter behind the box changes nothing
#      that keeps SIGTERM from ending the game within 3 s.
# Usage: run_box_keys.sh <Vorns> <vorns.pak> <out dir> <none|openbox|fluxbox|i3|awesome>
# Exit 0 passed, 1 failed, 77 skipped (no data or a tool missing).
set -u

APP="$1"
PAK="$2"
OUT="$3"
WM="$4"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"

BOX_TIMEOUT=240
ANSWER_TIMEOUT=20
TERM_LIMIT_MS=3000
SCREEN=1024x768

tools=(Xvfb xdotool xprop)
[ "$WM" = none ] || tools+=("$WM")
skip_without "$PAK" "${tools[@]}"
trap kill_all EXIT
trap 'exit 1' INT TERM
enter_run_folder "$OUT" "$PAK"
fail() { fail_with_windows "$@"; }

start_xvfb "$OUT" "${SCREEN}x24" 600 || fail "Xvfb did not start"
if [ "$WM" != none ]; then
    mkdir -p "$OUT/wm-home"
    printf 'font pango:monospace 8\n' >"$OUT/i3.conf"
    command=("$WM")
    case "$WM" in
        i3) command+=(-c "$OUT/i3.conf") ;;
        openbox) command+=(--sm-disable) ;;
    esac
    HOME="$OUT/wm-home" launch_wm "$OUT/wm.log" "${command[@]}" || fail "$WM did not start"
fi

# box_window: prints the window transient for the game's window, once there is one.
box_window() {
    local w owner
    for w in $(timeout 5 xdotool search --classname '' 2>/dev/null); do
        owner=$(xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*# //p')
        if [ -n "$owner" ] && [ $((owner)) -eq $((WINDOW)) ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# full_screen: the game's window covers the screen, and a window manager says it is full screen.
full_screen() {
    [ "$(xdotool getwindowgeometry "$WINDOW" 2>/dev/null |
        awk '/Position/ {p = $2} /Geometry/ {g = $2} END {print p, g}')" = "0,0 $SCREEN" ] &&
        { [ "$WM" = none ] ||
            xprop -id "$WINDOW" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN; }
}
# await_full_screen <when>: fails when the game is not full screen within ANSWER_TIMEOUT.
await_full_screen() {
    for _ in $(seq $((ANSWER_TIMEOUT * 10))); do
        full_screen && return 0
        sleep 0.1
    done
    fail "the game is not full screen $1: $(xprop -id "$WINDOW" _NET_WM_STATE 2>/dev/null)" \
        "$(xdotool getwindowgeometry "$WINDOW" 2>/dev/null | tr -s '\n ' ' ')"
}

# show_box: a fresh start on a damaged player list; sets WINDOW and BOX once the box is viewable.
show_box() {
    local profiles="$OUT/run/home/Zandermol/Vorns/profiles"
    rm -rf "$OUT/run/home"
    mkdir -p "$profiles"
    printf 'not a player list' >"$profiles/game.dat"
    : >"$OUT/stderr.txt"
    SCREENS_MARK=0
    start_game "$APP" "$OUT"
    BOX=""
    for _ in $(seq $((BOX_TIMEOUT * 4))); do
        WINDOW=$(timeout 5 xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | head -n 1)
        if [ -n "$WINDOW" ] && BOX=$(box_window) &&
            timeout 5 xwininfo -id "$BOX" 2>/dev/null | grep -q IsViewable; then
            return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null || fail "the game ended without a box"
        sleep 0.25
    done
    fail "no box within ${BOX_TIMEOUT}s"
}

# 1. Enter, typed wherever the keyboard is, answers the box.
show_box
for _ in $(seq $((ANSWER_TIMEOUT * 10))); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$((BOX))" ] && break
    sleep 0.1
done
echo "box $BOX over $WINDOW; the keyboard is with $(xdotool getwindowfocus 2>/dev/null)"
await_full_screen "while its box is up"
xdotool key Return
for _ in $(seq $((ANSWER_TIMEOUT * 10))); do
    [ -z "$(descendants "$APP_PID")" ] && break
    sleep 0.1
done
[ -z "$(descendants "$APP_PID")" ] || fail "Enter did not answer the box"
await_screen "$OUT" CMainMenu 240 || fail "no main menu after the box"
await_full_screen "after its box"
echo "full screen while the box was up and after it"
kill -TERM "$APP_PID"
wait "$APP_PID" 2>/dev/null

# 2. Alt+Enter at the game behind its box, then SIGTERM.
show_box
xdotool windowfocus "$WINDOW" 2>/dev/null
xdotool key --clearmodifiers alt+Return
sent=$(date +%s%N)
kill -TERM "$APP_PID"
for _ in $(seq $((TERM_LIMIT_MS / 50 * 4))); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.05
done
took=$((($(date +%s%N) - sent) / 1000000))
kill -0 "$APP_PID" 2>/dev/null && fail "the game still runs ${took} ms after SIGTERM"
echo "SIGTERM after Alt+Enter behind the box: ended in ${took} ms"
[ "$took" -le "$TERM_LIMIT_MS" ] || fail "the game took ${took} ms to end after SIGTERM"
echo "PASSED"

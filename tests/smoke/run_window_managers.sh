#!/usr/bin/env bash
# The real game under window managers: a start in a window and Alt+Enter both ways keep it
# running under none, fluxbox, i3 and (where installed) awesome; a full-screen game whose window
# manager (openbox) starts after it is made to cover the screen; under a manager that maps
# nothing, with or without its check window, the game ends with its message and an error
# status, never on an X error, and when that manager comes during a level, Alt+Enter ends it so
# only after the level, the player list and the settings are saved.
# Usage: run_window_managers.sh <Vorns> <vorns.pak> <out dir>
# Exit 0 passed, 1 failed, 77 skipped (no data or a tool missing).
set -u

APP="$1"
PAK="$2"
OUT="$3"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"

skip_without "$PAK" Xvfb xdotool xprop python3 fluxbox i3 openbox
APP="$(absolute_path "$APP")"
ROOT_OUT="$(mkdir -p "$OUT" && cd "$OUT" && pwd)"
SCREEN=1024x768
trap kill_all EXIT
trap 'exit 1' INT TERM
fail() { fail_with_windows "$CASE: $*"; }

# new_case <name>: a run folder and a private X server of its own.
new_case() {
    kill_all
    CASE="$1"
    SCREENS_MARK=0
    enter_run_folder "$ROOT_OUT/$1" "$PAK"
    # No time limit of its own: the server stopped is gone, and the next may take its number.
    start_xvfb "$OUT" "${SCREEN}x24" || fail "Xvfb did not start"
}
# start_wm <name>: the window manager, once it has named itself on the root.
start_wm() {
    local command=("$1")
    case "$1" in
        i3) command+=(-c /dev/null) ;;
        openbox) command+=(--sm-disable) ;;
    esac
    launch_wm "$OUT/wm.log" "${command[@]}" || fail "$1 did not start"
}
# geometry: the game window's corner and size, "x,y wxh".
geometry() {
    xdotool getwindowgeometry "$WINDOW" 2>/dev/null |
        awk '/Position/ {p = $2} /Geometry/ {g = $2} END {print p, g}'
}
# switch_screen_mode: Alt+Enter, then the new window once the game is still running.
switch_screen_mode() {
    local old="$WINDOW"
    xdotool key alt+Return
    for _ in $(seq 240); do
        kill -0 "$APP_PID" 2>/dev/null || fail "the game ended after Alt+Enter"
        find_window 5 && [ "$WINDOW" != "$old" ] && return 0
        sleep 0.25
    done
    fail "no new window after Alt+Enter"
}
# end_game: SIGTERM, and the game must end well.
end_game() {
    kill -TERM "$APP_PID"
    wait "$APP_PID" || fail "the game ended with status $?"
    APP_PID=""
    ! grep -a "X Error" "$OUT/stderr.txt" || fail "an X error"
}

# A first start full screen on a bare server, to the window and back, then to the window:
# the settings it leaves start the next games in a window.
new_case none
start_game_with_window "$APP" "$OUT" 300 || fail "no game window"
await_screen "$OUT" CMainMenu || fail "no main menu"
switch_screen_mode
switch_screen_mode
switch_screen_mode
end_game
SETTINGS="$(find "$OUT/run/home" -name settings.dat | head -n 1)"
[ -n "$SETTINGS" ] || fail "no settings kept"
SETTINGS_AT="${SETTINGS#"$OUT/run/home/"}"
cp "$SETTINGS" "$ROOT_OUT/windowed-settings.dat"
echo "none: full screen, window, full screen, window: ok"

for wm in none fluxbox i3 $(command -v awesome >/dev/null && echo awesome); do
    new_case "windowed-$wm"
    [ "$wm" = none ] || start_wm "$wm"
    mkdir -p "$(dirname "$OUT/run/home/$SETTINGS_AT")"
    cp "$ROOT_OUT/windowed-settings.dat" "$OUT/run/home/$SETTINGS_AT"
    start_game_with_window "$APP" "$OUT" 300 || fail "no game window"
    await_screen "$OUT" CMainMenu || fail "no main menu"
    switch_screen_mode
    [ "$(geometry)" = "0,0 $SCREEN" ] || fail "full screen is $(geometry)"
    switch_screen_mode
    end_game
    echo "$wm: a start in a window, Alt+Enter both ways: ok"
done

# Openbox comes once the game shows its menu full screen.
new_case late-openbox
start_game_with_window "$APP" "$OUT" 300 || fail "no game window"
await_screen "$OUT" CMainMenu || fail "no main menu"
start_wm openbox
for _ in $(seq 240); do
    [ "$(geometry)" = "0,0 $SCREEN" ] && [ -n "$(xprop -id "$WINDOW" WM_STATE 2>/dev/null)" ] &&
        break
    sleep 0.25
done
xprop -id "$WINDOW" WM_STATE 2>/dev/null | grep -q "window state" ||
    fail "openbox did not take the window over"
[ "$(geometry)" = "0,0 $SCREEN" ] || fail "under openbox the full-screen window is $(geometry)"
end_game
echo "openbox after the game: the window covers the screen: ok"

MESSAGE="The window could not be shown"
# drop_maps [check]: the window manager that maps nothing, once it holds the redirect.
drop_maps() {
    python3 "$HERE/smoke_helpers.py" drop-maps "$@" >"$OUT/wm.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 100); do
        grep -q ready "$OUT/wm.log" && break
        sleep 0.1
    done
    grep -q ready "$OUT/wm.log" || fail "the fake window manager did not start"
}
# ends_with_message: the game ends with an error status, never on an X error, and says why on
# stderr and in its error log.
ends_with_message() {
    wait "$APP_PID"
    local status=$?
    APP_PID=""
    ! grep -a "X Error" "$OUT/stderr.txt" || fail "an X error"
    if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
        fail "the game ended with status $status"
    fi
    grep -aq "$MESSAGE" "$OUT/stderr.txt" || fail "no message on stderr"
    grep -rqa "$MESSAGE" "$OUT/run/home" || fail "no message in the error log"
}
for check in "" check; do
    new_case "drops-maps${check:+-$check}"
    drop_maps $check
    start_game "$APP" "$OUT" 120
    ends_with_message
    echo "a manager that maps nothing${check:+ (with its check window)}: ends with its message: ok"
done

# That manager comes while a level is in play, and Alt+Enter asks for a new window: the game
# ends with its message and an error status once it saved the level, the player list and the
# settings, which keep no sign of a crash (InProgress 0).
new_case drops-maps-on-the-board
mkdir -p "$(dirname "$OUT/run/home/$SETTINGS_AT")"
cp "$ROOT_OUT/windowed-settings.dat" "$OUT/run/home/$SETTINGS_AT"
start_game_with_window "$APP" "$OUT" 300 || fail "no game window"
await_screen "$OUT" CMainMenu 240 steady || fail "no steady main menu"
# NEW GAME, then on past the rules, the land map and the story (each click once its screen is
# steady) to the board.
for next in "239 261 CHelp steady" "716 561 CLandMap steady" "716 561 CComics steady" \
    "716 561 Board shown"; do
    read -r x y screen word <<<"$next"
    xdotool mousemove --window "$WINDOW" "$x" "$y" click 1
    await_screen "$OUT" "$screen" 120 "$word" || fail "no $screen"
done
PROFILES="$(find "$OUT/run/home" -type d -name profiles | head -n 1)"
[ -d "$PROFILES" ] || fail "no profiles folder"
rm -f "$PROFILES"/*.sav
touch "$OUT/before-alt-enter"
drop_maps check
xdotool key alt+Return
ends_with_message
[ -n "$(find "$PROFILES" -name '*.sav' -size +0)" ] || fail "the level in play was not saved"
[ -n "$(find "$PROFILES" -name game.dat -newer "$OUT/before-alt-enter")" ] ||
    fail "the player list was not saved"
[ -n "$(find "$OUT/run/home/$SETTINGS_AT" -newer "$OUT/before-alt-enter")" ] ||
    fail "the settings were not saved"
in_progress=$(python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.index(b"InProgress") + len("InProgress") + 4  # past the name and the value type
size, = struct.unpack_from("<I", data, at)
print(int.from_bytes(data[at + 4:at + 4 + size], "little"))' "$OUT/run/home/$SETTINGS_AT")
[ "$in_progress" = 0 ] || fail "the settings keep InProgress $in_progress"
echo "that manager coming on the board: Alt+Enter saves, then ends with its message: ok"
echo "PASSED"

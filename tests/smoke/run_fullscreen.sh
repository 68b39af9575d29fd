#!/usr/bin/env bash
# The real game full screen on a screen of another size than its own 800x600: the window
# covers the screen, the picture fills the largest place of its shape with black bars, a click
# where a button is shown presses it, Alt+Enter with the options dialog up is kept by its OK
# both ways, the options dialog's box turns full screen off, the window is 800x600 again, and
# the next start keeps that choice.
#
# Usage: run_fullscreen.sh <program> <vorns.pak> <out dir> <width>x<height>
# Exit 0 passed, 1 failed, 77 skipped (no data, no X server, a tool missing).
set -u

APP="${1:-}"
PAK="${2:-}"
OUT="${3:-}"
SIZE="${4:-}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
HELPER="$HERE/screens_helper.py"
# shellcheck source=SCRIPTDIR/game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"
SKIP=77
LIFETIME=300

if [ -z "$APP" ] || [ ! -x "$APP" ] || [ -z "$OUT" ] || [[ ! "$SIZE" =~ ^[0-9]+x[0-9]+$ ]]; then
    echo "usage: $0 <program> <vorns.pak> <out dir> <width>x<height>" >&2
    exit 1
fi
skip_without "$PAK" xdotool python3 timeout Xvfb
SW=${SIZE%x*}
SH=${SIZE#*x}
# Where the 800x600 picture belongs: the largest place of its shape, centred.
read -r FX FY FW FH < <(awk -v w="$SW" -v h="$SH" 'BEGIN {
    if (w * 600 <= h * 800) { fw = w; fh = int((2 * 600 * w / 800 + 1) / 2) }
    else { fh = h; fw = int((2 * 800 * h / 600 + 1) / 2) }
    print int((w - fw) / 2), int((h - fh) / 2), fw, fh }')

APP="$(absolute_path "$APP")"
make_run_folder "$OUT" "$PAK"
trap_cleanup
if ! start_xvfb "$OUT" "${SIZE}x24" $LIFETIME; then
    echo "SKIP: the private X server did not start"
    exit $SKIP
fi

fail() {
    echo "FAIL ($SIZE): $1"
    tail -n 20 "$OUT/stderr.txt"
    exit 1
}
# The window's size once it is the one expected, within 60 s: a sanitized build on a busy
# machine takes long to start.
wait_geometry() {
    local geometry=""
    for _ in $(seq 240); do
        find_window || return 1
        geometry=$(xdotool getwindowgeometry "$WINDOW" 2>/dev/null | awk '/Geometry/ {print $2}')
        [ "$geometry" = "$1" ] && return 0
        sleep 0.25
    done
    echo "the window is $geometry, not $1"
    return 1
}
LAST=()
shot() {
    timeout 120 python3 "$HELPER" shot "$WINDOW" "$OUT/$1.png" "$2" "$3" "$4" 0.3 "${LAST[@]}" ||
        fail "no $1 screen"
    LAST=("$OUT/$1.png.rgb")
}
# Clicks at the screen place where the game shows its own pixel (x, y).
click_scaled() {
    xdotool mousemove $((FX + ($1 * FW + FW / 2) / 800)) $((FY + ($2 * FH + FH / 2) / 600)) click 1
}

if ! start_game_with_window "$APP" "$OUT" $LIFETIME; then
    describe_no_window "$OUT"
    fail "no game window within 60s"
fi
wait_geometry "$SIZE" || fail "full screen does not cover the screen"
# Comparing the top-left 800x600 of the screen is enough to see a new screen come.
shot title 8 0 60
# On a slow machine loading may end before the title was looked at: what was kept may be the
# menu already, and the menu's shot then waits for no change.
if screens_shown "$OUT" | grep -q "CMainMenuE"; then
    echo "note: the menu came before the title's shot"
    LAST=()
fi
# Loading takes as long as the machine makes it; the game says when the menu is up.
await_screen "$OUT" CMainMenu || fail "no main menu"
shot main-menu 400 0.3 60
timeout 60 python3 "$HELPER" screen "$OUT/full-screen-menu.png" 400 "$FX" "$FY" "$FW" "$FH" ||
    fail "the picture does not fill its place"
# Alt+Enter to the window and back, sent as a player's keys to whichever window has the
# keyboard, with the pointer off the new window: no window manager gives a new window the
# keyboard here, nor does the pointer; the game must take it itself, and answer a click.
xdotool key alt+Return
wait_geometry 800x600 || fail "Alt+Enter did not give the 800x600 window"
xdotool mousemove 2 2
xdotool key alt+Return
wait_geometry "$SIZE" || fail "the window did not answer Alt+Enter: no keyboard focus"
click_scaled 239 350
shot options 400 0.1 60
timeout 60 python3 "$HELPER" screen "$OUT/full-screen-options.png" 400 "$FX" "$FY" "$FW" "$FH" ||
    fail "the options dialog does not fill its place"
# Alt+Enter with the dialog up: its OK keeps the window. An OK that undid it would make a new
# window, and the picture of the menu would not come in this one.
xdotool key alt+Return
wait_geometry 800x600 || fail "Alt+Enter over the options did not give the 800x600 window"
shot options-window 400 0 60
xdotool mousemove --window "$WINDOW" 281 436 click 1
shot options-window-ok 400 0.1 60
wait_geometry 800x600 || fail "OK undid the window Alt+Enter gave"
# And the other way: Alt+Enter to full screen with the dialog up ticks its box.
xdotool mousemove --window "$WINDOW" 239 350 click 1
shot options-again 400 0.1 60
xdotool key alt+Return
wait_geometry "$SIZE" || fail "Alt+Enter over the options did not give full screen"
# The full-screen box, then OK.
click_scaled 300 354
sleep 0.3
click_scaled 281 436
wait_geometry 800x600 || fail "back in a window, it is not 800x600"
xdotool mousemove --window "$WINDOW" 239 484 click 1
for _ in $(seq 300); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the game still runs 30s after EXIT"
wait "$APP_PID" || fail "the game ended with an error"

# The choice is kept: the next start is in a window.
start_game "$APP" "$OUT" $LIFETIME
wait_geometry 800x600 || fail "the next start is not in its 800x600 window"
rm -f "$OUT"/*.rgb
echo "FULL SCREEN $SIZE: ok; screenshots in $OUT"
exit 0

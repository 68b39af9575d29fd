#!/usr/bin/env bash
# The real game on the real data, in a real X window, walked by mouse and keyboard through its
# screens and dialogs: full screen, title, main menu, profiles, options, high scores, credits and
# their first words, help, land map, comics, the level announcement, the board with its help
# bubbles and a swap, the pause dialog, back to the menu, a saved game resumed with a full level
# bar and its results, one resumed with whirlwind progress the guide tells, the new-game question
# and out.
# Each screen is kept as a PNG under <out>/ for people to look at; each must have changed from
# the one before and show enough distinct colours not to be blank. The clicks go to the places
# the game puts its buttons; the checks ask nothing of the art beyond that.
#
# Usage: run_screens.sh <program> <vorns.pak> <out dir>
# Exit 0 passed, 1 failed, 77 skipped (no data, no X server, a tool missing).
set -u

APP="${1:-}"
PAK="${2:-}"
OUT="${3:-}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
HELPER="$HERE/screens_helper.py"
# shellcheck source=SCRIPTDIR/game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"
SKIP=77
LIFETIME=600

if [ -z "$APP" ] || [ ! -x "$APP" ] || [ -z "$OUT" ]; then
    echo "usage: $0 <program> <vorns.pak> <out dir>" >&2
    exit 1
fi
skip_without "$PAK" xdotool python3 timeout Xvfb

APP="$(absolute_path "$APP")"
make_run_folder "$OUT" "$PAK"
trap_cleanup
if ! start_xvfb "$OUT" 1024x768x24 $LIFETIME; then
    echo "SKIP: the private X server did not start"
    exit $SKIP
fi

# A first start on a busy machine is slow; the wait is long, and a failure says what it saw.
if ! start_game_with_window "$APP" "$OUT" $LIFETIME; then
    kill -0 "$APP_PID" 2>/dev/null || echo "the game ended before its window showed"
    echo "FAIL: no game window within 60s"
    describe_no_window "$OUT"
    exit 1
fi

# The game starts full screen; Alt+Enter gives it the 800x600 window the walk clicks in.
to_window() {
    sleep 1
    xdotool key --window "$WINDOW" alt+Return
    for _ in $(seq 240); do
        sleep 0.25
        find_window && xdotool getwindowgeometry "$WINDOW" 2>/dev/null |
            grep -q 'Geometry: 800x600' && return 0
    done
    echo "FAIL: Alt+Enter did not give the 800x600 window within 60s"
    exit 1
}
to_window

step=0
LAST=()
# shot <name> <min colours> <min changed> <timeout> <settle> [<screen>]: with <screen>, first
# waits for the game to say it showed that screen (await_screen), however long loading takes.
shot() {
    step=$((step + 1))
    local png
    png="$OUT/$(printf '%02d' $step)-$1.png"
    if [ -n "${6:-}" ] && ! await_screen "$OUT" "$6"; then
        echo "FAIL at '$1': no $6 screen"
        tail -n 20 "$OUT/stderr.txt"
        exit 1
    fi
    local ok=0
    timeout 120 python3 "$HELPER" shot "$WINDOW" "$png" "$2" "$3" "$4" "$5" "${LAST[@]}" && ok=1
    # A window replaced under the picture: look once more at the new one.
    if [ $ok = 0 ] && ! xdotool getwindowname "$WINDOW" >/dev/null 2>&1 && find_window; then
        timeout 120 python3 "$HELPER" shot "$WINDOW" "$png" "$2" "$3" "$4" "$5" "${LAST[@]}" && ok=1
    fi
    if [ $ok = 0 ]; then
        echo "FAIL at '$1' (picture kept in $png)"
        tail -n 20 "$OUT/stderr.txt"
        exit 1
    fi
    LAST=("$png.rgb")
}
# words <name> <timeout> <action...>: an overlay's message, kept the moment it shows. The action
# that brings it runs only once the watch has its first picture: on a busy machine the watcher's
# own start can take longer than the whole overlay.
words() {
    step=$((step + 1))
    local png watcher watching="$OUT/words-watching"
    png="$OUT/$(printf '%02d' $step)-$1.png"
    rm -f "$watching"
    timeout $(($2 + 60)) python3 "$HELPER" words "$WINDOW" "$png" "$2" "$watching" &
    watcher=$!
    while [ ! -e "$watching" ] && kill -0 $watcher 2>/dev/null; do
        sleep 0.1
    done
    rm -f "$watching"
    "${@:3}"
    if ! wait $watcher; then
        echo "FAIL at '$1' (picture kept in $png)"
        exit 1
    fi
    LAST=("$png.rgb")
}
# hover <name> <x> <y> <button x> <button y> <area x> <area y> <width> <height>: moves the pointer
# by motion events alone (the X server's own pointer stays, as under a remote desktop or a script
# that only sends events), first to (x, y) where nothing lights, then over a button at (button x,
# button y). The game's cursor must be drawn at (x, y) first and leave it then, and the area (the
# button, away from the pointer, so the cursor's own picture does not count) must light up.
hover() {
    step=$((step + 1))
    local png probe="$OUT/cursor-probe.png"
    png="$OUT/$(printf '%02d' $step)-$1.png"
    local spot=($(($2 - 16)) $(($3 - 16)) 48 48)
    python3 "$HELPER" motion "$WINDOW" "$2" "$3" || { echo "FAIL: no motion sent"; exit 1; }
    timeout 120 python3 "$HELPER" region "$WINDOW" "$probe" "${LAST[@]}" "${spot[@]}" 0.04 60 ||
        { echo "FAIL at '$1': the cursor is not drawn where the pointer went ($2, $3)"; exit 1; }
    python3 "$HELPER" motion "$WINDOW" "$4" "$5" || { echo "FAIL: no motion sent"; exit 1; }
    timeout 120 python3 "$HELPER" region "$WINDOW" "$png" "$probe.rgb" "${@:6:4}" 0.2 60 ||
        { echo "FAIL at '$1': nothing lit under the pointer (picture kept in $png)"; exit 1; }
    timeout 120 python3 "$HELPER" region "$WINDOW" "$OUT/cursor-left.png" "$probe.rgb" \
        "${spot[@]}" 0.04 60 || { echo "FAIL at '$1': the cursor stayed at ($2, $3)"; exit 1; }
    rm -f "$probe" "$probe.rgb" "$OUT/cursor-left.png" "$OUT/cursor-left.png.rgb"
    LAST=("$png.rgb")
}
# Each action marks the game's screen log, so a shot's <screen> must be one shown after it.
click() {
    screens_mark "$OUT"
    xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}
key() {
    screens_mark "$OUT"
    xdotool key --window "$WINDOW" "$@"
}

# to_menu_by_pause: Escape on the board, and the pause dialog's main-menu button once the
# dialog dims the screen.
to_menu_by_pause() {
    key Escape
    timeout 120 python3 "$HELPER" shot "$WINDOW" "$OUT/pause-probe.png" 0 0.4 60 0 "${LAST[@]}" \
        >/dev/null || { echo "FAIL: Escape did not open the pause dialog"; exit 1; }
    rm -f "$OUT/pause-probe.png" "$OUT/pause-probe.png.rgb"
    click 276 464
}

# Enough colours for anything drawn; the title is a logo on black.
C=400
shot title 8 0 60 0.3
# On a slow machine loading may end before the title was looked at: what was kept may be the
# menu already, and the menu's shot then waits for no change.
if screens_shown "$OUT" | grep -q "CMainMenuE"; then
    echo "note: the menu came before the title's shot"
    LAST=()
fi
# Loading takes as long as the machine makes it: the menu is awaited on the game's word.
shot main-menu $C 0.3 60 0.3 CMainMenu
# The pointer alone over the options button (148, 334, 184 x 36) lights it: the motion's own
# position reaches the game, as from a remote desktop or a script.
hover main-menu-hover 470 290 160 352 240 336 88 32
click 239 223
shot change-profile $C 0.1 30 0.3
click 396 137
xdotool type --delay 30 "Tester"
click 397 161
shot profile-created $C 0.0005 30 0.5
click 296 458
shot main-menu-tester $C 0.1 30 0.3
click 239 350
shot options $C 0.1 30 0.3
# Full screen on, then OK: the picture fills this 4:3 screen; kept, then back to the window.
click 300 354
click 281 436
for _ in $(seq 120); do
    sleep 0.5
    find_window 5 && xdotool getwindowgeometry "$WINDOW" 2>/dev/null |
        grep -q 'Geometry: 1024x768' && break
done
# The new window's first picture may take a moment: look until it fills the screen.
full="$OUT/$(printf '%02d' $step)-options-full-screen.png"
for attempt in $(seq 30); do
    timeout 60 python3 "$HELPER" screen "$full" $C 0 0 1024 768 && break
    [ "$attempt" -lt 30 ] || { echo "FAIL: full screen does not fill the screen"; exit 1; }
    sleep 1
done
to_window
shot options-closed $C 0.1 30 0.3
click 239 442
shot high-scores $C 0.1 30 0.3
click 396 431
shot high-scores-closed $C 0.1 30 0.3
click 239 397
shot credits $C 0.3 30 1 CCredits
# The first words rise into the lower middle once the logo has passed it.
sleep 18
step=$((step + 1))
png="$OUT/$(printf '%02d' $step)-credits-words.png"
timeout 240 python3 "$HELPER" appear "$WINDOW" "$png" "${LAST[@]}" 200 380 400 160 150 180 ||
    { echo "FAIL: no words in the credits"; exit 1; }
LAST=("$png.rgb")
key Escape
shot credits-left $C 0.3 30 0.3 CMainMenu
click 239 261
shot help $C 0.3 30 0.3 CHelp
click 716 561
shot land-map $C 0.3 30 0.3 CLandMap
click 716 561
shot comics $C 0.3 30 0.3 CComics
# The announcement's words zoom in over the dimmed board and are gone two seconds later.
words level-intro 240 click 716 561
shot board-help-bubble $C 0 30 2
click 600 130
shot board $C 0.05 30 0.3
# A swap the picture shows will line up three (level 1: an 8 x 8 field of 43-pixel cells at
# (293, 107)); the blocks must move.
# The blocks may still be on their way in: look again for a few seconds.
x1=""
for _ in $(seq 10); do
    timeout 60 python3 "$HELPER" shot "$WINDOW" "$OUT/field-probe.png" 0 0 1 0 >/dev/null
    read -r x1 y1 x2 y2 < <(python3 "$HELPER" swap "$OUT/field-probe.png.rgb" 293 107 43 8 8)
    [ -z "$x1" ] || break
    sleep 0.5
done
rm -f "$OUT/field-probe.png" "$OUT/field-probe.png.rgb"
if [ -n "$x1" ]; then
    click "$x1" "$y1"
    sleep 0.2
    click "$x2" "$y2"
    shot board-swap $C 0.005 30 0.5
else
    echo "note: no swap seen on the field; none made"
fi
# The pause dialog dims the whole screen. A help bubble that came up meanwhile (the one about
# lines sits left of the field, at the game's place for it) holds the game until clicked.
for attempt in 1 2 3 4; do
    click 743 571
    if timeout 60 python3 "$HELPER" shot "$WINDOW" "$OUT/pause-probe.png" 0 0.4 5 0 "${LAST[@]}" \
        >/dev/null; then
        break
    fi
    [ $attempt -lt 4 ] || { echo "FAIL: the pause dialog did not open"; exit 1; }
    click 230 340
    sleep 1
done
shot pause-dialog $C 0 1 0.8
rm -f "$OUT/pause-probe.png" "$OUT/pause-probe.png.rgb"
click 276 464
shot main-menu-after-game $C 0.3 30 0.3 CMainMenu
# The saved game's level bar filled to the top: resuming it wins the level at once, and the
# results dialog counts up; leaving it for the menu saves the next level.
saved=$(ls "$OUT"/run/home/*/Vorns/profiles/Tester.sav 2>/dev/null | head -n 1)
python3 "$HELPER" fill "$saved" || { echo "FAIL: no saved game to fill ('$saved')"; exit 1; }
click 239 307
shot stage-complete $C 0.3 60 6
click 304 524
# A saved game the game refuses starts the level afresh instead: back through the pause dialog.
if ! await_screen "$OUT" CMainMenu 60; then
    echo "note: no results dialog came (the saved game was refused?)"
    to_menu_by_pause
fi
shot main-menu-after-stage $C 0.3 30 0.3
# Half a whirlwind charge in the saved game: the guide says how far it is once play resumes.
python3 "$HELPER" whirl "$saved" 7 || { echo "FAIL: cannot edit the saved game"; exit 1; }
click 239 307
shot whirlwind-progress $C 0.3 60 3
to_menu_by_pause
shot main-menu-after-whirlwind $C 0.3 30 0.3 CMainMenu
# A game is saved now: a new one asks first.
click 239 261
shot new-game-dialog $C 0.1 30 0.3
click 506 339
shot new-game-dialog-closed $C 0.1 30 0.3
click 239 484

for _ in $(seq 300); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$APP_PID" 2>/dev/null; then
    echo "FAIL: the game still runs 30s after EXIT"
    exit 1
fi
code=0
wait "$APP_PID" || code=$?
APP_PID=""
rm -f "$OUT"/*.rgb
[ $code -eq 0 ] || { echo "FAIL: the game ended with code $code"; tail -n 20 "$OUT/stderr.txt"; exit 1; }
echo "screenshots: $OUT"
echo "SCREENS: all $step screens seen"
exit 0

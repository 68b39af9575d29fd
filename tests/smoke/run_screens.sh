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
LIFETIME=240

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
    for _ in $(seq 40); do
        sleep 0.25
        find_window && xdotool getwindowgeometry "$WINDOW" 2>/dev/null |
            grep -q 'Geometry: 800x600' && return 0
    done
    echo "FAIL: Alt+Enter did not give the 800x600 window"
    exit 1
}
to_window

step=0
LAST=()
# shot <name> <min colours> <min changed> <timeout> <settle>
shot() {
    step=$((step + 1))
    local png
    png="$OUT/$(printf '%02d' $step)-$1.png"
    local ok=0
    timeout 60 python3 "$HELPER" shot "$WINDOW" "$png" "$2" "$3" "$4" "$5" "${LAST[@]}" && ok=1
    # A window replaced under the picture: look once more at the new one.
    if [ $ok = 0 ] && ! xdotool getwindowname "$WINDOW" >/dev/null 2>&1 && find_window; then
        timeout 60 python3 "$HELPER" shot "$WINDOW" "$png" "$2" "$3" "$4" "$5" "${LAST[@]}" && ok=1
    fi
    if [ $ok = 0 ]; then
        echo "FAIL at '$1' (picture kept in $png)"
        tail -n 20 "$OUT/stderr.txt"
        exit 1
    fi
    LAST=("$png.rgb")
}
# words <name> <timeout>: an overlay's message, kept the moment it shows.
words() {
    step=$((step + 1))
    local png
    png="$OUT/$(printf '%02d' $step)-$1.png"
    if ! timeout 60 python3 "$HELPER" words "$WINDOW" "$png" "$2"; then
        echo "FAIL at '$1' (picture kept in $png)"
        exit 1
    fi
    LAST=("$png.rgb")
}
click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click 1; }
key() { xdotool key --window "$WINDOW" "$@"; }

# Enough colours for anything drawn; the title is a logo on black.
C=400
shot title 8 0 30 0.3
shot main-menu $C 0.3 20 0.3
click 239 223
shot change-profile $C 0.1 10 0.3
click 396 137
xdotool type --delay 30 "Tester"
click 397 161
shot profile-created $C 0.0005 10 0.5
click 296 458
shot main-menu-tester $C 0.1 10 0.3
click 239 350
shot options $C 0.1 10 0.3
# Full screen on, then OK: the picture fills this 4:3 screen; kept, then back to the window.
click 300 354
click 281 436
sleep 2
timeout 60 python3 "$HELPER" screen "$OUT/$(printf '%02d' $step)-options-full-screen.png" $C \
    0 0 1024 768 || { echo "FAIL: full screen does not fill the screen"; exit 1; }
find_window
to_window
shot options-closed $C 0.1 10 0.3
click 239 442
shot high-scores $C 0.1 10 0.3
click 396 431
shot high-scores-closed $C 0.1 10 0.3
click 239 397
shot credits $C 0.3 10 1
# The first words rise into the lower middle once the logo has passed it.
sleep 18
step=$((step + 1))
png="$OUT/$(printf '%02d' $step)-credits-words.png"
timeout 60 python3 "$HELPER" appear "$WINDOW" "$png" "${LAST[@]}" 200 380 400 160 150 40 ||
    { echo "FAIL: no words in the credits"; exit 1; }
LAST=("$png.rgb")
key Escape
shot credits-left $C 0.3 10 0.3
click 239 261
shot help $C 0.3 10 0.3
click 716 561
shot land-map $C 0.3 10 0.3
click 716 561
shot comics $C 0.3 10 0.3
click 716 561
# The announcement's words zoom in over the dimmed board and are gone two seconds later.
words level-intro 20
shot board-help-bubble $C 0 10 2
click 600 130
shot board $C 0.05 10 0.3
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
    shot board-swap $C 0.005 10 0.5
else
    echo "note: no swap seen on the field; none made"
fi
# The pause dialog dims the whole screen. A help bubble that came up meanwhile (the one about
# lines sits left of the field, at the game's place for it) holds the game until clicked.
for attempt in 1 2 3 4; do
    click 743 571
    if timeout 60 python3 "$HELPER" shot "$WINDOW" "$OUT/pause-probe.png" 0 0.4 2 0 "${LAST[@]}" \
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
shot main-menu-after-game $C 0.3 10 0.3
# The saved game's level bar filled to the top: resuming it wins the level at once, and the
# results dialog counts up; leaving it for the menu saves the next level.
saved=$(ls "$OUT"/run/home/*/Vorns/profiles/Tester.sav 2>/dev/null | head -n 1)
python3 "$HELPER" fill "$saved" || { echo "FAIL: no saved game to fill ('$saved')"; exit 1; }
click 239 307
shot stage-complete $C 0.3 20 6
click 304 524
# A saved game the game refuses starts the level afresh instead: back through the pause dialog.
if ! timeout 60 python3 "$HELPER" shot "$WINDOW" "$OUT/menu-probe.png" 0 0.3 10 0 "${LAST[@]}" \
    >/dev/null; then
    echo "note: no results dialog came (the saved game was refused?)"
    key Escape
    sleep 1
    click 276 464
fi
rm -f "$OUT/menu-probe.png" "$OUT/menu-probe.png.rgb"
shot main-menu-after-stage $C 0.3 10 0.3
# Half a whirlwind charge in the saved game: the guide says how far it is once play resumes.
python3 "$HELPER" whirl "$saved" 7 || { echo "FAIL: cannot edit the saved game"; exit 1; }
click 239 307
shot whirlwind-progress $C 0.3 20 3
key Escape
sleep 1
click 276 464
shot main-menu-after-whirlwind $C 0.3 10 0.3
# A game is saved now: a new one asks first.
click 239 261
shot new-game-dialog $C 0.1 10 0.3
click 506 339
shot new-game-dialog-closed $C 0.1 10 0.3
click 239 484

for _ in $(seq 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$APP_PID" 2>/dev/null; then
    echo "FAIL: the game still runs 10s after EXIT"
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

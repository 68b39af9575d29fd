#!/usr/bin/env bash
# The real game, full screen under openbox, telling of a damaged player list: its box is
# transient for the game's window and stacked above it, and once it is answered a click on the
# menu works once it has faded in.
# Usage: run_box_owner.sh <Vorns> <vorns.pak> <out dir>
# Exit 0 passed, 1 failed, 77 skipped (no data or a tool missing).
set -u

APP="$1"
PAK="$2"
OUT="$3"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"

skip_without "$PAK" Xvfb openbox xdotool xprop
trap kill_all EXIT
trap 'exit 1' INT TERM
enter_run_folder "$OUT" "$PAK"
fail() { fail_with_windows "$@"; }

PROFILES="$OUT/run/home/Zandermol/Vorns/profiles"
mkdir -p "$PROFILES"
printf 'not a player list' >"$PROFILES/game.dat"

start_xvfb "$OUT" 1024x768x24 600 || fail "Xvfb did not start"
launch_wm "$OUT/openbox.log" openbox --sm-disable || fail "openbox did not start"

# clients: the windows openbox manages, bottom to top, as 0x... ids.
clients() {
    xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed -n 's/.*# //p' | tr -d ','
}

start_game "$APP" "$OUT"
# The game's window is the client of the game's process, the box any other; both bear the
# game's title.
GAME=""
BOX=""
for _ in $(seq 960); do
    for w in $(clients); do
        if xprop -id "$w" _NET_WM_PID 2>/dev/null | grep -q "= $APP_PID\$"; then
            GAME="$w"
        else
            BOX="$w"
        fi
    done
    [ -n "$GAME" ] && [ -n "$BOX" ] && break
    kill -0 "$APP_PID" 2>/dev/null || fail "the game ended without a box"
    sleep 0.25
done
[ -n "$GAME" ] || fail "no game window"
WINDOW=$((GAME))
[ -n "$BOX" ] || fail "no box about the damaged player list"
echo "game $GAME: $(xprop -id "$GAME" _NET_WM_STATE)"
echo "box $BOX: $(xprop -id "$BOX" WM_NAME) $(xprop -id "$BOX" WM_TRANSIENT_FOR)"
echo "stacking, bottom to top: $(clients | tr '\n' ' ')"
owner=$(xprop -id "$BOX" WM_TRANSIENT_FOR | sed -n 's/.*# //p')
[ -n "$owner" ] && [ $((owner)) -eq $((GAME)) ] ||
    fail "the box is transient for '${owner}', not for the game's window $GAME"
at=0
for w in $(clients); do
    at=$((at + 1))
    [ $((w)) -eq $((GAME)) ] && gameAt=$at
    [ $((w)) -eq $((BOX)) ] && boxAt=$at
done
[ "${boxAt:-0}" -gt "${gameAt:-0}" ] || fail "the box is stacked below the game"

xdotool windowactivate --sync "$BOX" key --window "$BOX" Return 2>/dev/null ||
    xdotool key --window "$BOX" Return
for _ in $(seq 200); do
    clients | grep -qx "$BOX" || break
    sleep 0.1
done
clients | grep -qx "$BOX" && fail "the box did not close on Return"
await_screen "$OUT" CMainMenu 240 || fail "no main menu after the box"
echo "active after the box: $(xprop -root _NET_ACTIVE_WINDOW | sed -n 's/.*# //p')"

# The box is told of while the menu is added, so the menu fades in after it; a press during the
# fade is ignored. Once it is steady, one click on the credits button (149, 381 on the 800 x 600
# picture, shown at 1.28 times on this screen), without focusing the window by other means.
await_screen "$OUT" CMainMenu 60 steady || fail "the menu did not fade in after the box"
xdotool mousemove --window "$WINDOW" 310 500 sleep 0.2 click 1
await_screen "$OUT" CCredits 60 || fail "a click on the steady menu did nothing after the box"
kill -TERM "$APP_PID"
wait "$APP_PID" 2>/dev/null
echo "PASSED"

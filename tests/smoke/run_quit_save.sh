#!/usr/bin/env bash
# The real game on the main menu whose player list cannot be written (game.dat is a folder):
# SIGTERM ends it within 3 s, its last save failing, with no box shown or left behind; the
# box's words go to the error log instead.
# Usage: run_quit_save.sh <Vorns> <vorns.pak> <out dir>
# Exit 0 passed, 1 failed, 77 skipped (no data or a tool missing).
set -u

APP="$1"
PAK="$2"
OUT="$3"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=game_under_xvfb.sh
source "$HERE/game_under_xvfb.sh"

TERM_LIMIT_MS=3000

skip_without "$PAK" Xvfb xdotool
LEFT=""
kill_all() {
    local pid
    # shellcheck disable=SC2086  # one word per process
    for pid in $LEFT "$APP_PID"; do
        [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null
    done
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null
}
trap kill_all EXIT
trap 'exit 1' INT TERM
enter_run_folder "$OUT" "$PAK"
fail() { fail_with_windows "$@"; }

start_xvfb "$OUT" 1024x768x24 600 || fail "Xvfb did not start"
start_game "$APP" "$OUT"
await_screen "$OUT" CMainMenu 240 || fail "no main menu"

PROFILES=$(ls -d "$OUT"/run/home/*/Vorns/profiles 2>/dev/null | head -n 1)
[ -d "$PROFILES" ] || fail "no profiles folder under $OUT/run/home"
rm -f "$PROFILES/game.dat"
mkdir "$PROFILES/game.dat"

sent=$(date +%s%N)
kill -TERM "$APP_PID"
# Watched without sleeping between looks: the figure is the time to the end.
while [ -d "/proc/$APP_PID" ] && [ "$(awk '{print $3}' "/proc/$APP_PID/stat" 2>/dev/null)" != Z ]; do
    LEFT=$(descendants "$APP_PID")
    if [ $((($(date +%s%N) - sent) / 1000000)) -gt 30000 ]; then
        fail "the game still runs 30 s after SIGTERM (below it: $(echo $LEFT))"
    fi
    sleep 0.02
done
took=$((($(date +%s%N) - sent) / 1000000))
wait "$APP_PID" 2>/dev/null
echo "SIGTERM to exit with a failing last save: ${took} ms"
[ "$took" -le "$TERM_LIMIT_MS" ] || fail "the game took ${took} ms to end after SIGTERM"
for pid in $LEFT; do
    [ -d "/proc/$pid" ] && fail "process $pid of the game outlived it"
done
grep -q "cannot be saved" "$PROFILES/../ScrError.txt" 2>/dev/null ||
    fail "the error log does not tell that the game could not save"
echo "PASSED"

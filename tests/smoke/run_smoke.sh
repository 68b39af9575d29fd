#!/usr/bin/env bash
# shellcheck disable=SC2317  # the little tests handed to wait_for look unreachable to it
# End-to-end run of the smoke app in a real X window with the sdl backend:
#   the window is 800x600, its pixels are the test picture (smoke_helpers.py compare), a click
#   reaches the widget manager, and closing the window shuts the program down in order with
#   exit code 0.
# Two runs: on $DISPLAY (closed like a window manager's close button), and on a private
# 16-bit Xvfb when Xvfb is there (closed with Alt+F4; on $DISPLAY again otherwise).
#
# Usage: run_smoke.sh <vesk_smoke_app>
# Exit 0 passed, 1 failed, 77 skipped (no DISPLAY or a tool missing).
set -u

APP="${1:-}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
HELPERS="$HERE/smoke_helpers.py"
SKIP=77

# Bounds of every wait, in seconds (generous for the sanitizer build).
READY_TIMEOUT=30
WINDOW_TIMEOUT=10
CLICK_TIMEOUT=4
EXIT_TIMEOUT=20
# The app and the private X server can never outlive the test, even if it is killed outright.
LIFETIME=100

if [ -z "$APP" ] || [ ! -x "$APP" ]; then
    echo "usage: $0 <vesk_smoke_app>" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "SKIP: DISPLAY is not set"
    exit $SKIP
fi
for tool in xdotool python3 timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is missing"
        exit $SKIP
    fi
done
if ! timeout 10 xdotool getmouselocation >/dev/null 2>&1; then
    echo "SKIP: cannot talk to the X display $DISPLAY"
    exit $SKIP
fi

OUT="$PWD/smoke-out"
rm -rf "$OUT"
mkdir -p "$OUT"

APP_PID=""
XVFB_PID=""

stop_app() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        wait_for 3 app_gone || kill -9 "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    APP_PID=""
}

cleanup() {
    stop_app
    if [ -n "$XVFB_PID" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    XVFB_PID=""
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# wait_for <seconds> <command...>: runs the command every 0.1 s until it succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    while ! "$@"; do
        if [ $SECONDS -ge $deadline ]; then
            return 1
        fi
        sleep 0.1
    done
}

app_alive() { kill -0 "$APP_PID" 2>/dev/null; }
has_line() { grep -q -- "$2" "$1"; }
ready_or_gone() { has_line "$1" "^SMOKE ready " || ! app_alive; }
app_gone() { ! app_alive; }

# fail <reason>: inside run_case; reports with the app's output and stops it.
fail() {
    echo "FAIL ($name): $*"
    echo "-- stdout:"
    cat "$log"
    echo "-- stderr (last 40 lines):"
    tail -n 40 "$err"
    stop_app
    return 1
}

# run_case <name> <close: delete|altf4>, on the current DISPLAY.
run_case() {
    local name="$1" close="$2"
    local dir="$OUT/$name"
    mkdir -p "$dir/home" "$dir/run"
    chmod 700 "$dir/run"
    local log="$dir/stdout.txt" err="$dir/stderr.txt"

    echo "== $name: DISPLAY=$DISPLAY, closed by $close"
    # A private home: no stored settings change the window, nothing is left in the user's,
    # and the single-instance lock is this run's own, so that other copies running at the
    # same time (another build's test) are not taken for this one.
    XDG_CONFIG_HOME="$dir/home" XDG_DATA_HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" \
        SDL_VIDEODRIVER=x11 \
        DBUS_SESSION_BUS_ADDRESS=disabled: \
        timeout -k 5 $LIFETIME "$APP" --backend=sdl >"$log" 2>"$err" &
    APP_PID=$!

    wait_for $READY_TIMEOUT ready_or_gone "$log"
    if ! has_line "$log" "^SMOKE ready "; then
        if app_alive; then
            fail "no first frame within ${READY_TIMEOUT}s"
        else
            fail "the app ended before its first frame"
        fi
        return 1
    fi
    # SMOKE ready <w>x<h> <bits> <red mask> <green mask> <blue mask> <windowed|fullscreen> <pid>
    local ready
    read -r -a ready < <(grep -m1 "^SMOKE ready " "$log")
    local size="${ready[2]}" bits="${ready[3]}" rmask="${ready[4]}" gmask="${ready[5]}"
    local bmask="${ready[6]}" mode="${ready[7]}" pid="${ready[8]}"
    echo "app: $size, $bits-bit screen ($rmask/$gmask/$bmask), $mode"
    [ "$size" = "800x600" ] || { fail "screen is $size, not 800x600"; return 1; }
    [ "$mode" = "windowed" ] || { fail "the app did not get a window ($mode)"; return 1; }

    local window
    # This process's window: another copy may share the display.
    # Polled: a window of another test vanishing mid-search makes xdotool give up.
    local deadline=$((SECONDS + WINDOW_TIMEOUT))
    window=""
    while [ -z "$window" ] && [ $SECONDS -lt $deadline ]; do
        window=$(timeout 5 xdotool search --all --onlyvisible --pid "$pid" \
            --name '^Vesk Smoke$' 2>/dev/null | head -n 1)
        [ -n "$window" ] || sleep 0.25
    done
    [ -n "$window" ] ||
        { fail "no visible window 'Vesk Smoke' of process $pid within ${WINDOW_TIMEOUT}s"; return 1; }

    local geometry
    geometry=$(timeout 10 xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
    [ "$geometry" = "800x600" ] || { fail "window $window is '$geometry', not 800x600"; return 1; }

    # The picture, pixel for pixel. Covered parts of a window have no pixels to read, and
    # other tests may briefly put windows on a shared display: raise the window and look
    # again before giving up (which also gives a first present on its way time to arrive).
    local compared=1 attempt
    for attempt in 1 2 3; do
        timeout 10 xdotool windowraise "$window"
        if timeout 30 python3 "$HELPERS" compare "$window" "$bits" "$rmask" "$gmask" "$bmask" \
            "$dir/screenshot.png" >"$dir/compare.txt" 2>&1; then
            compared=0
            break
        fi
        echo "look $attempt: $(head -n 1 "$dir/compare.txt")"
        [ $attempt -eq 3 ] || sleep 1
    done
    cat "$dir/compare.txt"
    [ $compared -eq 0 ] || { fail "the window does not show the test picture"; return 1; }

    # A left click at a known point reaches the widget manager at the same point; clicked
    # again (raised first) if another window took it.
    local clicked=1
    for attempt in 1 2 3; do
        timeout 10 xdotool windowraise "$window"
        timeout 10 xdotool mousemove --window "$window" 123 45 click 1 ||
            { fail "xdotool could not click"; return 1; }
        if wait_for $CLICK_TIMEOUT has_line "$log" "^SMOKE click 123 45 1$"; then
            clicked=0
            break
        fi
        echo "click $attempt was not seen"
    done
    [ $clicked -eq 0 ] ||
        { fail "the click did not reach the widget manager (3 tries, ${CLICK_TIMEOUT}s each)"; return 1; }
    echo "click seen"

    # Typed keys reach the focus widget as the characters the toolkit expects: Ctrl+C 3,
    # Backspace 8, Enter 13, Ctrl+V 22.
    local typed=1
    for attempt in 1 2 3; do
        timeout 10 xdotool windowfocus "$window" 2>/dev/null
        timeout 10 xdotool key --clearmodifiers ctrl+c BackSpace Return ctrl+v ||
            { fail "xdotool could not type"; return 1; }
        if wait_for $CLICK_TIMEOUT has_line "$log" "^SMOKE char 22$"; then
            typed=0
            break
        fi
        echo "typing $attempt was not seen"
    done
    for c in 3 8 13 22; do
        [ $typed -eq 0 ] && has_line "$log" "^SMOKE char $c$" ||
            { fail "key character $c did not reach the focus widget"; return 1; }
    done
    echo "key characters seen"

    case "$close" in
        delete)
            timeout 10 python3 "$HELPERS" close "$window" || { fail "could not ask the window to close"; return 1; }
            ;;
        altf4)
            # Keys go to the focused window; there may be no window manager to give it focus.
            timeout 10 xdotool windowfocus "$window" 2>/dev/null
            timeout 10 xdotool key --clearmodifiers alt+F4 || { fail "xdotool could not type Alt+F4"; return 1; }
            ;;
    esac

    if ! wait_for $EXIT_TIMEOUT app_gone; then
        fail "still running ${EXIT_TIMEOUT}s after the close request"
        return 1
    fi
    local code=0
    wait "$APP_PID" || code=$?
    APP_PID=""
    [ $code -eq 0 ] || { fail "exit code $code"; return 1; }
    # In order: the shutdown hook ran, then Start returned and the app was destroyed.
    local order
    order=$(grep -E "^SMOKE (shutdown|exit)$" "$log" | tr '\n' ' ')
    [ "$order" = "SMOKE shutdown SMOKE exit " ] ||
        { fail "shutdown lines are '$order', expected 'SMOKE shutdown' then 'SMOKE exit'"; return 1; }
    echo "closed, exit code 0"
    echo "PASS ($name)"
    return 0
}

# start_xvfb16: a private 16-bit TrueColor X server; sets DISPLAY16 to its display.
DISPLAY16=""
start_xvfb16() {
    command -v Xvfb >/dev/null 2>&1 || return 1
    local numberFile="$OUT/xvfb16.display"
    : >"$numberFile"
    timeout -k 5 $LIFETIME Xvfb -displayfd 3 -screen 0 1024x768x16 -cc 4 -nolisten tcp \
        3>"$numberFile" >"$OUT/xvfb16.log" 2>&1 &
    XVFB_PID=$!
    if ! wait_for 15 test -s "$numberFile"; then
        cleanup
        return 1
    fi
    DISPLAY16=":$(tr -d '[:space:]' <"$numberFile")"
}

failures=0
# Windows of two runs on one display would cover each other's pixels: one run at a time.
lockFile="${TMPDIR:-/tmp}/vesk-smoke-$(id -u)-${DISPLAY//[^0-9A-Za-z]/_}.lock"
if command -v flock >/dev/null 2>&1 && exec 9>"$lockFile"; then
    if ! flock -w 60 9; then
        echo "FAIL: another smoke run held $DISPLAY for 60s"
        exit 1
    fi
fi
run_case depth-main delete || failures=$((failures + 1))

if start_xvfb16; then
    mainDisplay="$DISPLAY"
    export DISPLAY="$DISPLAY16"
    run_case depth16 altf4 || failures=$((failures + 1))
    export DISPLAY="$mainDisplay"
    cleanup
else
    echo "note: no private 16-bit X server (Xvfb missing or did not start); the 16-bit picture is not checked"
    run_case altf4 altf4 || failures=$((failures + 1))
fi

echo "screenshots and logs: $OUT"
if [ $failures -ne 0 ]; then
    echo "SMOKE: $failures run(s) failed"
    exit 1
fi
echo "SMOKE: all runs passed"
exit 0

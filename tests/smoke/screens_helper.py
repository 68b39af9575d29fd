#!/usr/bin/env python3
"""Screenshots of run_screens.sh.

shot <window id> <png> <min colours> <min changed> <timeout> <settle> [<previous png's rgb>]
    Waits until the window's picture differs from the previous shot in at least <min changed>
    of its pixels (a fraction) and shows at least <min colours> colours, then waits <settle> seconds and
    until two reads 0.2 s apart hardly differ (fades done, at most 3 s more), reads it again and keeps it as <png> (and its raw
    pixels as <png>.rgb, for the next step). Fails when the picture did not change within
    <timeout> seconds or shows fewer than <min colours> distinct colours (a blank or broken
    screen). Prints one line: name, distinct colours, changed fraction.
    Exit 0 on success, 1 on a failed check, 2 when it could not read the window.

screen <png> <min colours> [<x> <y> <width> <height>]
    Keeps the whole screen as <png>. With a rectangle (where the game's picture should be
    shown), checks that everything outside it is black and that its own edges are not: the
    picture fills that place and no more. Exit 0 when it does, 1 otherwise.

words <window id> <png> <timeout>
    Waits until large light words cover the middle band of the dimmed window (an overlay's
    message zoomed over the board, there for a second or two) and keeps that picture as <png> and
    <png>.rgb at once. Exit 1 when none showed within <timeout> seconds.

appear <window id> <png> <previous png's rgb> <x> <y> <width> <height> <count> <timeout>
    Waits until at least <count> pixels of the rectangle are light that were not in the previous
    shot (words rising into it), and keeps that picture as <png> and <png>.rgb. Exit 1 when none
    came within <timeout> seconds.

region <window id> <png> <previous png's rgb> <x> <y> <width> <height> <min changed> <timeout>
    Waits until at least <min changed> (a fraction) of the rectangle's pixels differ from the
    previous shot (a button drawn lit under the pointer), and keeps that picture as <png> and
    <png>.rgb. Exit 1 when it did not within <timeout> seconds.

motion <window id> <x> <y>
    Sends the window a pointer motion to (x, y) of its own, as a remote desktop's input may
    come: the X server's pointer itself does not move. Exit 0 when it was sent.

fill <saved game>
    Fills the level bar of a saved game to the top, so that resuming it wins the level at
    once. The bar's record ends with the ends of its tube (753, 395) and (753, 25); its value,
    maximum, length and fill come 57, 49, 45 and 41 bytes before them. Exit 1 when the record
    is not found exactly once.

whirl <saved game> <progress>
    Sets the whirlwind's progress in a saved game's header, so that the guide announces it when
    the game is resumed. Exit 1 when the file is too short for a header.

swap <rgb> <field x> <field y> <cell> <columns> <rows>
    Reads the blocks of the field in a kept picture by the colour at each cell's centre and
    prints "x1 y1 x2 y2", the centres of two neighbours whose swap lines up three; prints
    nothing when it sees none.
"""

import ctypes
import os
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from smoke_helpers import WIDTH, HEIGHT, Z_PIXMAP, ALL_PLANES, load_x11, write_png  # noqa: E402


def grab(x11, display, window, width=WIDTH, height=HEIGHT):
    """The window's pixels as packed RGB bytes, or None."""
    x11.XDestroyImage.argtypes = [ctypes.c_void_p]
    image = x11.XGetImage(display, window, 0, 0, width, height, ALL_PLANES, Z_PIXMAP)
    if not image:
        return None
    info = image.contents
    if info.bits_per_pixel != 32 or info.red_mask != 0xFF0000 or info.blue_mask != 0xFF:
        x11.XDestroyImage(image)
        raise RuntimeError("needs a 24-bit TrueColor visual, got %d bits per pixel" %
                           info.bits_per_pixel)
    raw = ctypes.string_at(info.data, info.bytes_per_line * height)
    stride = info.bytes_per_line
    x11.XDestroyImage(image)
    if stride != width * 4:
        raw = b"".join(raw[y * stride:y * stride + width * 4] for y in range(height))
    rgb = bytearray(width * height * 3)
    rgb[0::3] = raw[2::4]
    rgb[1::3] = raw[1::4]
    rgb[2::3] = raw[0::4]
    return bytes(rgb)


def colours(rgb):
    return len({rgb[i:i + 3] for i in range(0, len(rgb), 3)})


def changed(a, b, tolerance=40):
    """Fraction of pixels (every ninth) with a channel that moved by more than a little, so
    that drifting clouds and twinkles count for little and a new screen or a dimmed one for
    much."""
    if a is None or len(a) != len(b):
        return 1.0
    step = 27
    differ = 0
    for i in range(0, len(a), step):
        if (abs(a[i] - b[i]) > tolerance or abs(a[i + 1] - b[i + 1]) > tolerance
                or abs(a[i + 2] - b[i + 2]) > tolerance):
            differ += 1
    return differ / (len(a) // step)


def settled(x11, display, window, limit):
    """The picture once two reads 0.2 s apart hardly differ (fades done), within `limit`."""
    deadline = time.monotonic() + limit
    rgb = grab(x11, display, window)
    while time.monotonic() < deadline:
        time.sleep(0.2)
        again = grab(x11, display, window)
        # A fade moves every pixel a little; drifting clouds move a few.
        if changed(rgb, again, 10) < 0.04:
            return again
        rgb = again
    return rgb


def shot(window, png, min_colours, min_changed, timeout, settle, previous_path):
    previous = None
    if previous_path and os.path.exists(previous_path):
        with open(previous_path, "rb") as f:
            previous = f.read()
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        print("shot: cannot open the display")
        return 2
    try:
        deadline = time.monotonic() + timeout
        while True:
            while True:
                rgb = grab(x11, display, window)
                if rgb is None:
                    print("shot: cannot read the window")
                    return 2
                fraction = changed(previous, rgb)
                if fraction >= min_changed and colours(rgb) >= min_colours:
                    break
                if time.monotonic() > deadline:
                    write_png(png, WIDTH, HEIGHT, rgb)
                    print("%s: FAIL no new screen within %gs (%.3f of its pixels changed, %d "
                          "colours)" % (os.path.basename(png), timeout, fraction, colours(rgb)))
                    return 1
                time.sleep(0.1)
            if settle > 0:
                time.sleep(settle)
            rgb = settled(x11, display, window, 3)
            # A fade out that settled on black before the next screen came: wait for it.
            if colours(rgb) >= min_colours or time.monotonic() > deadline:
                break
    finally:
        x11.XCloseDisplay(display)
    write_png(png, WIDTH, HEIGHT, rgb)
    with open(png + ".rgb", "wb") as f:
        f.write(rgb)
    count = colours(rgb)
    verdict = "ok" if count >= min_colours else "FAIL too few colours (blank?)"
    print("%s: %s, %d colours, %.3f changed" % (os.path.basename(png), verdict, count,
                                               changed(previous, rgb)))
    return 0 if count >= min_colours else 1


def screen(png, min_colours, place):
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        print("screen: cannot open the display")
        return 2
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    width, height = x11.XDisplayWidth(display, 0), x11.XDisplayHeight(display, 0)
    try:
        rgb = grab(x11, display, x11.XDefaultRootWindow(display), width, height)
    finally:
        x11.XCloseDisplay(display)
    write_png(png, width, height, rgb)
    faults = []
    if colours(rgb) < min_colours:
        faults.append("%d colours" % colours(rgb))
    if place:
        x0, y0, w, h = place

        def lit(x, y):
            i = (y * width + x) * 3
            return rgb[i] + rgb[i + 1] + rgb[i + 2] > 0
        outside = sum(lit(x, y) for y in range(0, height, 3) for x in range(0, width, 3)
                      if not (x0 <= x < x0 + w and y0 <= y < y0 + h))
        if outside:
            faults.append("%d lit pixels in the bars" % outside)
        edges = [[(x, y0) for x in range(x0, x0 + w)], [(x, y0 + h - 1) for x in range(x0, x0 + w)],
                 [(x0, y) for y in range(y0, y0 + h)], [(x0 + w - 1, y) for y in range(y0, y0 + h)]]
        for name, edge in zip(("top", "bottom", "left", "right"), edges):
            if sum(lit(x, y) for x, y in edge) < len(edge) // 2:
                faults.append("the picture's %s edge is dark" % name)
    print("%s: %dx%d, %s" % (os.path.basename(png), width, height,
                             "; ".join(faults) if faults else "ok"))
    return 1 if faults else 0


def kind(rgb, x, y):
    """The block at (x, y) by its colour: red, blue, green, yellow, or None."""
    total = [0, 0, 0]
    for dy in range(-2, 3):
        for dx in range(-2, 3):
            i = ((y + dy) * WIDTH + x + dx) * 3
            for c in range(3):
                total[c] += rgb[i + c]
    r, g, b = (v / 25 for v in total)
    if r > 150 and g < 110 and b < 110:
        return "red"
    if b > 150 and r < 110:
        return "blue"
    if g > 150 and r < 130 and b < 150:
        return "green"
    if r > 170 and g > 150 and b < 110:
        return "yellow"
    return None


def lines_up(grid, columns, rows, c, r):
    k = grid[r][c]
    if k is None:
        return False
    for dc, dr in ((1, 0), (0, 1)):
        run = 1
        for sign in (1, -1):
            cc, rr = c + sign * dc, r + sign * dr
            while 0 <= cc < columns and 0 <= rr < rows and grid[rr][cc] == k:
                run += 1
                cc, rr = cc + sign * dc, rr + sign * dr
        if run >= 3:
            return True
    return False


def find_swap(rgb_path, fx, fy, cell, columns, rows):
    with open(rgb_path, "rb") as f:
        rgb = f.read()
    if len(rgb) != WIDTH * HEIGHT * 3:
        return 0
    centre = cell // 2
    grid = [[kind(rgb, fx + c * cell + centre, fy + r * cell + centre) for c in range(columns)]
            for r in range(rows)]
    for r in range(rows):
        for c in range(columns):
            for c2, r2 in ((c + 1, r), (c, r + 1)):
                if c2 >= columns or r2 >= rows:
                    continue
                grid[r][c], grid[r2][c2] = grid[r2][c2], grid[r][c]
                hit = lines_up(grid, columns, rows, c, r) or lines_up(grid, columns, rows, c2, r2)
                grid[r][c], grid[r2][c2] = grid[r2][c2], grid[r][c]
                if hit:
                    print(fx + c * cell + centre, fy + r * cell + centre,
                          fx + c2 * cell + centre, fy + r2 * cell + centre)
                    return 0
    return 0


def band_shares(rgb):
    """The shares of near-white and of dark pixels in rows 220 to 420 (a sample)."""
    light = dark = total = 0
    for y in range(220, 420, 2):
        row = y * WIDTH * 3
        for x in range(0, WIDTH, 4):
            i = row + x * 3
            total += 1
            if rgb[i] >= 160 and rgb[i + 1] >= 160 and rgb[i + 2] >= 160:
                light += 1
            elif rgb[i] < 90 and rgb[i + 1] < 90 and rgb[i + 2] < 90:
                dark += 1
    return light / total, dark / total


BEST_SHARES = [0.0, 0.0]


def words_shown(rgb):
    """Whether the middle band is mostly dark with some near white: light words over a dimmed
    board, not the light sky and hills of the board itself. The words take less than half the
    board's width once the zoom holds, about 2% of the sample."""
    light, dark = band_shares(rgb)
    if dark >= 0.3:
        BEST_SHARES[0] = max(BEST_SHARES[0], light)
    BEST_SHARES[1] = max(BEST_SHARES[1], dark)
    return light >= 0.01 and dark >= 0.3


def wait_for(name, window, png, timeout, ready, pause, missing, watching=None):
    """Grabs the window until ready(rgb) holds, then keeps that picture as <png> and <png>.rgb.
    Exit 1 (the last picture kept) when it did not within timeout seconds, 2 when the window
    could not be read. The file <watching>, when given, is made once the first picture is in,
    so that a caller can start what it waits for only when the watch really runs."""
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        print("%s: cannot open the display" % name)
        return 2
    try:
        deadline = time.monotonic() + timeout
        while True:
            rgb = grab(x11, display, window)
            if rgb is None:
                print("%s: cannot read the window" % name)
                return 2
            if watching is not None:
                open(watching, "w").close()
                watching = None
            if ready(rgb):
                break
            if time.monotonic() > deadline:
                write_png(png, WIDTH, HEIGHT, rgb)
                print("%s: FAIL %s within %gs" % (os.path.basename(png), missing, timeout))
                return 1
            time.sleep(pause)
    finally:
        x11.XCloseDisplay(display)
    write_png(png, WIDTH, HEIGHT, rgb)
    with open(png + ".rgb", "wb") as f:
        f.write(rgb)
    print("%s: ok (%s)" % (os.path.basename(png), name))
    return 0


def words(window, png, timeout, watching=None):
    found = wait_for("words", window, png, timeout, words_shown, 0.05, "no words", watching)
    if found != 0:
        print("words: the most light over a dimmed band %.3f (0.01 needed), the most dark %.3f "
              "(0.3 needed)" % tuple(BEST_SHARES))
    return found


def new_light(previous, rgb, x0, y0, w, h):
    count = 0
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            i = (y * WIDTH + x) * 3
            if min(rgb[i:i + 3]) >= 200 and min(previous[i:i + 3]) < 200:
                count += 1
    return count


def appear(window, png, previous_path, place, count, timeout):
    with open(previous_path, "rb") as f:
        previous = f.read()
    return wait_for("appear", window, png, timeout,
                    lambda rgb: new_light(previous, rgb, *place) >= count, 0.2,
                    "nothing light came")


def region_changed(previous, rgb, x0, y0, w, h, tolerance=40):
    differ = 0
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            i = (y * WIDTH + x) * 3
            if any(abs(rgb[i + c] - previous[i + c]) > tolerance for c in range(3)):
                differ += 1
    return differ / (w * h)


def region(window, png, previous_path, place, fraction, timeout):
    with open(previous_path, "rb") as f:
        previous = f.read()
    return wait_for("region", window, png, timeout,
                    lambda rgb: region_changed(previous, rgb, *place) >= fraction, 0.1,
                    "no change in (%d, %d) %dx%d" % tuple(place))


class XMotionEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("root", ctypes.c_ulong), ("subwindow", ctypes.c_ulong),
                ("time", ctypes.c_ulong), ("x", ctypes.c_int), ("y", ctypes.c_int),
                ("x_root", ctypes.c_int), ("y_root", ctypes.c_int), ("state", ctypes.c_uint),
                ("is_hint", ctypes.c_char), ("same_screen", ctypes.c_int)]


class XAnyEvent(ctypes.Union):
    _fields_ = [("xmotion", XMotionEvent), ("pad", ctypes.c_long * 24)]


MOTION_NOTIFY = 6
POINTER_MOTION_MASK = 1 << 6


def motion(window, x, y):
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        print("motion: cannot open the display")
        return 2
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    event = XAnyEvent()
    m = event.xmotion
    m.type = MOTION_NOTIFY
    m.window = window
    m.root = x11.XDefaultRootWindow(display)
    m.x, m.y, m.x_root, m.y_root = x, y, x, y
    m.same_screen = 1
    sent = x11.XSendEvent(display, window, 1, POINTER_MOTION_MASK, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return 0 if sent else 1


def fill(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    ends = struct.pack("<4i", 753, 395, 753, 25)
    at = data.find(ends)
    if at < 57 or data.find(ends, at + 1) != -1:
        print("fill: no single level bar in %s" % path)
        return 1
    maximum, length = struct.unpack_from("<ii", data, at - 49)[0], struct.unpack_from(
        "<i", data, at - 45)[0]
    struct.pack_into("<i", data, at - 57, maximum)
    struct.pack_into("<i", data, at - 41, length)
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)
    return 0


def whirl(path, progress):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    # Level, help byte, best level, two bytes, bonus mode, colours, lives, slow-motion time.
    at = 4 + 1 + 4 + 1 + 1 + 4 * 4
    if len(data) < at + 4:
        print("whirl: no saved game header in %s" % path)
        return 1
    struct.pack_into("<i", data, at, progress)
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)
    return 0


def main(argv):
    if len(argv) in (5, 6) and argv[1] == "words":
        return words(int(argv[2], 0), argv[3], float(argv[4]), argv[5] if len(argv) == 6 else None)
    if len(argv) == 11 and argv[1] == "region":
        return region(int(argv[2], 0), argv[3], argv[4], [int(a) for a in argv[5:9]],
                      float(argv[9]), float(argv[10]))
    if len(argv) == 5 and argv[1] == "motion":
        return motion(int(argv[2], 0), int(argv[3]), int(argv[4]))
    if len(argv) == 3 and argv[1] == "fill":
        return fill(argv[2])
    if len(argv) == 11 and argv[1] == "appear":
        return appear(int(argv[2], 0), argv[3], argv[4], [int(a) for a in argv[5:9]],
                      int(argv[9]), float(argv[10]))
    if len(argv) == 4 and argv[1] == "whirl":
        return whirl(argv[2], int(argv[3]))
    if len(argv) == 8 and argv[1] == "swap":
        return find_swap(argv[2], *(int(a) for a in argv[3:8]))
    if len(argv) in (4, 8) and argv[1] == "screen":
        return screen(argv[2], int(argv[3]), [int(a) for a in argv[4:8]])
    if len(argv) in (8, 9) and argv[1] == "shot":
        return shot(int(argv[2], 0), argv[3], int(argv[4]), float(argv[5]), float(argv[6]),
                    float(argv[7]), argv[8] if len(argv) == 9 else None)
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

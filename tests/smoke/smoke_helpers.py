#!/usr/bin/env python3
"""Helpers of run_smoke.sh.

compare <shot.ppm> <bits> <red mask> <green mask> <blue mask>
    Compares an 8-bit binary PPM screenshot of the smoke app's client area with the test
    picture SmokeApp.cpp draws. The picture is defined here again on purpose, so that a fault
    in how the app packs its pixels shows up too. Each channel is compared at the width of the
    screen's mask (a 16-bit screen keeps the top 5 or 6 bits of each value), exactly.
    Exit 0 when every pixel matches, 1 otherwise, 2 on a bad file.

close <window id>
    Asks an X window to close the way a window manager's close button does: a WM_PROTOCOLS
    client message carrying WM_DELETE_WINDOW. Exit 0 when the message was sent.
"""

import ctypes
import ctypes.util
import sys

WIDTH = 800
HEIGHT = 600

BARS = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0),
        (255, 0, 255), (255, 0, 0), (0, 0, 255), (0x12, 0x34, 0x56)]
CHECKER_A = (0xE0, 0x40, 0xA0)
CHECKER_B = (0x20, 0xC0, 0x60)
FRAME = (0xFF, 0x80, 0x00)


def pattern_at(x, y):
    if x == 0 or y == 0 or x == WIDTH - 1 or y == HEIGHT - 1:
        return FRAME
    if y < 300:
        return BARS[x // 100]
    if y < 364:
        v = x * 256 // WIDTH
        band = (y - 300) // 16
        return [(v, 0, 0), (0, v, 0), (0, 0, v), (v, v, v)][band]
    return CHECKER_A if (x // 8 + y // 8) % 2 == 0 else CHECKER_B


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    # Header: magic, width, height, maxval, each separated by whitespace (comments allowed).
    fields = []
    pos = 0
    while len(fields) < 4:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while pos < len(data) and data[pos:pos + 1] not in (b"\n", b"\r"):
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        if start == pos:
            raise ValueError("truncated header")
        fields.append(data[start:pos])
    pos += 1  # the one whitespace byte before the pixels
    if fields[0] != b"P6":
        raise ValueError("not a binary PPM (%r)" % fields[0])
    width, height, maxval = int(fields[1]), int(fields[2]), int(fields[3])
    if maxval != 255:
        raise ValueError("expected 8-bit samples, got maxval %d" % maxval)
    pixels = data[pos:]
    if len(pixels) < width * height * 3:
        raise ValueError("truncated pixels: %d of %d bytes" % (len(pixels), width * height * 3))
    return width, height, pixels


def channel_bits(mask):
    return bin(mask).count("1")


def compare(path, bits, masks):
    try:
        width, height, pixels = read_ppm(path)
    except (OSError, ValueError) as error:
        print("compare: cannot read %s: %s" % (path, error))
        return 2
    if (width, height) != (WIDTH, HEIGHT):
        print("compare: screenshot is %dx%d, expected %dx%d" % (width, height, WIDTH, HEIGHT))
        return 1
    drops = [8 - min(8, channel_bits(m)) for m in masks]
    if any(channel_bits(m) == 0 for m in masks):
        print("compare: bad masks %s" % [hex(m) for m in masks])
        return 2
    mismatches = 0
    shown = []
    for y in range(HEIGHT):
        row = y * WIDTH * 3
        for x in range(WIDTH):
            expected = pattern_at(x, y)
            i = row + x * 3
            actual = (pixels[i], pixels[i + 1], pixels[i + 2])
            for c in range(3):
                if (actual[c] >> drops[c]) != (expected[c] >> drops[c]):
                    mismatches += 1
                    if len(shown) < 10:
                        shown.append("  (%d, %d): expected %s, got %s" % (x, y, expected, actual))
                    break
    if mismatches:
        print("compare: %d of %d pixels differ (%d-bit screen); first ones:"
              % (mismatches, WIDTH * HEIGHT, bits))
        print("\n".join(shown))
        return 1
    print("compare: all %d pixels match (%d-bit screen)" % (WIDTH * HEIGHT, bits))
    return 0


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


def close_window(window):
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    try:
        x11 = ctypes.CDLL(name)
    except OSError as error:
        print("close: cannot load libX11: %s" % error)
        return 2
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.restype = ctypes.c_int
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        print("close: cannot open the display")
        return 2
    event = XEvent()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    sent = x11.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    if not sent:
        print("close: XSendEvent failed")
        return 1
    return 0


def main(argv):
    if len(argv) == 7 and argv[1] == "compare":
        return compare(argv[2], int(argv[3]), [int(m, 16) for m in argv[4:7]])
    if len(argv) == 3 and argv[1] == "close":
        return close_window(int(argv[2], 0))
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

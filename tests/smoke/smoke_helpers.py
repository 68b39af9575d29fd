#!/usr/bin/env python3
"""Helpers of run_smoke.sh.

compare <window id> <bits> <red mask> <green mask> <blue mask> [<screenshot.png>]
    Reads the smoke app's window pixels from the X server and compares them with the test
    picture SmokeApp.cpp draws; bits and masks are those of the app's screen image, as its
    "SMOKE ready" line gives them. The picture is defined here again on purpose, so that a
    fault in how the app packs its pixels shows up too. Each channel is compared exactly, at
    the width of the narrower of the app's and the X visual's masks (a 16-bit screen keeps
    the top 5 or 6 bits of each value). The raw pixels are read rather than a screenshot
    file because ImageMagick widens 5-bit channels of a 16-bit visual inexactly. The pixels
    read are kept as a PNG when a file is named (narrow channels widened by replication).
    Exit 0 when every pixel matches, 1 otherwise, 2 when it could not look.

close <window id>
    Asks an X window to close the way a window manager's close button does: a WM_PROTOCOLS
    client message carrying WM_DELETE_WINDOW. Exit 0 when the message was sent.

drop-maps [check]
    A window manager that maps nothing: it takes the root's redirect and drops every request
    until it is killed. With "check" it names itself on the root (_NET_SUPPORTING_WM_CHECK) as
    a window manager that runs does; without, it is one still starting. Prints "ready" once it
    holds the redirect.
"""

import ctypes
import ctypes.util
import struct
import sys
import zlib

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


def channel_bits(mask):
    return bin(mask).count("1")


class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, enough to read its masks.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


ALL_PLANES = 0xFFFFFFFF
Z_PIXMAP = 2


def load_x11():
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    x11 = ctypes.CDLL(name)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.restype = ctypes.c_int
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetPixel.restype = ctypes.c_ulong
    x11.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def field(mask):
    """Shift and width of a channel mask."""
    shift = (mask & -mask).bit_length() - 1
    return shift, channel_bits(mask)


def write_png(path, width, height, rgb):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    stride = width * 3
    raw = b"".join(b"\x00" + bytes(rgb[y * stride:(y + 1) * stride]) for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def widen(value, width):
    """A channel of `width` bits as 8 bits, by repeating its bits."""
    if width >= 8:
        return value >> (width - 8)
    out = 0
    filled = 0
    while filled < 8:
        out = (out << width) | value
        filled += width
    return out >> (filled - 8)


def compare(window, bits, masks, png_path=None):
    """Reads the window's pixels as the X server holds them (no conversion on the way, so a
    16-bit screen is compared at its own precision) and compares them with the picture."""
    if any(channel_bits(m) == 0 for m in masks):
        print("compare: bad masks %s" % [hex(m) for m in masks])
        return 2
    try:
        x11 = load_x11()
    except OSError as error:
        print("compare: cannot load libX11: %s" % error)
        return 2
    display = x11.XOpenDisplay(None)
    if not display:
        print("compare: cannot open the display")
        return 2
    image = x11.XGetImage(display, window, 0, 0, WIDTH, HEIGHT, ALL_PLANES, Z_PIXMAP)
    if not image:
        print("compare: cannot read the window's %dx%d pixels" % (WIDTH, HEIGHT))
        x11.XCloseDisplay(display)
        return 1
    info = image.contents
    x_masks = (info.red_mask, info.green_mask, info.blue_mask)
    fields = [field(m) for m in x_masks]
    # Each channel is compared at the coarser of the app's screen and the X visual.
    keep = [min(8, channel_bits(a), f[1]) for a, f in zip(masks, fields)]
    mismatches = 0
    shown = []
    rgb = bytearray(WIDTH * HEIGHT * 3)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            pixel = x11.XGetPixel(image, x, y)
            expected = pattern_at(x, y)
            channels = [(pixel >> shift) & ((1 << width) - 1) for shift, width in fields]
            i = (y * WIDTH + x) * 3
            for c in range(3):
                rgb[i + c] = widen(channels[c], fields[c][1])
            for c in range(3):
                seen = channels[c] >> (fields[c][1] - keep[c])
                if seen != expected[c] >> (8 - keep[c]):
                    mismatches += 1
                    if len(shown) < 10:
                        shown.append("  (%d, %d): expected %s, pixel %#x" % (x, y, expected, pixel))
                    break
    x11.XCloseDisplay(display)
    if png_path:
        write_png(png_path, WIDTH, HEIGHT, rgb)
    summary = "%d-bit screen, X visual depth %d masks %s, compared at %s bits" % (
        bits, info.depth, "/".join("%x" % m for m in x_masks), "/".join(map(str, keep)))
    if mismatches:
        print("compare: %d of %d pixels differ (%s); first ones:"
              % (mismatches, WIDTH * HEIGHT, summary))
        print("\n".join(shown))
        return 1
    print("compare: all %d pixels match (%s)" % (WIDTH * HEIGHT, summary))
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
    try:
        x11 = load_x11()
    except OSError as error:
        print("close: cannot load libX11: %s" % error)
        return 2
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


SUBSTRUCTURE_REDIRECT_MASK = 1 << 20
XA_WINDOW = 33
PROP_MODE_REPLACE = 0


def drop_maps(check):
    x11 = load_x11()
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
        [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_void_p,
                                    ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        print("drop-maps: cannot open the display")
        return 2
    root = x11.XDefaultRootWindow(display)
    x11.XSelectInput(display, root, SUBSTRUCTURE_REDIRECT_MASK)
    if check:
        window = x11.XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0)
        atom = x11.XInternAtom(display, b"_NET_SUPPORTING_WM_CHECK", 0)
        value = ctypes.c_ulong(window)
        for on in (root, window):
            x11.XChangeProperty(display, on, atom, XA_WINDOW, 32, PROP_MODE_REPLACE,
                                ctypes.byref(value), 1)
    x11.XSync(display, 0)
    print("ready", flush=True)
    event = XEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))


def main(argv):
    if len(argv) in (7, 8) and argv[1] == "compare":
        return compare(int(argv[2], 0), int(argv[3]), [int(m, 16) for m in argv[4:7]],
                       argv[7] if len(argv) == 8 else None)
    if len(argv) == 3 and argv[1] == "close":
        return close_window(int(argv[2], 0))
    if len(argv) in (2, 3) and argv[1] == "drop-maps":
        return drop_maps(len(argv) == 3 and argv[2] == "check")
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

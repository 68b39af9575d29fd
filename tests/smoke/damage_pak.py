#!/usr/bin/env python3
"""damage_pak.py <vorns.pak> <out.pak>

Writes a copy of the archive in which the first picture of the resource group "Game" is
damaged (its bytes after the PNG signature zeroed, its size kept), so that the loading thread
fails on it after the title screen came up. Prints the damaged entry's name.
"""

import re
import struct
import sys

SCRAMBLE = 0xF7
MAGIC = 0xBAC04AC0


def main():
    data = bytearray(b ^ SCRAMBLE for b in open(sys.argv[1], "rb").read())
    magic, version = struct.unpack_from("<II", data, 0)
    if magic != MAGIC or version != 0:
        sys.exit("not an archive")
    at = 8
    entries = []
    while data[at] & 0x80 == 0:
        length = data[at + 1]
        name = data[at + 2:at + 2 + length].decode("latin-1")
        (size,) = struct.unpack_from("<I", data, at + 2 + length)
        entries.append((name, size))
        at += 2 + length + 4 + 8
    at += 1
    offsets = {}
    for name, size in entries:
        offsets[name.lower()] = (at, size, name)
        at += size

    start, size, _ = offsets["properties\\resources.xml"]
    manifest = data[start:start + size].decode("latin-1")
    group = re.search(r'<Resources\s+id="Game"\s*>(.*?)</Resources>', manifest, re.S)
    paths = re.findall(r'<Image\b[^>]*\bpath="([^"]+)"', group.group(1)) if group else []
    for path in paths:
        stem = path.replace("/", "\\").lower()
        for key, (start, size, name) in offsets.items():
            if key.startswith(stem + ".") and key.endswith(".png") and size > 16:
                data[start + 8:start + size] = bytes(size - 8)
                open(sys.argv[2], "wb").write(bytes(b ^ SCRAMBLE for b in data))
                print(name)
                return
    sys.exit("no picture of the group Game found")


main()

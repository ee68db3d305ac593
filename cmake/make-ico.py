#!/usr/bin/env python3
"""Packs PNG images into one Windows icon file (.ico), each image stored as
PNG, as Windows Vista and later read them.
Usage: make-ico.py OUT.ico IN.png..."""
import struct
import sys


def main():
    out, pngs = sys.argv[1], sys.argv[2:]
    images = [open(p, "rb").read() for p in pngs]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for img in images:
        if img[:8] != b"\x89PNG\r\n\x1a\n":
            sys.exit(f"make-ico: not a PNG image: {pngs[images.index(img)]}")
        width, height = struct.unpack(">II", img[16:24])
        if width > 256 or height > 256:
            sys.exit(f"make-ico: larger than 256 pixels: {pngs[images.index(img)]}")
        # 256 is written as 0; 1 plane, 32 bits per pixel.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(img), offset + len(data))
        data += img
    with open(out, "wb") as f:
        f.write(header + entries + data)


if __name__ == "__main__":
    main()

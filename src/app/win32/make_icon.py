#!/usr/bin/env python3
"""Writes zbn2ppt.ico: the application icon at 16x16 and 32x32, 32-bit colour.

A slide (white, with a dark frame) holding a small bar chart, drawn from
code so the icon can be made again without an image editor:
    python3 make_icon.py zbn2ppt.ico
"""
import struct
import sys


def pixel(size, x, y):
    """BGRA colour of pixel (x, y), y counted from the top."""
    s = size / 16.0
    inside = 1 * s <= x < 15 * s and 2 * s <= y < 14 * s
    frame = inside and not (2 * s <= x < 14 * s and 3 * s <= y < 13 * s)
    if frame:
        return (0x40, 0x30, 0x20, 0xFF)
    bars = [(3, 9), (6, 6), (9, 8), (12, 4)]  # (left column, top row) at 16x16
    for left, top in bars:
        if left * s <= x < (left + 2) * s and top * s <= y < 12 * s:
            return (0x20, 0x60, 0xD0, 0xFF)
    if inside:
        return (0xFF, 0xFF, 0xFF, 0xFF)
    return (0, 0, 0, 0)


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):  # bottom-up
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    mask_row = b"\x00" * (((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def main(path):
    sizes = [16, 32]
    images = [image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "zbn2ppt.ico")

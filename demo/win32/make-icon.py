#!/usr/bin/env python3
"""Draws Demo.ico, the program icon of Demo.exe: a video camera on a pan-tilt head, at 16x16
and 32x32 pixels in 32-bit colour. Run it again after changing the drawing:
    python3 demo/win32/make-icon.py demo/win32/Demo.ico
"""
import math
import struct
import sys

SUPERSAMPLE = 4

BODY = (0x2F, 0x4F, 0x6F)
BODY_EDGE = (0x1C, 0x30, 0x46)
LENS_RING = (0xC8, 0xD2, 0xDC)
LENS_GLASS = (0x12, 0x1C, 0x28)
GLINT = (0xF0, 0xF6, 0xFF)
LAMP = (0xE0, 0x30, 0x30)
HEAD = (0x60, 0x68, 0x70)


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2


def shade(u, v):
    """Colour of a point in the unit square, or None where the icon is transparent."""
    # Lens: ring, glass, glint.
    if circle(u, v, 0.47, 0.50, 0.12):
        return GLINT if circle(u, v, 0.43, 0.46, 0.035) else LENS_GLASS
    if circle(u, v, 0.47, 0.50, 0.19):
        return LENS_RING
    if circle(u, v, 0.80, 0.33, 0.045):
        return LAMP
    if rounded_rect(u, v, 0.10, 0.24, 0.90, 0.74, 0.08):
        inner = rounded_rect(u, v, 0.13, 0.27, 0.87, 0.71, 0.06)
        return BODY if inner else BODY_EDGE
    # Viewfinder on top, head and foot below.
    if rounded_rect(u, v, 0.18, 0.15, 0.40, 0.27, 0.03):
        return BODY_EDGE
    if 0.42 <= u <= 0.54 and 0.72 <= v <= 0.86:
        return HEAD
    if rounded_rect(u, v, 0.26, 0.84, 0.70, 0.93, 0.04):
        return HEAD
    return None


def image(size):
    """Bottom-up BGRA rows and the AND mask of one icon image."""
    pixels = []
    for row in range(size):
        y = size - 1 - row  # bitmaps are stored bottom-up
        line = []
        for x in range(size):
            r = g = b = a = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    u = (x + (sx + 0.5) / SUPERSAMPLE) / size
                    v = (y + (sy + 0.5) / SUPERSAMPLE) / size
                    colour = shade(u, v)
                    if colour:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1
            if a:
                line.append((b // a, g // a, r // a, 255 * a // SUPERSAMPLE ** 2))
            else:
                line.append((0, 0, 0, 0))
        pixels.append(line)
    xor = b"".join(bytes(p) for line in pixels for p in line)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for line in pixels:
        bits = bytearray(mask_stride)
        for x, p in enumerate(line):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def main():
    sizes = (32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()

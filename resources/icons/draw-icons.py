#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files (16, 20, 24, 32 and
48 pixels square: the small and large sizes at 100, 125, 150 and 200 %;
32-bit with alpha) next to this script. Needs nothing beyond Python 3.

    python3 resources/icons/draw-icons.py

Each picture is a list of shapes in a 32-unit square, painted in order and
anti-aliased by 4x4 supersampling. The 16x16 image is drawn from its own
list where thin strokes would vanish.
"""

import math
import os
import struct

SAMPLES = 4


# Shapes: each is (test, colour); test(x, y) says whether a point in the
# 32-unit square lies inside.

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_outer, r_inner, lower_only=None):
    """A ring; with lower_only=False only the upper half (y <= cy)."""
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_inner * r_inner <= d <= r_outer * r_outer):
            return False
        return True if lower_only is None else (y > cy) == lower_only
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, width):
    half = width / 2.0

    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half
    return inside


def union(*tests):
    return lambda x, y: any(t(x, y) for t in tests)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# Colours (r, g, b, a).
OUTLINE = (38, 52, 74, 255)
PAPER = (250, 251, 253, 255)
FOLD = (196, 206, 222, 255)
TEXT_LINE = (150, 165, 190, 255)
BRASS = (232, 178, 38, 255)
BRASS_DARK = (150, 104, 10, 255)
STEEL = (120, 134, 156, 255)
STEEL_DARK = (62, 72, 90, 255)
BLUE = (36, 99, 186, 255)
BLUE_DARK = (18, 56, 118, 255)
GREEN = (46, 160, 67, 255)
GREEN_DARK = (22, 100, 38, 255)
RED = (206, 44, 44, 255)
RED_DARK = (130, 20, 20, 255)
WHITE = (255, 255, 255, 255)


def outlined(shape, fill, edge, grow):
    """The shape drawn in edge colour, then shrunk by grow units in fill."""
    def shrunk(x, y):
        return all(shape(x + dx, y + dy) for dx, dy in
                   ((grow, 0), (-grow, 0), (0, grow), (0, -grow),
                    (grow * 0.7, grow * 0.7), (-grow * 0.7, grow * 0.7),
                    (grow * 0.7, -grow * 0.7), (-grow * 0.7, -grow * 0.7)))
    return [(shape, edge), (shrunk, fill)]


# A padlock with its body at the bottom right part of the square.
def padlock(x0, y0, x1, y1, body, body_dark, open_shackle, edge):
    width = x1 - x0
    cx = (x0 + x1) / 2.0
    r_out = width * 0.36
    r_in = r_out - max(2.2, width * 0.16)
    top = y0 + (y1 - y0) * 0.45
    shackle_cx = cx + (width * 0.42 if open_shackle else 0)
    lift = (y1 - y0) * 0.12 if open_shackle else 0
    arch_cy = top - lift
    arch = ring(shackle_cx, arch_cy, r_out, r_in, lower_only=False)
    legs = union(rect(shackle_cx - r_out, arch_cy, shackle_cx - r_in, top + 1),
                 rect(shackle_cx + r_in, arch_cy, shackle_cx + r_out, top + 1))
    shackle = union(arch, legs)
    shapes = outlined(shackle, STEEL, STEEL_DARK, 0.8 if width < 12 else 1.0)
    lock_body = rounded(x0, top, x1, y1, 1.5)
    shapes += outlined(lock_body, body, edge, 1.0)
    hole_y = top + (y1 - top) * 0.42
    shapes.append((union(circle(cx, hole_y, width * 0.1),
                         rect(cx - width * 0.045, hole_y, cx + width * 0.045, hole_y + (y1 - top) * 0.32)), body_dark))
    return shapes


def page(x0, y0, x1, y1, fold, lines):
    outline = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    shapes = outlined(outline, PAPER, OUTLINE, 1.0)
    shapes.append((polygon([(x1 - fold, y0 + 0.5), (x1 - fold, y0 + fold), (x1 - 0.5, y0 + fold)]), FOLD))
    for ly in lines:
        shapes.append((rect(x0 + 3, ly, x1 - 4, ly + 1.4), TEXT_LINE))
    return shapes


def key(scale_small):
    w = 4.2 if scale_small else 3.4
    bow = ring(9.5, 10.5, 7.5, 7.5 - w)
    shaft = line(14.5, 15.5, 27.5, 28.5, w)
    bit1 = line(22.5, 23.5, 18.5, 27.5, w)
    bit2 = line(26.0, 27.0, 23.0, 30.0, w * 0.9)
    shape = union(bow, shaft, bit1, bit2)
    shapes = outlined(shape, BRASS, BRASS_DARK, 1.0 if not scale_small else 1.1)
    return shapes


def badge(fill, dark, mark):
    shapes = outlined(circle(16, 16, 15), fill, dark, 1.3)
    shapes.append((mark, WHITE))
    return shapes


def pictures(small):
    stroke = 5.2 if small else 4.2
    check = union(line(8.5, 16.5, 13.5, 22, stroke), line(13.5, 22, 23.5, 10, stroke))
    cross = union(line(10, 10, 22, 22, stroke), line(22, 10, 10, 22, stroke))
    lines = [] if small else [10, 14, 18]
    program = page(3, 1, 22, 29, 6, lines) + padlock(14, 12, 30, 31, BLUE, BLUE_DARK, False, BLUE_DARK)
    return {
        "Tarnwick": program,
        "Decrypt": padlock(1, 1, 24, 31, GREEN, GREEN_DARK, True, GREEN_DARK),
        "Password": key(small),
        "Encrypt": padlock(4, 0, 28, 31, RED, RED_DARK, False, RED_DARK),
        "Success": badge(GREEN, GREEN_DARK, check),
        "Failure": badge(RED, RED_DARK, cross),
    }


def render(shapes, size):
    """BGRA rows, top row first."""
    unit = 32.0 / size
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * unit
                    y = (py + (sy + 0.5) / SAMPLES) * unit
                    colour = (0, 0, 0, 0)
                    for test, c in shapes:
                        if test(x, y):
                            colour = c
                    a = colour[3] / 255.0
                    acc[0] += colour[0] * a
                    acc[1] += colour[1] * a
                    acc[2] += colour[2] * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                r, g, b = (min(255, round(acc[i] / n / alpha)) for i in range(3))
            else:
                r = g = b = 0
            row.append((b, g, r, round(alpha * 255)))
        pixels.append(row)
    return pixels


def dib(pixels):
    """A 32-bit icon image: header, bottom-up BGRA rows, AND mask."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(pixels) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def write_ico(path, images):
    entries = b""
    data = b""
    offset = 6 + 16 * len(images)
    for size, body in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        data += body
        offset += len(body)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    large = pictures(small=False)
    small = pictures(small=True)
    for name in large:
        images = [(16, dib(render(small[name], 16)))]
        images += [(size, dib(render(large[name], size))) for size in (20, 24, 32, 48)]
        write_ico(os.path.join(here, name + ".ico"), images)
        print("wrote", name + ".ico")


if __name__ == "__main__":
    main()

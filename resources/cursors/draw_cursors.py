#!/usr/bin/env python3
"""Draws the image view's three 32 x 32 mouse cursors as PNG files:
open_hand.png (hot spot 12, 1), closed_hand.png (16, 14) and
magnifier.png (9, 8). Each is a white shape with a one-pixel black outline on
a transparent background, built from filled capsules and discs and sampled
four times a pixel. Run it from any folder; it writes next to itself."""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from draw_png import write_png  # noqa: E402

SIZE = 32


def capsule(ax, ay, bx, by, r):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= r * r
    return inside


def ring(cx, cy, outer, inner):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return inner <= d <= outer
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def coverage(shape, x, y):
    hits = sum(shape(x + (i + 0.5) / 4, y + (j + 0.5) / 4) for i in range(4) for j in range(4))
    return hits / 16


def render(shape):
    cover = [[coverage(shape, x, y) for x in range(SIZE)] for y in range(SIZE)]
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            c = cover[y][x]
            if c >= 0.5:
                row.append((255, 255, 255, 255))
                continue
            near = any(cover[y + j][x + i] >= 0.5
                       for j in (-1, 0, 1) for i in (-1, 0, 1)
                       if 0 <= y + j < SIZE and 0 <= x + i < SIZE)
            row.append((0, 0, 0, 255) if near or c > 0 else (0, 0, 0, 0))
        pixels.append(row)
    return pixels


def open_hand():
    # Four fingers spread upward (the index finger's tip at 12, 1), a thumb
    # to the left and the palm below.
    return union(
        capsule(7.5, 5.5, 7.5, 17, 1.5),
        capsule(12.5, 2.5, 12.5, 16, 1.5),
        capsule(17.5, 3.5, 17.5, 16, 1.5),
        capsule(22, 6.5, 21.5, 17, 1.5),
        capsule(3.5, 13.5, 7.5, 20, 1.6),
        capsule(10, 20.5, 19.5, 20.5, 4.5),
        capsule(11.5, 23, 17.5, 23, 4),
    )


def closed_hand():
    # A fist seen from above: the curled fingers as a row of knuckles over
    # the palm, centred on 16, 14.
    return union(
        capsule(9.5, 9.5, 9.5, 12, 1.6),
        capsule(14, 8.5, 14, 12, 1.6),
        capsule(18.5, 8.5, 18.5, 12, 1.6),
        capsule(23, 9.5, 23, 12, 1.6),
        capsule(11.5, 16, 21.5, 16, 4.5),
        capsule(13.5, 20, 19.5, 20, 3.8),
        capsule(8, 15, 10.5, 18, 1.8),
    )


def magnifier():
    # A lens ring centred on 9, 8 and a handle toward the lower right.
    return union(ring(9.5, 8.5, 7.2, 4.6), capsule(14.5, 13.5, 22, 21, 2.3))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, shape in (("open_hand", open_hand()), ("closed_hand", closed_hand()), ("magnifier", magnifier())):
        write_png(os.path.join(here, name + ".png"), render(shape))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the main window's toolbar icons and the settings panel's randomize
button (24 x 24) and the program's picture
(96 x 96, program.png in ../pictures) as PNG files, from simple shapes
sampled 16 times a pixel. Run it from any folder; it writes next to itself
(and the picture into ../pictures)."""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from draw_png import write_png  # noqa: E402

INK = (40, 44, 52)
PAPER = (250, 250, 246)
BRICK = (168, 70, 48)
MORTAR = (200, 194, 184)
BLUE = (52, 104, 176)
GREEN = (46, 140, 70)
GOLD = (224, 176, 48)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= w / 2


def line(ax, ay, bx, by, w):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) <= w / 2
    return inside


def polygon(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c
    return inside


def outline(shape, w=1.0):
    """The rim of a shape: inside it, but within w of its outside."""
    def inside(x, y):
        if not shape(x, y):
            return False
        return any(not shape(x + dx * w, y + dy * w) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
    return inside


def render(size, layers):
    """layers: (shape, colour) painted in order over a transparent canvas."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(4):
                for sx in range(4):
                    x, y = px + (sx + 0.5) / 4, py + (sy + 0.5) / 4
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    if colour:
                        for i in range(3):
                            acc[i] += colour[i]
                        acc[3] += 1
            a = acc[3] / 16
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(a * 255),))
        pixels.append(row)
    return pixels


def sheet(x0, y0, x1, y1):
    body = polygon([(x0, y0), (x1 - 5, y0), (x1, y0 + 5), (x1, y1), (x0, y1)])
    return [(body, PAPER), (outline(body), INK), (line(x1 - 5, y0, x1 - 5, y0 + 5, 1), INK),
            (line(x1 - 5, y0 + 5, x1, y0 + 5, 1), INK)]


def bricks(x0, y0, x1, y1, course, width):
    def brick(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        row = int((y - y0) // course)
        offset = (width / 2) * (row % 2)
        return (y - y0) % course >= 1 and (x - x0 + offset) % width >= 1
    return [(rect(x0, y0, x1, y1), MORTAR), (brick, BRICK)]


def magnifier(sign):
    layers = [(disc(10, 10, 6.5), PAPER), (ring(10, 10, 6.5, 2), INK), (line(15, 15, 21, 21, 3), INK),
              (line(7, 10, 13, 10, 1.6), INK)]
    if sign == "+":
        layers.append((line(10, 7, 10, 13, 1.6), INK))
    if sign == "1":
        layers = layers[:3] + [(line(10, 7, 10, 13, 1.6), INK), (line(8.5, 8.5, 10, 7, 1.4), INK)]
    return layers


ICONS = {
    "new": sheet(5, 2, 19, 22),
    "open": [(polygon([(2, 6), (9, 6), (11, 8), (20, 8), (20, 20), (2, 20)]), GOLD),
             (outline(polygon([(2, 6), (9, 6), (11, 8), (20, 8), (20, 20), (2, 20)])), INK),
             (polygon([(5, 11), (23, 11), (20, 20), (2, 20)]), (240, 204, 96)),
             (outline(polygon([(5, 11), (23, 11), (20, 20), (2, 20)])), INK)],
    "save": [(rect(3, 3, 21, 21), BLUE), (outline(rect(3, 3, 21, 21)), INK), (rect(7, 4, 17, 10), PAPER),
             (rect(6, 14, 18, 21), (220, 224, 232)), (rect(13, 5, 15, 9), INK)],
    "update": bricks(2, 4, 22, 20, 4, 8) + [(disc(17, 17, 6), GREEN), (polygon([(15, 14), (15, 20), (20, 17)]), PAPER)],
    "copy": sheet(3, 2, 15, 17) + sheet(9, 7, 21, 22),
    "tiles": [(rect(2, 2, 22, 22), MORTAR)] + [(rect(3 + 10 * i, 3 + 10 * j, 11 + 10 * i, 11 + 10 * j), BRICK)
                                             for i in range(2) for j in range(2)],
    "zoomout": magnifier("-"),
    "zoomin": magnifier("+"),
    "nozoom": magnifier("1"),
    "resetzoom": [(rect(3, 3, 21, 21), PAPER), (outline(rect(3, 3, 21, 21)), INK),
                  (line(6, 6, 10, 10, 1.6), INK), (line(18, 18, 14, 14, 1.6), INK),
                  (polygon([(5, 5), (10, 5), (5, 10)]), INK), (polygon([(19, 19), (14, 19), (19, 14)]), INK)],
    "help": [(disc(12, 12, 10), BLUE), (ring(12, 10, 3.5, 2.2), PAPER), (rect(8, 9, 12, 14), BLUE),
             (line(12, 13.5, 12, 15.5, 2.2), PAPER), (disc(12, 18.5, 1.4), PAPER)],
    "info": [(disc(12, 12, 10), BLUE), (disc(12, 7, 1.6), PAPER), (line(12, 10.5, 12, 18, 2.6), PAPER)],
    # A die showing five, for the settings panel's "Randomize" button.
    "randomize": [(polygon([(5, 3), (19, 3), (21, 5), (21, 19), (19, 21), (5, 21), (3, 19), (3, 5)]), PAPER),
                  (outline(polygon([(5, 3), (19, 3), (21, 5), (21, 19), (19, 21), (5, 21), (3, 19), (3, 5)])), INK),
                  (disc(8, 8, 1.7), INK), (disc(16, 8, 1.7), INK), (disc(12, 12, 1.7), INK),
                  (disc(8, 16, 1.7), INK), (disc(16, 16, 1.7), INK)],
}


def program_picture():
    layers = bricks(6, 14, 90, 86, 12, 28)
    layers += [(outline(rect(6, 14, 90, 86), 2), INK)]
    return render(96, layers)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, layers in ICONS.items():
        write_png(os.path.join(here, name + ".png"), render(24, layers))
    write_png(os.path.join(here, "..", "pictures", "program.png"), program_picture())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the dialogs' decoration pictures as PNG files: header.png, a
480 x 48 band of brick courses fading from brick red into the window colour,
and bricks48.png, a 48 x 48 picture of a small brick wall. Run it from any
folder; it writes next to itself."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from draw_png import write_png  # noqa: E402


def brick_colour(x, y, course, brick_w, joint):
    """Brick red with a slight per-brick shade, grey mortar in the joints."""
    row = y // course
    offset = (brick_w // 2) * (row % 2)
    bx = (x + offset) // brick_w
    in_joint = (y % course) < joint or ((x + offset) % brick_w) < joint
    if in_joint:
        return (196, 190, 180)
    shade = ((bx * 37 + row * 53) % 5) * 6
    return (150 + shade, 62 + shade // 2, 44 + shade // 3)


def header(x, y):
    r, g, b = brick_colour(x, y, 12, 32, 2)
    # Fade to the light window colour from the middle on.
    t = max(0.0, min(1.0, (x - 160) / 280))
    mix = lambda c, w: round(c * (1 - t) + w * t)
    return (mix(r, 240), mix(g, 240), mix(b, 240), 255)


def bricks48(x, y):
    r, g, b = brick_colour(x, y, 8, 16, 1)
    return (r, g, b, 255)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(here, "header.png"), [[header(x, y) for x in range(480)] for y in range(48)])
    write_png(os.path.join(here, "bricks48.png"), [[bricks48(x, y) for x in range(48)] for y in range(48)])


if __name__ == "__main__":
    main()

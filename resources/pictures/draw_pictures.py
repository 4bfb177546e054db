#!/usr/bin/env python3
"""Draws the dialogs' decoration pictures as PNG files: header.png, a
480 x 48 band of brick courses fading from brick red into the window colour,
bricks48.png, a 48 x 48 picture of a small brick wall, and the texture
options dialog's two 48 x 48 pictures: layers.png, two brick strips laid one
over the other with no seam between them, and blend.png, a band of bricks
whose alpha fades out toward the right edge. Run it from any folder; it
writes next to itself."""

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


def layers(x, y):
    # A back strip on the left, a front strip of smaller bricks over the
    # right; the front fades in over eight pixels.
    back = brick_colour(x, y, 8, 16, 1) if x < 30 else None
    front = brick_colour(x + 3, y + 4, 6, 12, 1) if x >= 22 else None
    if front is None:
        return back + (255,)
    t = min(1.0, (x - 22) / 8.0)
    if back is None:
        return front + (255,)
    return tuple(round(f * t + b * (1 - t)) for f, b in zip(front, back)) + (255,)


def blend(x, y):
    if not 12 <= y < 36:
        return (0, 0, 0, 0)
    alpha = 255 if x < 24 else round(255 * (47 - x) / 23)
    return brick_colour(x, y - 12, 8, 16, 1) + (alpha,)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(here, "header.png"), [[header(x, y) for x in range(480)] for y in range(48)])
    write_png(os.path.join(here, "bricks48.png"), [[bricks48(x, y) for x in range(48)] for y in range(48)])
    write_png(os.path.join(here, "layers.png"), [[layers(x, y) for x in range(48)] for y in range(48)])
    write_png(os.path.join(here, "blend.png"), [[blend(x, y) for x in range(48)] for y in range(48)])


if __name__ == "__main__":
    main()

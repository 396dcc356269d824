#!/usr/bin/env python3
"""Draws the interface window's pictures as 32 x 32 PNG files beside this
script, in the sixteen classic colours: the window icon (a network adapter
card) and the four traffic pictures (two screens, one behind the other, above
a network connector; Traffic1 both dark, Traffic2 the rear one lit, Traffic3
the front one lit, Traffic4 both lit). Each also gets a 64 x 64 twin,
NAME@2x.png, every pixel a 2 x 2 square, for screens scaled by two. Run it
again after changing a picture; the PNGs are committed."""

import os
import struct
import zlib

SIZE = 32
BLACK, MAROON, GREEN, OLIVE = (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0)
NAVY, TEAL, SILVER, GREY = (0, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128)
LIME, YELLOW, AQUA, WHITE = (0, 255, 0), (255, 255, 0), (0, 255, 255), (255, 255, 255)


class Canvas:
    def __init__(self):
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def fill(self, left, top, right, bottom, colour):
        """Fills the rectangle from (left, top) to (right, bottom), both included."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.pixels[y][x] = colour

    def box(self, left, top, right, bottom, edge, inside):
        self.fill(left, top, right, bottom, edge)
        self.fill(left + 1, top + 1, right - 1, bottom - 1, inside)

    def png(self, scale):
        raw = b""
        for row in self.pixels:
            line = b"".join((bytes(c + (255,)) if c else bytes(4)) * scale for c in row)
            raw += (b"\0" + line) * scale
        header = struct.pack(">IIBBBBB", SIZE * scale, SIZE * scale, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                + chunk(b"IEND", b""))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def adapter_card():
    c = Canvas()
    c.box(1, 4, 4, 27, GREY, SILVER)          # the metal bracket
    c.fill(2, 2, 7, 4, GREY)                  # its bent top with the screw tab
    c.fill(5, 3, 5, 3, BLACK)
    c.box(0, 9, 4, 15, BLACK, NAVY)           # the network socket in the bracket
    c.fill(1, 12, 3, 13, BLACK)
    c.fill(1, 18, 3, 19, LIME)                # link light
    c.box(5, 6, 30, 23, BLACK, GREEN)         # the circuit board
    c.fill(6, 7, 29, 7, (0, 160, 0))
    c.box(12, 10, 21, 18, BLACK, GREY)        # the controller chip
    c.fill(13, 11, 20, 11, SILVER)
    for x in range(13, 21, 2):                # its pins
        c.fill(x, 9, x, 9, SILVER)
        c.fill(x, 19, x, 19, SILVER)
    c.box(24, 10, 28, 14, BLACK, TEAL)        # a second, smaller chip
    c.fill(7, 9, 9, 9, YELLOW)                # tracks
    c.fill(7, 9, 7, 19, YELLOW)
    c.fill(7, 19, 10, 19, YELLOW)
    c.fill(22, 16, 27, 16, YELLOW)
    c.fill(27, 16, 27, 20, YELLOW)
    c.fill(9, 24, 26, 26, BLACK)              # the edge connector with its gold fingers
    for x in range(10, 26, 2):
        c.fill(x, 24, x, 26, YELLOW)
    return c


def screen(c, left, top, lit):
    """A monitor 15 wide and 14 high with its stand, the top left corner at (left, top)."""
    c.box(left, top, left + 14, top + 10, BLACK, SILVER)
    glass = AQUA if lit else NAVY
    c.box(left + 2, top + 2, left + 12, top + 8, GREY, glass)
    if lit:
        for y in (top + 4, top + 6):
            c.fill(left + 4, y, left + 9, y, WHITE)
    else:
        c.fill(left + 3, top + 3, left + 4, top + 3, TEAL)  # a dull glint
    c.fill(left + 6, top + 11, left + 8, top + 12, GREY)
    c.box(left + 3, top + 13, left + 11, top + 14, BLACK, SILVER)


def traffic(rear_lit, front_lit):
    c = Canvas()
    c.fill(2, 26, 29, 27, GREY)               # the network line
    c.fill(2, 28, 29, 28, BLACK)
    c.fill(6, 16, 6, 25, GREY)                # the rear computer's drop cable, behind the front screen
    screen(c, 1, 1, rear_lit)
    screen(c, 13, 7, front_lit)
    c.fill(20, 22, 20, 25, GREY)              # the front computer's drop cable
    c.box(12, 24, 17, 30, BLACK, SILVER)      # the connector
    c.fill(14, 26, 15, 27, YELLOW)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = {
        "Adapter": adapter_card(),
        "Traffic1": traffic(False, False),
        "Traffic2": traffic(True, False),
        "Traffic3": traffic(False, True),
        "Traffic4": traffic(True, True),
    }
    for name, canvas in pictures.items():
        for scale, suffix in ((1, ""), (2, "@2x")):
            with open(os.path.join(here, name + suffix + ".png"), "wb") as out:
                out.write(canvas.png(scale))


if __name__ == "__main__":
    main()

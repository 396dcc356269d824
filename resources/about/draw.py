#!/usr/bin/env python3
"""Draws the about box's pictures as PNG files beside this script: imgHome
(40 x 40, a house), imgEmail (32 x 18, an envelope), Image4 (32 x 32, the
program's mark: a screen with echo waves) and LinkCursor (32 x 32, a pointing
hand, hot spot at the fingertip 9, 1). Shapes are drawn from simple geometry;
run it again after changing one, the PNGs are committed. The three pictures
of the box also get a twin twice the size, NAME@2x.png, every pixel a 2 x 2
square, for screens scaled by two; the pointer stays at one size, as the
window system draws pointers at its own."""

import os
import struct
import zlib

CLEAR = (0, 0, 0, 0)


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def doubled(pixels):
    return [[p for p in row for _ in range(2)] for row in pixels for _ in range(2)]


def canvas(width, height):
    return [[CLEAR] * width for _ in range(height)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def outline(img, x0, y0, x1, y1, colour):
    for x in range(x0, x1 + 1):
        img[y0][x] = img[y1][x] = colour
    for y in range(y0, y1 + 1):
        img[y][x0] = img[y][x1] = colour


def line(img, x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        img[round(y0 + (y1 - y0) * i / steps)][round(x0 + (x1 - x0) * i / steps)] = colour


def home():
    img = canvas(40, 40)
    wall, roof, door, dark = (245, 235, 210, 255), (190, 50, 40, 255), (120, 80, 40, 255), (60, 40, 30, 255)
    for y in range(4, 20):  # roof: a triangle from the ridge at (20, 4)
        half = (y - 4) * 17 // 15
        for x in range(20 - half, 20 + half + 1):
            img[y][x] = roof
    rect(img, 27, 5, 31, 14, dark)  # chimney
    rect(img, 7, 20, 33, 36, wall)
    outline(img, 7, 20, 33, 36, dark)
    rect(img, 17, 25, 24, 36, door)
    rect(img, 10, 24, 14, 29, (120, 180, 230, 255))
    rect(img, 27, 24, 31, 29, (120, 180, 230, 255))
    rect(img, 2, 37, 37, 38, (80, 150, 60, 255))
    return img


def envelope():
    img = canvas(32, 18)
    paper, edge = (255, 255, 250, 255), (70, 70, 110, 255)
    rect(img, 0, 0, 31, 17, paper)
    outline(img, 0, 0, 31, 17, edge)
    line(img, 0, 0, 15, 10, edge)
    line(img, 31, 0, 16, 10, edge)
    line(img, 0, 17, 12, 8, edge)
    line(img, 31, 17, 19, 8, edge)
    return img


def mark():
    img = canvas(32, 32)
    frame, screen, wave = (60, 60, 70, 255), (20, 40, 60, 255), (90, 220, 120, 255)
    rect(img, 1, 3, 30, 24, frame)
    rect(img, 3, 5, 28, 22, screen)
    rect(img, 12, 25, 19, 27, frame)
    rect(img, 7, 28, 24, 29, frame)
    cx, cy = 8, 14
    rect(img, cx - 1, cy - 1, cx + 1, cy + 1, wave)
    for radius in (5, 10, 15):  # echo waves leaving the sender
        for dy in range(-radius, radius + 1):
            dx = round((radius * radius - dy * dy) ** 0.5)
            x, y = cx + dx, cy + dy
            if 3 <= y <= 22 and x <= 28 and dx >= abs(dy) // 2:
                img[y][x] = wave
    return img


HAND = """
........kk..............
.......kwwk.............
.......kwwk.............
.......kwwk.............
.......kwwk.............
.......kwwkkk...........
.......kwwkwwkkk........
.......kwwkwwkwwkk......
.......kwwkwwkwwkwk.....
...kk..kwwwwwwwwkwwk....
..kwwk.kwwwwwwwwwwwk....
..kwwwkkwwwwwwwwwwwk....
...kwwwkwwwwwwwwwwwk....
....kwwwwwwwwwwwwwwk....
....kwwwwwwwwwwwwwwk....
.....kwwwwwwwwwwwwk.....
.....kwwwwwwwwwwwwk.....
......kwwwwwwwwwwk......
......kwwwwwwwwwwk......
......kkkkkkkkkkkk......
"""


def cursor():
    img = canvas(32, 32)
    colours = {"k": (0, 0, 0, 255), "w": (255, 255, 255, 255)}
    for y, row in enumerate(HAND.strip().splitlines()):
        for x, ch in enumerate(row):
            if ch in colours:
                img[y][x] = colours[ch]
    return img


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in (("imgHome", home), ("imgEmail", envelope), ("Image4", mark)):
        picture = draw()
        write_png(os.path.join(here, name + ".png"), picture)
        write_png(os.path.join(here, name + "@2x.png"), doubled(picture))
    write_png(os.path.join(here, "LinkCursor.png"), cursor())

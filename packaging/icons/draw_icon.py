#!/usr/bin/env python3
"""Draws the program's icon: a blue tile with a sending point in its lower
left corner and three echo waves travelling to the upper right. Writes the
scalable SVG and the PNGs of the hicolor sizes beside this script, from the
same shapes; the files are committed, run it again after a change."""

import math
import os
import struct
import zlib

SIZES = (16, 32, 48, 64, 128, 256)
TILE = (33, 96, 176)       # the tile
TILE_EDGE = (20, 60, 120)  # its rim
WAVE = (255, 255, 255)
DOT = (255, 210, 60)

# Geometry on a 256-unit canvas.
MARGIN, RADIUS, RIM = 8.0, 44.0, 6.0
CENTRE = (72.0, 184.0)
DOT_RADIUS = 22.0
WAVES = ((64.0, 14.0), (108.0, 14.0), (152.0, 14.0))  # (radius, width), quarter arcs


def in_rounded_square(x, y, inset):
    lo, hi, r = MARGIN + inset, 256.0 - MARGIN - inset, RADIUS - inset
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(x, y):
    """The colour of one point of the 256-unit canvas, or None outside the tile."""
    if not in_rounded_square(x, y, 0.0):
        return None
    if not in_rounded_square(x, y, RIM):
        return TILE_EDGE
    dx, dy = x - CENTRE[0], CENTRE[1] - y
    distance = math.hypot(dx, dy)
    if distance <= DOT_RADIUS:
        return DOT
    if dx >= 0 and dy >= 0:
        for radius, width in WAVES:
            if abs(distance - radius) <= width / 2:
                return WAVE
    return TILE


def render(size, samples=4):
    rows = []
    scale = 256.0 / size
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale)
                    if c is not None:
                        total = [total[0] + c[0], total[1] + c[1], total[2] + c[2], total[3] + 1]
            n = samples * samples
            if total[3]:
                row += bytes([total[0] // total[3], total[1] // total[3], total[2] // total[3], 255 * total[3] // n])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def write_png(path, size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def hex_colour(c):
    return "#%02x%02x%02x" % c


def svg():
    cx, cy = CENTRE
    arcs = "".join(
        f'  <path d="M {cx + r:g} {cy:g} A {r:g} {r:g} 0 0 0 {cx:g} {cy - r:g}" fill="none" '
        f'stroke="{hex_colour(WAVE)}" stroke-width="{w:g}"/>\n'
        for r, w in WAVES
    )
    side = 256 - 2 * MARGIN
    inner = side - 2 * RIM
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
        f'  <rect x="{MARGIN:g}" y="{MARGIN:g}" width="{side:g}" height="{side:g}" rx="{RADIUS:g}" fill="{hex_colour(TILE_EDGE)}"/>\n'
        f'  <rect x="{MARGIN + RIM:g}" y="{MARGIN + RIM:g}" width="{inner:g}" height="{inner:g}" rx="{RADIUS - RIM:g}" fill="{hex_colour(TILE)}"/>\n'
        + arcs
        + f'  <circle cx="{cx:g}" cy="{cy:g}" r="{DOT_RADIUS:g}" fill="{hex_colour(DOT)}"/>\n'
        "</svg>\n"
    )


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "velmora.svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        write_png(os.path.join(here, f"velmora-{size}.png"), size, render(size, 4 if size >= 64 else 8))


if __name__ == "__main__":
    main()

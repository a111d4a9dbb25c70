#!/usr/bin/env python3
"""Paints the made-up coast town of the sample dealer list (data/car_dealers/dealers.csv) as a PNG, for
dealers-check to draw its map over:

  tools/sample_town.py docs/sample_town.png
  dealers-check car_dealers --map sample_zones_town.svg --background sample_town.png --bounds -1200,-2200,2800,1800

The picture covers x -1200 to 2800 and y -2200 to 1800, 10 world units a pixel, north up: the sea and
a harbour in the north-west, the old town and its river in the south, the airport in the south-east
and hills in the east. Python's standard library only; the same bytes every run (with the same zlib)."""
import math
import struct
import sys
import zlib

LEFT, TOP, UNIT, SIZE = -1200, 1800, 10, 400  # the world point of the top left pixel, units a pixel, pixels a side

PALETTE = [
    (0x7F, 0xB1, 0xDC),  # 0 sea
    (0xA9, 0xCD, 0xEA),  # 1 shallow water
    (0xEA, 0xDF, 0xB4),  # 2 beach
    (0xD3, 0xE2, 0xB4),  # 3 meadow
    (0xC2, 0xD9, 0x9E),  # 4 field
    (0xDD, 0xE6, 0xBE),  # 5 pale field
    (0xA9, 0xC9, 0x8A),  # 6 hill
    (0x94, 0xB8, 0x78),  # 7 higher hill
    (0x80, 0xA6, 0x67),  # 8 hill top
    (0x6A, 0x8C, 0x52),  # 9 contour line
    (0xE4, 0xDE, 0xD3),  # 10 town ground
    (0xB8, 0xAB, 0x9B),  # 11 building
    (0x8C, 0x8A, 0x86),  # 12 road edge
    (0xF6, 0xF2, 0xE6),  # 13 road
    (0x70, 0x70, 0x70),  # 14 runway
    (0xC4, 0xC4, 0xC0),  # 15 apron
    (0x86, 0xAE, 0x70),  # 16 wood
]


def world(px, py):
    return LEFT + (px + 0.5) * UNIT, TOP - (py + 0.5) * UNIT


def coast(x):
    """The shore's y at x: land south of it."""
    return 1240 + 170 * math.sin((x + 412) / 520) + 0.12 * (x + 412) - 120 * math.exp(-((x + 420) / 260) ** 2)


def height(x, y):
    hills = ((2350, 700, 900, 520), (1950, 1350, 700, 420), (2600, -150, 600, 300))
    return sum(h * math.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * s * s)) for cx, cy, s, h in hills)


def hashed(a, b):
    """A fixed number in 0..255 for a pair of whole numbers."""
    n = (a * 73856093 ^ b * 19349663) & 0xFFFFFFFF
    n = (n ^ (n >> 13)) * 1274126177 & 0xFFFFFFFF
    return (n ^ (n >> 16)) & 0xFF


def ground(x, y):
    shore = coast(x)
    if y > shore + 60:
        return 0
    if y > shore:
        return 1
    if y > shore - 30:
        return 2
    h = height(x, y)
    if h > 120:
        if int(h) % 100 < 6:
            return 9
        return 6 if h < 250 else 7 if h < 400 else 8
    if (x - 400) ** 2 / 4 + (y - 300) ** 2 < 230 ** 2:
        return 16
    return (3, 4, 5, 4)[hashed(int(x // 260), int((y + 40 * math.sin(x / 300)) // 210)) % 4]


def paint():
    rows = [[ground(*world(px, py)) for px in range(SIZE)] for py in range(SIZE)]

    def put(x, y, colour, only=None):
        px, py = int((x - LEFT) / UNIT), int((TOP - y) / UNIT)
        if 0 <= px < SIZE and 0 <= py < SIZE and (only is None or rows[py][px] in only):
            rows[py][px] = colour

    def disc(x, y, r, colour, only=None):
        for dx in range(-r, r + 1):
            for dy in range(-r, r + 1):
                if dx * dx + dy * dy <= r * r + r:
                    put(x + dx * UNIT, y + dy * UNIT, colour, only)

    def line(points, r, colour, only=None):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            steps = max(1, int(math.hypot(x1 - x0, y1 - y0) / (UNIT / 2)))
            for i in range(steps + 1):
                disc(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, r, colour, only)

    def town(x0, y0, x1, y1, seed):
        for x in range(x0, x1, UNIT):
            for y in range(y0, y1, UNIT):
                put(x, y, 10, (3, 4, 5))
        for bx in range(x0, x1, 70):
            for by in range(y0, y1, 60):
                if hashed(bx + seed, by) < 200:
                    w, h = 30 + hashed(bx, by + seed) % 30, 20 + hashed(by, bx) % 30
                    for x in range(bx, bx + w, UNIT):
                        for y in range(by, by + h, UNIT):
                            put(x, y, 11, (10,))

    # The river from the southern hills through the old town to the sea, a harbour basin with piers.
    river = [(-320 + 160 * math.sin(y / 330), y) for y in range(-2200, 1400, 40)]
    line(river, 1, 1, (2, 3, 4, 5, 6, 7, 8, 9, 16))
    town(-700, -1900, 420, -1150, 1)
    town(-900, 780, 200, 1300, 2)
    town(900, 100, 1500, 600, 3)
    for x in range(-640, -140, 120):
        line([(x, coast(x) - 20), (x, coast(x) + 190)], 1, 15, (0, 1, 2, 10, 11))
    # The airport: apron and two runways.
    for x in range(1350, 2500, UNIT):
        for y in range(-1350, -760, UNIT):
            put(x, y, 15 if (x - 1350) % 400 < 330 else 3)
    line([(1420, -980), (2440, -820)], 2, 14)
    line([(1600, -1300), (2150, -900)], 1, 14)
    # Roads: the coast road, the town roads, the airport road and the road up the hill.
    roads = [
        [(-1200, 820), (-600, 900), (-412, 1150), (200, 1100), (900, 1250), (1600, 1450), (2800, 1500)],
        [(-412, 1150), (-350, 400), (-150, -400), (-95, -1480), (-60, -2200)],
        [(-1200, -1600), (-95, -1480), (1000, -1400), (2800, -1500)],
        [(-350, 400), (400, 200), (1200, 350), (1290, -610), (1400, -900)],
        [(1200, 350), (1800, 380), (2200, 420), (2800, 560)],
        [(1290, -610), (2000, -300), (2400, 100), (2200, 420)],
    ]
    for road in roads:
        line(road, 2, 12)
    for road in roads:
        line(road, 1, 13)
    return rows


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", bytes(c for colour in PALETTE for c in colour))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(png(paint()))

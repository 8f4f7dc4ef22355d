#!/usr/bin/env python3
"""Writes the stand-in palettes and the start-up picture that ship with Palshift.

diablo.pal and diablo2.pal are made up here, not taken from any game: 256 distinct colours
each, in ramps of shades as game palettes are laid out. startup.bmp is a 28 x 84 sword drawn
in diablo.pal; icon-N.png (16 to 256 pixels) and icon.svg are the program's icon, a sword laid
across a colour swatch. Run it from anywhere; it writes next to itself.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def ramp(base, shades, gamma):
    """shades colours from near black up to base (and a little past it toward white)."""
    colours = []
    for s in range(shades):
        t = (s + 1) / shades
        lift = max(0.0, t - 0.8) * 1.5  # the brightest shades bleach toward white
        colours.append(tuple(min(255, round(255 * ((c / 255) * t) ** gamma + 255 * lift * (1 - c / 255)))
                             for c in base))
    return colours


def distinct(colours):
    """Nudges repeated colours apart so that every entry is its own colour."""
    seen, out = set(), []
    for r, g, b in colours:
        while (r, g, b) in seen:
            b = b + 1 if b < 255 else b - 7
        seen.add((r, g, b))
        out.append((r, g, b))
    return out


# Diablo 1 style: 16 ramps of 16 shades, grey first (entry 0 black).
SOURCE_BASES = [
    (255, 255, 255), (180, 120, 60), (200, 40, 30), (230, 130, 40), (240, 200, 60), (90, 150, 50),
    (50, 110, 200), (130, 70, 170), (220, 160, 130), (120, 100, 80), (60, 160, 150), (170, 40, 90),
    (140, 150, 170), (210, 210, 150), (100, 60, 40), (40, 60, 110),
]
# Diablo 2 style: other hues, 8 ramps of 32 shades with a softer curve.
TARGET_BASES = [
    (255, 255, 255), (190, 110, 50), (210, 50, 40), (235, 190, 80), (80, 160, 70), (60, 100, 210),
    (150, 80, 160), (200, 150, 120),
]


def source_palette():
    colours = [(0, 0, 0)] + ramp(SOURCE_BASES[0], 16, 1.0)[:15]
    for base in SOURCE_BASES[1:]:
        colours += ramp(base, 16, 1.1)
    return distinct(colours)


def target_palette():
    colours = [(0, 0, 0)] + ramp(TARGET_BASES[0], 32, 0.9)[:31]
    for base in TARGET_BASES[1:]:
        colours += ramp(base, 32, 0.9)
    return distinct(colours)


def sword():
    """28 x 84 entry numbers of diablo.pal: a sword standing point up on black."""
    grey, gold, brown, red = 0, 64, 144, 32  # first entry of each ramp
    w, h = 28, 84
    px = [[0] * w for _ in range(h)]

    def put(x, y, entry):
        if 0 <= x < w and 0 <= y < h:
            px[y][x] = entry

    for y in range(2, 58):  # blade, tapering to a point at the top
        half = min(3, 1 + (y - 2) // 2)
        for x in range(14 - half, 14 + half):
            light = 14 - (x - (14 - half)) * 2  # lit from the left
            if x == 13 and y > 8:
                light = 15  # the fuller catches the light
            put(x, y, grey + max(4, light - (y - 2) // 14))
    for y in range(58, 63):  # crossguard with rounded ends
        for x in range(2, 26):
            if (x in (2, 25)) and y in (58, 62):
                continue
            put(x, y, gold + 14 - abs(y - 59) * 3 - (x > 13))
    for y in range(63, 76):  # grip with a leather wrap
        for x in range(11, 17):
            put(x, y, brown + (6 if (y + x) % 3 == 0 else 11) - (x - 11))
    for y in range(76, 83):  # pommel with a gem
        for x in range(9, 19):
            if (x - 13.5) ** 2 + (y - 79) ** 2 <= 16:
                put(x, y, gold + 13 - max(0, y - 78) * 2)
    for y, x in [(78, 13), (78, 14), (79, 13), (79, 14)]:
        put(x, y, red + 12 + (y == 78))
    return px


def write_pal(name, colours):
    assert len(colours) == 256 and len(set(colours)) == 256, name
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bytes(c for colour in colours for c in colour))


def write_bmp8(name, pixels, colours):
    h, w = len(pixels), len(pixels[0])
    stride = (w + 3) // 4 * 4
    data = b"".join(bytes(row) + bytes(stride - w) for row in reversed(pixels))
    header = b"BM" + struct.pack("<IHHI", 1078 + len(data), 0, 0, 1078)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + table + data)


def icon(size, source, target):
    """size x size RGBA rows: the two palettes' ramps as a swatch, a sword across it."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            palette, half = (source, 0) if x < size // 2 else (target, size // 2)
            ramp_start = 16 * (1 + (y * 6) // size) if palette is source else 32 * (1 + (y * 3) // size)
            shade = ramp_start + 4 + ((x - half) * 10) // (size // 2)
            rgba = palette[shade] + (255,)
            # Along the blade (up and right from the hilt) and across it, from the guard's centre.
            x0 = size * 0.28
            along, across = ((x - x0) - (y - (size - 1 - x0))) / 2, ((x - x0) + (y - (size - 1 - x0))) / 2
            if 0 < along < size * 0.7 and abs(across) <= size / 24 + 0.5:
                rgba = (230, 230, 235, 255) if across <= 0 else (150, 150, 160, 255)
            if abs(along) <= size / 32 + 0.3 and abs(across) <= size / 5:
                rgba = (240, 200, 60, 255)
            if -size / 5 < along < 0 and abs(across) <= size / 32 + 0.3:
                rgba = (110, 70, 40, 255)
            row.append(rgba)
        rows.append(row)
    return rows


def icon_svg(source, target):
    """The icon as shapes on a 256 x 256 canvas: the swatch cells and the sword of icon()."""
    size = 256
    hexed = lambda rgb: "#%02x%02x%02x" % tuple(rgb)
    shapes = []
    for palette, left, bands, ramp_size in ((source, 0, 6, 16), (target, size // 2, 3, 32)):
        for band in range(bands):
            top, bottom = size * band / bands, size * (band + 1) / bands
            for column in range(10):
                x = left + column * size / 20
                shade = ramp_size * (1 + band) + 4 + column
                shapes.append('<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
                              % (x, top, size / 20, bottom - top, hexed(palette[shade])))
    # Cells meet at fractions of a pixel; crisp edges keep hairlines from showing between them.
    shapes = ['<g shape-rendering="crispEdges">'] + shapes + ["</g>"]
    x0 = size * 0.28
    y0 = size - x0

    def band(along_from, along_to, across_from, across_to, colour):
        corners = [(along_from, across_from), (along_to, across_from), (along_to, across_to), (along_from, across_to)]
        points = " ".join("%g,%g" % (x0 + t + u, y0 - t + u) for t, u in corners)
        shapes.append('<polygon points="%s" fill="%s"/>' % (points, hexed(colour)))

    half_blade, half_guard = size / 24 + 0.5, size / 32 + 0.3
    band(0, size * 0.7, -half_blade, 0, (230, 230, 235))
    band(0, size * 0.7, 0, half_blade, (150, 150, 160))
    band(-half_guard, half_guard, -size / 5, size / 5, (240, 200, 60))
    band(-size / 5, 0, -half_guard, half_guard, (110, 70, 40))
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n%s\n</svg>\n'
            % (size, size, size, size, "\n".join(shapes)))


def write_png(name, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                + chunk(b"IEND", b""))


if __name__ == "__main__":
    source, target = source_palette(), target_palette()
    write_pal("diablo.pal", source)
    write_pal("diablo2.pal", target)
    write_bmp8("startup.bmp", sword(), source)
    for size in (16, 32, 48, 64, 128, 256):
        write_png("icon-%d.png" % size, icon(size, source, target))
    with open(os.path.join(HERE, "icon.svg"), "w") as f:
        f.write(icon_svg(source, target))

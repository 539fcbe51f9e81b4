#!/usr/bin/python3
"""Draws the installer's icon, resources/app.ico: a sheet of paper with a folded corner
carrying a blue "あ", in 16, 20, 24, 32, 40, 48, 64 and 256 pixels (the sizes Windows asks for at
100 % to 200 % and in Explorer's large views), 32-bit with alpha; the 256 pixel image as PNG.

Only the standard library is used and nothing depends on fonts or the clock, so the same
bytes come out on every machine: run it again after changing the drawing and commit both.

    /usr/bin/python3 resources/make_icon.py [output.ico]
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SUPERSAMPLE = 6  # samples per pixel side, for smooth curves and the fold's diagonal


def lerp(a, b, t):
    return a + (b - a) * t


def catmull_rom(points, steps):
    """Samples a Catmull-Rom spline through the points (ends clamped) into a polyline."""
    pts = [points[0]] + list(points) + [points[-1]]
    out = []
    for i in range(1, len(pts) - 2):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t +
                       (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2 +
                       (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3) for k in range(2)))
    out.append(points[-1])
    return out


# The glyph, in a unit box with y pointing down. Three strokes of a gothic "あ": the bar, the
# upright and the long stroke that crosses the upright, loops round to the left and sweeps
# down the right side.
GLYPH_STROKES = [
    [(0.16, 0.23), (0.50, 0.21), (0.80, 0.17)],
    [(0.42, 0.02), (0.43, 0.40), (0.47, 0.72), (0.52, 0.86)],
    [(0.66, 0.37), (0.57, 0.58), (0.40, 0.78), (0.24, 0.88), (0.11, 0.82), (0.12, 0.66),
     (0.30, 0.52), (0.56, 0.46), (0.79, 0.51), (0.90, 0.66), (0.85, 0.82), (0.70, 0.92),
     (0.55, 0.95)],
]


class Capsules:
    """Thick polylines with round ends: a point is inside when it lies within half the width
    of any segment. Segments are bucketed on a coarse grid to keep the pure-Python loop quick."""

    def __init__(self, polylines, half_width, cell):
        self.r2 = half_width * half_width
        self.cell = cell
        self.grid = {}
        for line in polylines:
            for a, b in zip(line, line[1:]):
                x0 = int(math.floor((min(a[0], b[0]) - half_width) / cell))
                x1 = int(math.floor((max(a[0], b[0]) + half_width) / cell))
                y0 = int(math.floor((min(a[1], b[1]) - half_width) / cell))
                y1 = int(math.floor((max(a[1], b[1]) + half_width) / cell))
                for gx in range(x0, x1 + 1):
                    for gy in range(y0, y1 + 1):
                        self.grid.setdefault((gx, gy), []).append((a, b))

    def contains(self, x, y):
        segs = self.grid.get((int(math.floor(x / self.cell)), int(math.floor(y / self.cell))))
        if not segs:
            return False
        for (ax, ay), (bx, by) in segs:
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            along = ((x - ax) * dx + (y - ay) * dy) / length2 if length2 else 0.0
            t = max(0.0, min(1.0, along))
            ex, ey = ax + t * dx - x, ay + t * dy - y
            if ex * ex + ey * ey <= self.r2:
                return True
        return False


# At 16 px a scaled-down curve turns to mush, so that size gets the glyph drawn pixel by pixel,
# in the manner of a small bitmap font.
GLYPH_16 = """
...#.....
########.
...#.....
...#.#...
..#####..
.#.##..#.
#..#....#
#.##....#
#.#.....#
.#.....#.
.....##..
""".strip().splitlines()

# Per size: the sheet's edges (whole pixels, so its outline stays crisp), the fold, and where the
# glyph goes (the box for the curves, or the top-left corner of the 16 px bitmap).
LAYOUTS = {
    16: dict(left=1, right=15, top=0, bottom=15, fold=5, glyph_at=(3, 2)),
    32: dict(left=4, right=28, top=1, bottom=31, fold=8, glyph_box=(7.0, 9.5, 18.0, 19.0)),
    48: dict(left=6, right=42, top=1, bottom=46, fold=12, glyph_box=(10.5, 14.0, 27.0, 28.5)),
}


def scaled_layout(size):
    """The 48 px drawing scaled to another size, its edges kept on whole pixels."""
    k = size / 48
    base = LAYOUTS[48]
    x, y, w, h = base["glyph_box"]
    return dict(left=round(base["left"] * k), right=round(base["right"] * k),
                top=max(1, round(base["top"] * k)), bottom=round(base["bottom"] * k),
                fold=round(base["fold"] * k), glyph_box=(x * k, y * k, w * k, h * k))


for _size in SIZES:
    LAYOUTS.setdefault(_size, scaled_layout(_size))


def draw(size):
    """Returns rows of (r, g, b, a) tuples, top row first, not premultiplied."""
    layout = LAYOUTS[size]
    left, right = layout["left"], layout["right"]
    top, bottom = layout["top"], layout["bottom"]
    fold = layout["fold"]
    line = 1.0  # outline width in pixels
    shadow = 1

    if "glyph_box" in layout:
        gx0, gy0, gw, gh = layout["glyph_box"]
        stroke_width = gw * 0.125
        polylines = [[(gx0 + x * gw, gy0 + y * gh) for x, y in catmull_rom(stroke, 12)]
                     for stroke in GLYPH_STROKES]
        curves = Capsules(polylines, stroke_width / 2, 2.0)
        in_glyph = curves.contains
    else:
        ox, oy = layout["glyph_at"]

        def in_glyph(x, y):
            row, col = int(y) - oy, int(x) - ox
            return 0 <= row < len(GLYPH_16) and 0 <= col < len(GLYPH_16[row]) and \
                GLYPH_16[row][col] == "#"

    def in_sheet(x, y, inset):
        if x < left + inset or x > right - inset or y < top + inset or y > bottom - inset:
            return False
        # The folded-off corner: the diagonal from (right - fold, top) to (right, top + fold).
        return (x - (right - fold)) - (y - top) <= -inset * math.sqrt(2)

    def in_flap(x, y, inset):
        # The turned-down triangle under the fold.
        return (x <= right - inset and y >= top + inset and
                (x - (right - fold)) - (y - top) >= inset * math.sqrt(2) and
                x >= right - fold + inset and y <= top + fold - inset)

    outline = (96, 104, 118)
    ink_top, ink_bottom = (27, 84, 170), (12, 52, 120)
    paper_top, paper_bottom = (255, 255, 255), (226, 232, 242)
    flap_colour = (200, 208, 222)

    def shade(top_colour, bottom_colour, t):
        rgb = tuple(int(round(lerp(top_colour[k], bottom_colour[k], t))) for k in range(3))
        return rgb + (255,)

    def sample(x, y):
        t = (y - top) / max(1, bottom - top)
        # A faint shadow one pixel below and to the right lifts the sheet off light backgrounds.
        if in_sheet(x - shadow, y - shadow, 0) and not in_sheet(x, y, 0):
            return (0, 0, 0, 60)
        if not (in_sheet(x, y, 0) or in_flap(x, y, 0)):
            return (0, 0, 0, 0)
        if in_flap(x, y, line):
            return flap_colour + (255,)
        if not in_sheet(x, y, line):
            return outline + (255,)
        if in_glyph(x, y):
            return shade(ink_top, ink_bottom, t)
        return shade(paper_top, paper_bottom, t)

    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((int(round(acc[0] / acc[3])), int(round(acc[1] / acc[3])),
                            int(round(acc[2] / acc[3])), int(round(acc[3] / (n * n)))))
        rows.append(row)
    return rows


def dib(rows):
    """A 32-bit icon image: BITMAPINFOHEADER (double height), BGRA bottom-up, then the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    # The mask still matters to old shells that ignore alpha: set where fully transparent.
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png(rows):
    """A 32-bit RGBA PNG, as Vista and later take the 256 px image of an icon."""
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + \
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, blob in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return out + data


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "app.ico")
    images = [(size, png(draw(size)) if size == 256 else dib(draw(size))) for size in SIZES]
    with open(target, "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()

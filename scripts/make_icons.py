#!/usr/bin/env python3
"""Draws the main program's icons and writes them as .ico files.

Every picture is a stack of simple shapes in a unit square (x to the right, y down),
rendered with 4 x 4 samples per pixel so that the edges are smooth at every size, and
stored as 32-bit images with alpha plus the AND mask that old shells read. The output
is deterministic: running the script again gives the same bytes, so the .ico files in
programs/Vexlora/icons are simply its output, checked in.

    scripts/make_icons.py [output folder]
"""

import math
import os
import struct
import sys

SAMPLES = 4

# ---------------------------------------------------------------------------------------
# Shapes: functions of (x, y) in the unit square that say whether the point is inside.


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return r - width / 2 <= d <= r + width / 2

    return inside


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        vx, vy = bx - ax, by - ay
        length2 = vx * vx + vy * vy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / length2))
        px, py = ax + t * vx, ay + t * vy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2

    return inside


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return union(*parts)


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result

    return inside


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def outline_rect(x0, y0, x1, y1, width):
    return minus(rect(x0, y0, x1, y1), rect(x0 + width, y0 + width, x1 - width, y1 - width))


# ---------------------------------------------------------------------------------------
# Colours (red, green, blue, alpha)

WHITE = (255, 255, 255, 255)
BLUE = (36, 104, 196, 255)
DARK_BLUE = (20, 60, 130, 255)
GREEN = (34, 150, 72, 255)
DARK_GREEN = (18, 96, 44, 255)
GOLD = (240, 180, 30, 255)
DARK_GOLD = (150, 100, 10, 255)
YELLOW = (255, 224, 64, 255)
RED = (208, 40, 40, 255)
ORANGE = (238, 120, 30, 255)
GREY = (120, 120, 120, 255)
LIGHT_GREY = (236, 236, 236, 255)
PURPLE = (110, 60, 160, 255)
BROWN = (120, 80, 40, 255)
PAPER = (250, 250, 246, 255)
INK = (70, 70, 70, 255)

# ---------------------------------------------------------------------------------------
# Pictures: lists of (shape, colour), drawn in order.


def badge_square(fill, edge):
    return [
        (rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2), edge),
        (rounded_rect(0.09, 0.09, 0.91, 0.91, 0.15), fill),
    ]


def chevrons(colour, width=0.13):
    # The program's mark: two right-pointing chevrons, as in the U+00BB prefix sign.
    return [
        (polyline([(0.22, 0.26), (0.44, 0.5), (0.22, 0.74)], width), colour),
        (polyline([(0.50, 0.26), (0.72, 0.5), (0.50, 0.74)], width), colour),
    ]


def shield(cx, cy, size):
    s = size
    outer = polygon([(cx - s, cy - s), (cx + s, cy - s), (cx + s, cy + 0.1 * s), (cx, cy + s * 1.15),
                     (cx - s, cy + 0.1 * s)])
    k = 0.72 * s
    inner = polygon([(cx - k, cy - k), (cx + k, cy - k), (cx + k, cy + 0.1 * k), (cx, cy + k * 1.15),
                     (cx - k, cy + 0.1 * k)])
    return [(outer, DARK_GOLD), (inner, GOLD)]


def page(x0, y0, x1, y1, fill=PAPER, edge=INK, width=0.06):
    return [(rect(x0, y0, x1, y1), edge), (rect(x0 + width, y0 + width, x1 - width, y1 - width), fill)]


def magnifier(cx, cy, r, glass, frame, handle):
    return [
        (segment(cx + r * 0.7, cy + r * 0.7, cx + r * 1.75, cy + r * 1.75, 0.16), handle),
        (circle(cx, cy, r + 0.05), frame),
        (circle(cx, cy, r - 0.04), glass),
    ]


def globe(cx, cy, r, sea, lines):
    return [
        (circle(cx, cy, r), sea),
        (ring(cx, cy, r * 0.45, 0.06), lines),
        (ring(cx, cy, r - 0.03, 0.06), lines),
        (rect(cx - r, cy - 0.03, cx + r, cy + 0.03), lines),
        (rect(cx - 0.03, cy - r, cx + 0.03, cy + r), lines),
    ]


PICTURES = {
    # The program, and the tray without the phrase menu ready.
    201: badge_square(BLUE, DARK_BLUE) + chevrons(WHITE),
    # The blink frame: the same mark, inverted and bright, so it flashes against either.
    202: [(rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2), ORANGE),
          (rounded_rect(0.11, 0.11, 0.89, 0.89, 0.14), YELLOW)] + chevrons(DARK_BLUE),
    # Run: a play triangle.
    204: [(polygon([(0.18, 0.1), (0.88, 0.5), (0.18, 0.9)]), DARK_GREEN),
          (polygon([(0.26, 0.24), (0.74, 0.5), (0.26, 0.76)]), GREEN)],
    # Protect: a padlock.
    206: [(minus(ring(0.5, 0.38, 0.2, 0.1), rect(0.0, 0.4, 1.0, 1.0)), GREY),
          (rect(0.28, 0.38, 0.34, 0.5), GREY), (rect(0.66, 0.38, 0.72, 0.5), GREY),
          (rounded_rect(0.16, 0.46, 0.84, 0.94, 0.08), DARK_GOLD),
          (rounded_rect(0.22, 0.52, 0.78, 0.88, 0.05), GOLD),
          (circle(0.5, 0.66, 0.07), DARK_GOLD), (rect(0.47, 0.66, 0.53, 0.8), DARK_GOLD)],
    # Delete: a red cross.
    211: [(segment(0.18, 0.18, 0.82, 0.82, 0.22), RED), (segment(0.82, 0.18, 0.18, 0.82, 0.22), RED)],
    # Minimize to caption: an arrow rising to a bar (the menu also shows it upside down).
    212: [(rect(0.1, 0.08, 0.9, 0.24), DARK_BLUE),
          (polygon([(0.5, 0.3), (0.82, 0.62), (0.62, 0.62), (0.62, 0.92), (0.38, 0.92), (0.38, 0.62),
                    (0.18, 0.62)]), BLUE)],
    # Copy: two sheets.
    215: page(0.08, 0.06, 0.62, 0.7) + page(0.36, 0.3, 0.92, 0.96),
    # Formatted text: a sheet with coloured lines.
    223: page(0.14, 0.04, 0.86, 0.96) + [
        (rect(0.26, 0.2, 0.74, 0.3), RED), (rect(0.26, 0.4, 0.66, 0.5), BLUE),
        (rect(0.26, 0.6, 0.74, 0.7), GREEN), (rect(0.26, 0.78, 0.56, 0.86), INK)],
    # Show all / keep: a list with bullets.
    225: [(circle(0.16, 0.2, 0.09), BLUE), (rect(0.34, 0.14, 0.92, 0.26), INK),
          (circle(0.16, 0.5, 0.09), BLUE), (rect(0.34, 0.44, 0.92, 0.56), INK),
          (circle(0.16, 0.8, 0.09), BLUE), (rect(0.34, 0.74, 0.92, 0.86), INK)],
    # The first web search: a magnifier.
    230: magnifier(0.4, 0.4, 0.28, (200, 225, 255, 255), BLUE, BROWN),
    # The second web search: a white magnifier on a red tile.
    231: [(rounded_rect(0.03, 0.03, 0.97, 0.97, 0.18), RED)] +
         magnifier(0.42, 0.42, 0.22, RED, WHITE, WHITE),
    # Web pages: a globe.
    234: globe(0.5, 0.5, 0.44, BLUE, (190, 225, 255, 255)),
    # The encyclopedia: an open book.
    239: [(polygon([(0.04, 0.2), (0.5, 0.3), (0.96, 0.2), (0.96, 0.86), (0.5, 0.96), (0.04, 0.86)]), INK),
          (polygon([(0.1, 0.27), (0.47, 0.36), (0.47, 0.87), (0.1, 0.79)]), PAPER),
          (polygon([(0.53, 0.36), (0.9, 0.27), (0.9, 0.79), (0.53, 0.87)]), PAPER),
          (segment(0.16, 0.42, 0.4, 0.48, 0.05), GREY), (segment(0.6, 0.48, 0.84, 0.42, 0.05), GREY),
          (segment(0.16, 0.58, 0.4, 0.64, 0.05), GREY), (segment(0.6, 0.64, 0.84, 0.58, 0.05), GREY)],
    # The developers' documentation: a closed book with braces.
    240: [(rounded_rect(0.14, 0.04, 0.88, 0.96, 0.06), PURPLE), (rect(0.14, 0.04, 0.26, 0.96), DARK_BLUE),
          (polyline([(0.56, 0.28), (0.44, 0.5), (0.56, 0.72)], 0.08), WHITE),
          (polyline([(0.66, 0.28), (0.78, 0.5), (0.66, 0.72)], 0.08), WHITE)],
    # Pinned: a push pin.
    241: [(segment(0.5, 0.6, 0.5, 0.97, 0.08), GREY),
          (rounded_rect(0.3, 0.04, 0.7, 0.2, 0.05), RED),
          (polygon([(0.36, 0.18), (0.64, 0.18), (0.7, 0.48), (0.3, 0.48)]), RED),
          (rounded_rect(0.14, 0.46, 0.86, 0.62, 0.06), (150, 20, 20, 255))],
    # HTML source: angle brackets and a slash.
    246: [(polyline([(0.32, 0.22), (0.08, 0.5), (0.32, 0.78)], 0.12), DARK_BLUE),
          (polyline([(0.68, 0.22), (0.92, 0.5), (0.68, 0.78)], 0.12), DARK_BLUE),
          (segment(0.58, 0.14, 0.42, 0.86, 0.1), ORANGE)],
    # HTML: a sheet with a coloured head and a small globe.
    247: page(0.12, 0.04, 0.88, 0.96) + [(rect(0.12, 0.04, 0.88, 0.26), ORANGE)] +
         globe(0.5, 0.62, 0.24, BLUE, (190, 225, 255, 255)),
    # Translation: two speech bubbles.
    250: [(rounded_rect(0.04, 0.06, 0.64, 0.52, 0.1), BLUE),
          (polygon([(0.14, 0.48), (0.3, 0.48), (0.12, 0.66)]), BLUE),
          (rounded_rect(0.36, 0.42, 0.96, 0.88, 0.1), ORANGE),
          (polygon([(0.72, 0.84), (0.86, 0.84), (0.9, 0.98)]), ORANGE),
          (rect(0.16, 0.2, 0.52, 0.27), WHITE), (rect(0.16, 0.33, 0.44, 0.4), WHITE),
          (rect(0.48, 0.56, 0.84, 0.63), WHITE), (rect(0.48, 0.69, 0.76, 0.76), WHITE)],
    # Ready, with administrator rights: the ready mark with a shield.
    249: badge_square(GREEN, DARK_GREEN) + chevrons(WHITE) + shield(0.76, 0.72, 0.2),
    # Ready: the phrase menu answers the hot key.
    251: badge_square(GREEN, DARK_GREEN) + chevrons(WHITE),
}

# The program's own icon is also what Explorer shows, so it gets a larger size too.
SIZES = {201: (16, 32, 48)}
DEFAULT_SIZES = (16, 32)


def over(dst, src):
    sr, sg, sb, sa = src
    dr, dg, db, da = dst
    a = sa + da * (1 - sa)
    if a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    return ((sr * sa + dr * da * (1 - sa)) / a, (sg * sa + dg * da * (1 - sa)) / a,
            (sb * sa + db * da * (1 - sa)) / a, a)


def render(layers, size):
    """Rows of (r, g, b, a) bytes, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            pixel = (0.0, 0.0, 0.0, 0.0)
            for shape, colour in layers:
                covered = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / size
                        y = (py + (sy + 0.5) / SAMPLES) / size
                        if shape(x, y):
                            covered += 1
                if covered:
                    alpha = covered / (SAMPLES * SAMPLES) * colour[3] / 255.0
                    pixel = over(pixel, (colour[0], colour[1], colour[2], alpha))
            r, g, b, a = pixel
            row.append((round(r), round(g), round(b), round(a * 255)))
        rows.append(row)
    return rows


def dib(rows, size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def ico(layers, sizes):
    images = [dib(render(layers, size), size) for size in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "programs", "Vexlora", "icons")
    os.makedirs(folder, exist_ok=True)
    for icon_id, layers in sorted(PICTURES.items()):
        path = os.path.join(folder, "%d.ico" % icon_id)
        with open(path, "wb") as f:
            f.write(ico(layers, SIZES.get(icon_id, DEFAULT_SIZES)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

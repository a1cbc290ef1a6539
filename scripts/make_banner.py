#!/usr/bin/env python3
"""Draws the options dialog's banner (bitmap resource 203): the lettering
"T_Vortane" in violet and white on a black field with a grey frame, 730 x 130
pixels, written as a 32-bit BMP. Standard library only; the output is the
same byte for byte on every run.

Usage: make_banner.py OUTPUT.bmp
"""
import math
import struct
import sys

WIDTH, HEIGHT = 730, 130
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
VIOLET = (160, 92, 255)
GREY = (128, 128, 128)
DARK_GREY = (64, 64, 64)


def arc(cx, cy, rx, ry, start, end, steps=24):
    """Points of an elliptic arc, angles in degrees, counter-clockwise."""
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps)))
            for i in range(steps + 1)]


# A small stroke font: each glyph is a list of polylines in units where the
# capital height is 10 and the x-height 7, y upwards from the baseline, and
# an advance width.
GLYPHS = {
    "T": ([[(0, 10), (8, 10)], [(4, 10), (4, 0)]], 9.5),
    "_": ([[(0, -1.5), (7, -1.5)]], 8.5),
    "V": ([[(0, 10), (4.5, 0), (9, 10)]], 10.5),
    "o": ([arc(3.5, 3.5, 3.5, 3.5, 0, 360, 32)], 9.0),
    "r": ([[(0, 0), (0, 7)], [(0, 3.5)] + arc(3.5, 3.5, 3.5, 3.5, 180, 100, 10)], 5.5),
    "t": ([[(1.5, 9.5), (1.5, 1.5)] + arc(3.5, 1.5, 2.0, 1.5, 180, 270, 8), [(0, 7), (4.5, 7)]], 6.5),
    "a": ([arc(3.5, 3.5, 3.5, 3.5, 0, 360, 32), [(7, 7), (7, 0)]], 9.5),
    "n": ([[(0, 0), (0, 7)], [(0, 3.5)] + arc(3.5, 3.5, 3.5, 3.5, 180, 0, 16) + [(7, 0)]], 9.5),
    "e": ([[(0, 3.5), (7, 3.5)] + arc(3.5, 3.5, 3.5, 3.5, 0, 315, 30)], 9.0),
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [list(colour) for _ in range(width * height)]

    def rect(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.pixels[y * self.width + x] = list(colour)

    def frame(self, inset, thickness, colour):
        w, h = self.width, self.height
        self.rect(inset, inset, w - inset, inset + thickness, colour)
        self.rect(inset, h - inset - thickness, w - inset, h - inset, colour)
        self.rect(inset, inset, inset + thickness, h - inset, colour)
        self.rect(w - inset - thickness, inset, w - inset, h - inset, colour)

    def strokes(self, segments, half_width, colour):
        """Round-capped thick segments, anti-aliased by the distance of each
        pixel centre to the nearest segment."""
        coverage = {}
        for (x0, y0), (x1, y1) in segments:
            reach = half_width + 1
            for y in range(max(0, int(min(y0, y1) - reach)), min(self.height, int(max(y0, y1) + reach) + 1)):
                for x in range(max(0, int(min(x0, x1) - reach)), min(self.width, int(max(x0, x1) + reach) + 1)):
                    d = distance_to_segment(x + 0.5, y + 0.5, x0, y0, x1, y1)
                    c = min(1.0, max(0.0, half_width + 0.5 - d))
                    if c > coverage.get((x, y), 0.0):
                        coverage[(x, y)] = c
        for (x, y), c in coverage.items():
            p = self.pixels[y * self.width + x]
            for i in range(3):
                p[i] = int(round(p[i] * (1 - c) + colour[i] * c))

    def bmp(self):
        """32 bits per pixel, bottom-up rows, BI_RGB (the fourth byte unused)."""
        image = bytearray()
        for y in range(self.height - 1, -1, -1):
            for x in range(self.width):
                r, g, b = self.pixels[y * self.width + x]
                image += bytes((b, g, r, 0))
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 32, 0, len(image), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
        return header + info + image


def distance_to_segment(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
    return math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))


def lettering(text, scale, left, baseline):
    """Segments of each letter in pixel coordinates (y downwards)."""
    letters = []
    x = left
    for ch in text:
        lines, advance = GLYPHS[ch]
        segments = []
        for line in lines:
            points = [(x + px * scale, baseline - py * scale) for px, py in line]
            segments += list(zip(points, points[1:]))
        letters.append(segments)
        x += advance * scale
    return letters, x - left


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    canvas = Canvas(WIDTH, HEIGHT, BLACK)
    canvas.frame(0, 4, GREY)
    canvas.frame(7, 1, DARK_GREY)

    text, scale, half_width = "T_Vortane", 7.0, 4.2
    _, width = lettering(text, scale, 0, 0)
    letters, _ = lettering(text, scale, (WIDTH - width) / 2 + half_width, 100)
    for i, segments in enumerate(letters):
        canvas.strokes(segments, half_width, VIOLET if i < 2 else WHITE)

    with open(sys.argv[1], "wb") as out:
        out.write(canvas.bmp())


if __name__ == "__main__":
    main()

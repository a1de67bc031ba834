#!/usr/bin/env python3
"""Draws the Live View's button faces and banners as 24-bit BMP files.

Usage: make_bitmaps.py OUTPUT_DIR [--png]   (--png also writes PNG copies to look at)
"""
import math
import os
import struct
import sys
import zlib


class Canvas:
    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def frame(self, x0, y0, x1, y1, light, dark):
        for x in range(x0, x1):
            self.put(x, y0, light)
            self.put(x, y1 - 1, dark)
        for y in range(y0, y1):
            self.put(x0, y, light)
            self.put(x1 - 1, y, dark)

    def disc(self, cx, cy, radius, colour):
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= y + 0.5 < yb) or (yb <= y + 0.5 < ya):
                    crossings.append(xa + (y + 0.5 - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(int(round(left)), int(round(right))):
                    self.put(x, y, colour)

    def gradient(self, x0, y0, x1, y1, top, bottom, vertical=True):
        span = (y1 - y0) if vertical else (x1 - x0)
        for y in range(y0, y1):
            for x in range(x0, x1):
                t = ((y - y0) if vertical else (x - x0)) / max(1, span - 1)
                self.put(x, y, tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))

    def bmp(self):
        row_bytes = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.pixels):
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
            rows.append(data + b"\0" * (row_bytes - len(data)))
        image = b"".join(rows)
        header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(image),
                             3780, 3780, 0, 0)
        return b"BM" + struct.pack("<IHHI", 14 + 40 + len(image), 0, 0, 54) + header + image

    def png(self):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.pixels)
        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
        return (b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


FACE = (212, 208, 200)
LIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)
INK = (40, 40, 48)


def button(width, height, pressed):
    canvas = Canvas(width, height, FACE if not pressed else (190, 186, 178))
    if pressed:
        canvas.frame(0, 0, width, height, SHADOW, LIGHT)
    else:
        canvas.frame(0, 0, width, height, LIGHT, SHADOW)
    return canvas, (1 if pressed else 0)


def snapshot_face(pressed):
    canvas, shift = button(50, 40, pressed)
    cx, cy = 25 + shift, 21 + shift
    canvas.rect(7 + shift, 9 + shift, 43 + shift, 35 + shift, INK)
    canvas.rect(12 + shift, 6 + shift, 21 + shift, 10 + shift, INK)
    canvas.rect(36 + shift, 11 + shift, 40 + shift, 14 + shift, (230, 60, 40))
    canvas.disc(cx, cy, 11, (150, 150, 160))
    canvas.disc(cx, cy, 9.5, (25, 25, 30))
    # Six aperture blades, each a wedge turned a little further round the lens.
    for blade in range(6):
        angle = blade * math.pi / 3
        tip = (cx + 9 * math.cos(angle), cy + 9 * math.sin(angle))
        side = (cx + 9 * math.cos(angle + 1.2), cy + 9 * math.sin(angle + 1.2))
        inner = (cx + 4 * math.cos(angle + 0.6), cy + 4 * math.sin(angle + 0.6))
        shade = 70 + blade * 18
        canvas.polygon([tip, side, inner], (shade, shade, shade + 20))
    opening = (120, 190, 255) if not pressed else (255, 255, 255)
    canvas.disc(cx, cy, 3 if not pressed else 4.5, opening)
    return canvas


def transfer_face(pressed):
    canvas, shift = button(50, 40, pressed)
    canvas.rect(30 + shift, 8 + shift, 44 + shift, 33 + shift, LIGHT)
    canvas.frame(30 + shift, 8 + shift, 44 + shift, 33 + shift, SHADOW, INK)
    for line in range(4):
        canvas.rect(33 + shift, 13 + line * 5 + shift, 41 + shift, 14 + line * 5 + shift, SHADOW)
    green = (30, 150, 50) if not pressed else (20, 110, 35)
    canvas.rect(6 + shift, 17 + shift, 20 + shift, 24 + shift, green)
    canvas.polygon([(19 + shift, 11 + shift), (29 + shift, 20.5 + shift), (19 + shift, 30 + shift)],
                   green)
    return canvas


def exit_face(pressed):
    canvas, shift = button(49, 36, pressed)
    canvas.rect(24 + shift, 5 + shift, 41 + shift, 32 + shift, (110, 70, 35))
    canvas.polygon([(24 + shift, 5 + shift), (33 + shift, 9 + shift), (33 + shift, 34 + shift),
                    (24 + shift, 32 + shift)], (160, 105, 55))
    canvas.disc(31 + shift, 20 + shift, 1.5, (240, 200, 60))
    red = (200, 40, 30) if not pressed else (150, 25, 20)
    canvas.rect(5 + shift, 16 + shift, 16 + shift, 21 + shift, red)
    canvas.polygon([(5 + shift, 18.5 + shift), (12 + shift, 11 + shift), (12 + shift, 26 + shift)], red)
    return canvas


def format_face():
    canvas, _ = button(48, 36, False)
    canvas.rect(10, 5, 38, 31, LIGHT)
    for index in range(5):
        canvas.rect(10 + index * 7, 5, 11 + index * 7, 31, (60, 90, 160))
    for index in range(5):
        canvas.rect(10, 5 + index * 6 + (1 if index == 4 else 0), 38, 6 + index * 6, (60, 90, 160))
    canvas.rect(17, 11, 24, 17, (230, 160, 40))
    return canvas


def side_banner():
    canvas = Canvas(36, 67, (0, 0, 0))
    canvas.gradient(0, 0, 36, 67, (20, 50, 110), (90, 140, 210))
    canvas.disc(18, 33, 11, (230, 235, 245))
    canvas.disc(18, 33, 8, (20, 50, 110))
    canvas.disc(18, 33, 3, (150, 200, 255))
    return canvas


def strip_banner():
    canvas = Canvas(650, 55, (0, 0, 0))
    canvas.gradient(0, 0, 650, 55, (25, 55, 120), (120, 165, 225), vertical=False)
    for x in range(6, 650, 16):
        canvas.rect(x, 4, x + 8, 9, (235, 238, 245))
        canvas.rect(x, 46, x + 8, 51, (235, 238, 245))
    return canvas


def main():
    out = sys.argv[1]
    with_png = "--png" in sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    faces = {
        "transfer_up": transfer_face(False), "transfer_down": transfer_face(True),
        "exit_up": exit_face(False), "exit_down": exit_face(True),
        "format_up": format_face(),
        "snapshot_up": snapshot_face(False), "snapshot_down": snapshot_face(True),
        "side_banner": side_banner(), "strip_banner": strip_banner(),
    }
    for name, canvas in faces.items():
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(canvas.bmp())
        if with_png:
            with open(os.path.join(out, name + ".png"), "wb") as f:
                f.write(canvas.png())


if __name__ == "__main__":
    main()

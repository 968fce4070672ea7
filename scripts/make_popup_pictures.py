#!/usr/bin/env python3
"""Draws the password pop-up's pictures into assets/popup/ (PNG, standard library only).

The background is a rounded panel; everything outside the panel is pure blue (0, 0, 255), the
colour the pop-up cuts out of its window. The small pictures (copy buttons, close button, pointer)
are drawn on a transparent background. Run from anywhere: python3 scripts/make_popup_pictures.py
"""
import math
import os
import struct
import zlib

BLUE = (0, 0, 255, 255)
CLEAR = (0, 0, 0, 0)


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a)."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def canvas(width, height, fill):
    return [[fill] * width for _ in range(height)]


def inside_rounded(x, y, left, top, right, bottom, radius):
    """True when pixel centre (x, y) lies in the rounded rectangle [left, right) x [top, bottom)."""
    cx, cy = x + 0.5, y + 0.5
    if not (left <= cx < right and top <= cy < bottom):
        return False
    nx = min(max(cx, left + radius), right - radius)
    ny = min(max(cy, top + radius), bottom - radius)
    return (cx - nx) ** 2 + (cy - ny) ** 2 <= radius ** 2


def background(width=300, height=170):
    img = canvas(width, height, BLUE)
    for y in range(height):
        for x in range(width):
            if inside_rounded(x, y, 0, 0, width, height, 18):
                edge = not inside_rounded(x, y, 2, 2, width - 2, height - 2, 16)
                if edge:
                    img[y][x] = (150, 170, 220, 255)
                else:
                    # A gentle vertical gradient of slate blue, never pure blue.
                    t = y / height
                    img[y][x] = (int(34 + 20 * t), int(48 + 24 * t), int(92 + 30 * t), 255)
    # A thin rule under the title area.
    for x in range(16, width - 16):
        img[26][x] = (110, 130, 190, 255)
    return img


def copy_icon(hover):
    size = 24
    img = canvas(size, size, CLEAR)
    back = (200, 210, 235, 255) if not hover else (255, 230, 140, 255)
    front = (245, 248, 255, 255) if not hover else (255, 250, 215, 255)
    line = (60, 70, 100, 255)

    def sheet(left, top, fill):
        for y in range(top, top + 14):
            for x in range(left, left + 11):
                border = y in (top, top + 13) or x in (left, left + 10)
                img[y][x] = line if border else fill
        for row in range(top + 4, top + 11, 3):
            for x in range(left + 3, left + 8):
                img[row][x] = line

    sheet(4, 3, back)
    sheet(9, 8, front)
    return img


def close_icon(hover):
    size = 20
    img = canvas(size, size, CLEAR)
    ring = (230, 235, 250, 255)
    fill = (150, 40, 40, 255) if hover else (70, 80, 120, 255)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - size / 2, y + 0.5 - size / 2)
            if d <= 9.5:
                img[y][x] = ring if d > 8 else fill
    for i in range(6, 14):
        for w in (0, 1):
            img[i][i + w - 0] = ring
            img[i][size - 1 - i - w] = ring
    return img


def cursor_icon():
    size = 32
    img = canvas(size, size, CLEAR)
    dark = (20, 20, 20, 255)
    light = (255, 255, 255, 255)
    # An arrow pointer with a small check mark beside it.
    for y in range(0, 16):
        for x in range(0, y // 2 + 2):
            edge = x == 0 or x == y // 2 + 1 or y == 15
            img[y][x] = dark if edge else light
    for i in range(4):
        img[22 + i][14 + i] = (20, 140, 40, 255)
        img[22 + i][15 + i] = (20, 140, 40, 255)
    for i in range(8):
        img[25 - i][17 + i] = (20, 140, 40, 255)
        img[25 - i][18 + i] = (20, 140, 40, 255)
    return img


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "assets", "popup")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "background.png": background(),
        "copy.png": copy_icon(False),
        "copy_hover.png": copy_icon(True),
        "close.png": close_icon(False),
        "close_hover.png": close_icon(True),
        "cursor.png": cursor_icon(),
    }
    for name, img in pictures.items():
        write_png(os.path.join(out, name), len(img[0]), len(img), img)
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws Keyloft's welcome animation into assets/welcome2.gif (standard library only).

A padlock beside the word WELCOME, a light sweeping across the letters, then the lock opening.
The GIF is written by hand: a 16-colour global table, a looping application extension, and one
graphic control extension and LZW-compressed image per frame.
Run from anywhere: python3 scripts/make_welcome_gif.py
"""
import os
import struct

WIDTH, HEIGHT = 192, 64

PALETTE = [
    (24, 40, 84),     # 0 background, deep blue
    (240, 244, 255),  # 1 letters
    (255, 214, 90),   # 2 lock body, gold
    (180, 140, 40),   # 3 lock shadow
    (200, 205, 215),  # 4 shackle, steel
    (120, 170, 255),  # 5 sweep light
    (60, 80, 140),    # 6 frame line
    (30, 30, 30),     # 7 keyhole
] + [(0, 0, 0)] * 8

# 5 x 7 letters, one string per row.
FONT = {
    "W": ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
}


def blank():
    img = [[0] * WIDTH for _ in range(HEIGHT)]
    for x in range(WIDTH):
        img[0][x] = img[HEIGHT - 1][x] = 6
    for y in range(HEIGHT):
        img[y][0] = img[y][WIDTH - 1] = 6
    return img


def rect(img, left, top, width, height, colour):
    for y in range(max(top, 0), min(top + height, HEIGHT)):
        for x in range(max(left, 0), min(left + width, WIDTH)):
            img[y][x] = colour


def text(img, word, left, top, scale, colour, highlight=None):
    x = left
    for index, letter in enumerate(word):
        rows = FONT[letter]
        c = 5 if highlight == index else colour
        for row, bits in enumerate(rows):
            for col, bit in enumerate(bits):
                if bit == "1":
                    rect(img, x + col * scale, top + row * scale, scale, scale, c)
        x += 6 * scale


def padlock(img, left, top, opened):
    # Shackle: a 3-pixel-thick arch, lifted and swung open when unlocked.
    lift = 6 if opened else 0
    rect(img, left + 4, top + 2 - lift, 3, 14 + lift, 4)
    rect(img, left + 4, top - lift, 16, 3, 4)
    if opened:
        rect(img, left + 17, top - lift, 3, 6, 4)
    else:
        rect(img, left + 17, top, 3, 16, 4)
    rect(img, left, top + 14, 24, 20, 2)
    rect(img, left + 18, top + 14, 6, 20, 3)
    rect(img, left + 10, top + 20, 4, 4, 7)
    rect(img, left + 11, top + 24, 2, 5, 7)


def frame(step, opened):
    img = blank()
    padlock(img, 14, 16, opened)
    text(img, "WELCOME", 52, 18, 3, 1, highlight=step)
    return img


def lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    size = min_code_size + 1
    next_code = end + 1
    table = {}
    out = bytearray()
    acc = 0
    bits = 0

    def emit(code):
        nonlocal acc, bits, size
        acc |= code << bits
        bits += size
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
        # The code size grows once the next free code no longer fits.
        if next_code >= (1 << size) and size < 12:
            size += 1

    def write_raw(code):
        nonlocal acc, bits
        acc |= code << bits
        bits += size
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8

    write_raw(clear)
    prefix = None
    for k in indices:
        if prefix is None:
            prefix = k
            continue
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix)
        if next_code < 4095:
            table[key] = next_code
            next_code += 1
        else:
            write_raw(clear)
            table.clear()
            size = min_code_size + 1
            next_code = end + 1
        prefix = k
    if prefix is not None:
        emit(prefix)
    write_raw(end)
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for at in range(0, len(data), 255):
        chunk = data[at:at + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def gif(frames):
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", WIDTH, HEIGHT, 0x80 | 0x70 | 3, 0, 0)
    for r, g, b in PALETTE:
        out += bytes((r, g, b))
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for img, delay in frames:
        out += b"\x21\xF9\x04" + struct.pack("<BHB", 1 << 2, delay, 0) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
        out.append(4)
        out += sub_blocks(lzw([p for row in img for p in row], 4))
    out.append(0x3B)
    return bytes(out)


def main():
    frames = [(frame(None, False), 80)]
    frames += [(frame(i, False), 12) for i in range(7)]
    frames += [(frame(None, True), 150)]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "assets", "welcome2.gif")
    data = gif(frames)
    with open(path, "wb") as out:
        out.write(data)
    print(path, len(data), "bytes,", len(frames), "frames")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws every bitmap the game ships: the indicator squares, the banner, the icon
(under res/) and the five reveal pictures (under data/). Standard library only, so
it runs on a bare machine; its output is committed.

    tools/make_images.py [repo-root]
"""
import math
import os
import struct
import sys
import zlib

# The classic 16-colour palette: the banner and the icon use it.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, WHITE = 0, 15


def write_bmp(path, width, height, bits, palette, pixels):
    """Indexed bottom-up BMP; pixels[y][x] are palette indices, top row first."""
    row_bytes = ((width * bits + 31) // 32) * 4
    rows = []
    for y in range(height - 1, -1, -1):
        acc, nbits, out = 0, 0, bytearray()
        for x in range(width):
            acc = (acc << bits) | pixels[y][x]
            nbits += bits
            if nbits == 8:
                out.append(acc)
                acc, nbits = 0, 0
        if nbits:
            out.append(acc << (8 - nbits))
        rows.append(bytes(out.ljust(row_bytes, b"\0")))
    colours = len(palette)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       colours, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + table + data)


def write_png(path, size, palette, pixels):
    """RGB PNG from palette indices, for the desktop's icon theme."""
    raw = b"".join(b"\0" + bytes(c for i in row for c in palette[i]) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def canvas(width, height, fill):
    return [[fill] * width for _ in range(height)]


# 5x7 capitals and digits for the banner, one string per row.
GLYPHS = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "v": ["00000", "00000", "10001", "10001", "10001", "01010", "00100"],
    "0": ["01110", "10011", "10101", "10101", "10101", "11001", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    " ": ["00000"] * 7,
}


def banner():
    """123x16, black lettering on white, drawn at double height."""
    text, scale_y = "TEBIOL v0.1", 2
    img = canvas(123, 16, WHITE)
    width = len(text) * 6 - 1
    x0, y0 = (123 - width) // 2, (16 - 7 * scale_y) // 2
    for i, ch in enumerate(text):
        for gy, row in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for sy in range(scale_y):
                        img[y0 + gy * scale_y + sy][x0 + i * 6 + gx] = BLACK
    return img


def icon(size):
    """An open eye with a blue iris on a yellow tile: 16 colours."""
    img = canvas(size, size, 11)
    c = (size - 1) / 2
    for y in range(size):
        for x in range(size):
            dx, dy = (x - c) / (size / 2), (y - c) / (size / 2)
            lens = abs(dy) < 0.55 * (1 - dx * dx) and abs(dx) < 0.95
            r = math.hypot(dx, dy)
            if lens:
                img[y][x] = 15
                if r < 0.36:
                    img[y][x] = 12
                if r < 0.16:
                    img[y][x] = BLACK
            elif abs(abs(dy) - 0.55 * (1 - dx * dx)) < 0.09 and abs(dx) < 0.95:
                img[y][x] = BLACK
    return img


def solid(rgb):
    return [rgb], canvas(32, 32, 0)


# --- The reveal pictures: 120x120, 8 bits, background at the first pixel of the file. ---
SIZE = 120
BG = (250, 250, 250)


def picture(palette, draw):
    pal = [BG] + palette
    img = canvas(SIZE, SIZE, 0)
    for y in range(SIZE):
        for x in range(SIZE):
            img[y][x] = draw(x - SIZE / 2 + 0.5, SIZE / 2 - 0.5 - y)
    # Keep a one-pixel background border so the first pixel is the background.
    for i in range(SIZE):
        img[0][i] = img[SIZE - 1][i] = img[i][0] = img[i][SIZE - 1] = 0
    return pal, img


def star(x, y):
    a, r = math.atan2(y, x), math.hypot(x, y)
    k = (a + math.pi / 2) / (2 * math.pi / 5)
    t = abs(k - round(k))  # 0 at a point, 0.5 between points
    edge = 54 - 32 * (t / 0.5)
    if r < edge - 3:
        return 2 if r < edge - 12 else 1
    return 3 if r < edge else 0


def sun(x, y):
    a, r = math.atan2(y, x), math.hypot(x, y)
    if r < 26:
        return 2 if math.hypot(x + 8, y - 6) > 4 and math.hypot(x - 8, y - 6) > 4 and not (
            15 < r < 19 and y < -4) else 3
    if r < 56 and math.cos(12 * a) > 0.55:
        return 1
    return 0


def flower(x, y):
    a, r = math.atan2(y, x), math.hypot(x, y)
    if y < -20 and abs(x) < 3:
        return 3
    if -45 < y < -28 and abs(x - (y + 36) * 1.2 - 12) < 6 and x > 4:
        return 3
    fy = y - 12
    fr = math.hypot(x, fy)
    fa = math.atan2(fy, x)
    if fr < 11:
        return 2
    if fr < 24 + 14 * abs(math.cos(3 * fa)):
        return 1
    return 0


def heart(x, y):
    xs, ys = x / 44, (y + 4) / 44
    v = (xs * xs + ys * ys - 1) ** 3 - xs * xs * ys ** 3
    if v <= 0:
        return 2 if math.hypot(x + 16, y - 16) < 7 else 1
    return 3 if v < 0.06 else 0


def house(x, y):
    if -50 < y < -10 and -40 < x < 40:  # walls
        if -50 < y < -22 and -8 < x < 8:
            return 3  # door
        if -28 < y < -16 and 18 < abs(x) < 32:
            return 4  # windows
        return 1
    if -10 <= y < 44 - abs(x) * 1.1 and abs(x) < 50:
        return 2  # roof
    if y < -50 and y > -55 and abs(x) < 56:
        return 5  # grass
    return 0


PICTURES = [
    ([(255, 200, 0), (255, 240, 80), (200, 120, 0)], star),
    ([(255, 140, 0), (255, 220, 0), (120, 60, 0)], sun),
    ([(230, 40, 140), (255, 210, 0), (30, 150, 40)], flower),
    ([(220, 20, 40), (255, 160, 170), (140, 0, 20)], heart),
    ([(240, 200, 120), (200, 40, 30), (110, 60, 20), (90, 170, 230), (40, 160, 50)], house),
]


def main(root):
    res = os.path.join(root, "res", "images")
    for ident, rgb in [(133, (0, 0, 255)), (134, (0, 128, 192)), (136, (224, 128, 64)),
                       (137, (255, 0, 0)), (138, (0, 255, 0))]:
        pal, img = solid(rgb)
        write_bmp(os.path.join(res, f"bitmap{ident}.bmp"), 32, 32, 8, pal, img)
    write_bmp(os.path.join(res, "bitmap140.bmp"), 123, 16, 4, VGA16, banner())
    for size in (32, 16):
        write_bmp(os.path.join(res, f"icon128_{size}.bmp"), size, size, 4, VGA16, icon(size))
    for size in (16, 32, 128):
        write_png(os.path.join(root, "res", "desktop", f"glimmo2-{size}.png"), size, VGA16, icon(size))
    for n, (palette, draw) in enumerate(PICTURES):
        pal, img = picture(palette, draw)
        write_bmp(os.path.join(root, "data", f"dibuix{n}.bmp"), SIZE, SIZE, 8, pal, img)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))

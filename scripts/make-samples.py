#!/usr/bin/env python3
"""Writes the project's sample images: tests/data/* and docs/samples/sample.png.

Everything but the JPEG is written here with Python's standard library. The
JPEG is made from the PPM by ImageMagick's `convert`, which the project's
setup does not install: the produced files are committed, and `convert` is
needed only to regenerate gradient.jpg (without it the JPEG is left as is).

The test picture is 64 x 48 pixels of 4 x 4 cells; cell (cx, cy) = (x // 4,
y // 4) has red cx * 17, green cy * 23, blue (red + green) // 2. It has 192
colours, so the GIF holds it exactly. The alpha variant adds alpha
(x * 255) // 63 (0 in the left column, 255 in the right).
"""

import math
import os
import shutil
import struct
import subprocess
import sys
import zlib

WIDTH, HEIGHT = 64, 48
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")
SAMPLES = os.path.join(ROOT, "docs", "samples")


def cell_colour(x, y):
    red = (x // 4) * 17
    green = (y // 4) * 23
    return red, green, (red + green) // 2


def alpha_at(x):
    return (x * 255) // 63


def palette_index(x, y):
    return (y // 4) * 16 + (x // 4)


# --- PNG ------------------------------------------------------------------

def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(row, previous, bpp):
    """Chooses, per row, the filter with the smallest sum of magnitudes."""
    candidates = []
    for kind in range(5):
        out = bytearray()
        for i, value in enumerate(row):
            left = row[i - bpp] if i >= bpp else 0
            up = previous[i]
            upper_left = previous[i - bpp] if i >= bpp else 0
            predictor = (0, left, up, (left + up) // 2, paeth(left, up, upper_left))[kind]
            out.append((value - predictor) & 0xFF)
        cost = sum(v if v < 128 else 256 - v for v in out)
        candidates.append((cost, kind, out))
    _, kind, out = min(candidates)
    return bytes([kind]) + bytes(out)


def write_png(path, width, height, colour_type, rows):
    bpp = {0: 1, 2: 3, 6: 4}[colour_type]
    raw = bytearray()
    previous = bytes(width * bpp)
    for row in rows:
        raw += filter_row(row, previous, bpp)
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# --- BMP, TGA, PNM ----------------------------------------------------------

def write_bmp(path, pixels):
    stride = (WIDTH * 3 + 3) & ~3
    body = bytearray()
    for y in reversed(range(HEIGHT)):   # bottom row first
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixels[y][x]
            row += bytes((b, g, r))
        body += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + body)


def write_tga(path, pixels):
    # Uncompressed true colour, top row first (descriptor bit 5).
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, WIDTH, HEIGHT, 24, 0x20)
    body = bytearray()
    for row in pixels:
        for r, g, b in row:
            body += bytes((b, g, r))
    with open(path, "wb") as f:
        f.write(header + body)


def write_pnm(path, magic, rows):
    with open(path, "wb") as f:
        f.write(b"%s\n%d %d\n255\n" % (magic, WIDTH, HEIGHT))
        for row in rows:
            f.write(row)


# --- GIF ------------------------------------------------------------------

class BitWriter:
    def __init__(self):
        self.bytes = bytearray()
        self.buffer = 0
        self.count = 0

    def write(self, code, size):
        self.buffer |= code << self.count
        self.count += size
        while self.count >= 8:
            self.bytes.append(self.buffer & 0xFF)
            self.buffer >>= 8
            self.count -= 8

    def flush(self):
        if self.count:
            self.bytes.append(self.buffer & 0xFF)
        return bytes(self.bytes)


def lzw_encode(indices, minimum_size=8):
    clear, end = 1 << minimum_size, (1 << minimum_size) + 1
    writer = BitWriter()

    def fresh_table():
        return {bytes([i]): i for i in range(clear)}, end + 1, minimum_size + 1

    table, next_code, size = fresh_table()
    writer.write(clear, size)
    current = b""
    for index in indices:
        extended = current + bytes([index])
        if extended in table:
            current = extended
            continue
        writer.write(table[current], size)
        if next_code < 4096:
            table[extended] = next_code
            next_code += 1
            # The decoder widens its codes one entry behind the encoder.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            writer.write(clear, size)
            table, next_code, size = fresh_table()
        current = bytes([index])
    writer.write(table[current], size)
    writer.write(end, size)
    return writer.flush()


def write_gif(path, palette, indices, transparent_index=None):
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF7, 0, 0)   # global table of 256 entries
    table = bytearray()
    for colour in palette:
        table += bytes(colour)
    data += table + bytes(768 - len(table))
    if transparent_index is not None:
        data += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, transparent_index, 0)
    data += struct.pack("<BHHHHB", 0x2C, 0, 0, WIDTH, HEIGHT, 0)
    data.append(8)
    compressed = lzw_encode(indices)
    for i in range(0, len(compressed), 255):
        block = compressed[i:i + 255]
        data.append(len(block))
        data += block
    data += b"\x00\x3B"
    with open(path, "wb") as f:
        f.write(data)


# --- The demo picture -------------------------------------------------------

def sample_pixel(x, y, width, height):
    """A sunset over a lake, drawn from a few smooth functions."""
    horizon = int(height * 0.62)
    sun_x, sun_y, sun_radius = width * 0.68, horizon - 22, 20.0

    def sky(yy):
        t = yy / horizon
        top, low = (28, 36, 92), (250, 150, 70)
        return tuple(top[i] + (low[i] - top[i]) * t ** 1.4 for i in range(3))

    def ridge(xx, base, amplitude, phase):
        return base - amplitude * (0.6 * math.sin(xx / 23.0 + phase) + 0.4 * math.sin(xx / 9.0 + 2 * phase))

    def scene(xx, yy):
        colour = list(sky(yy))
        distance = math.hypot(xx - sun_x, yy - sun_y)
        glow = max(0.0, 1.0 - distance / (sun_radius * 3.2)) ** 2
        colour = [c + (255 - c) * glow * w for c, w in zip(colour, (0.9, 0.7, 0.35))]
        if distance <= sun_radius:
            colour = [255, 226, 140]
        if yy >= ridge(xx, horizon - 14, 12, 0.7):
            colour = [120, 72, 96]
        if yy >= ridge(xx, horizon - 3, 7, 2.1):
            colour = [62, 40, 70]
        return colour

    if y < horizon:
        r, g, b = scene(x, y)
    else:
        # The lake mirrors the scene, darkened, with a gentle ripple.
        depth = y - horizon
        ripple = 2.0 * math.sin(depth * 0.9 + x * 0.15)
        mirrored = max(0, min(horizon - 1, horizon - 1 - depth + int(ripple)))
        r, g, b = scene(x + ripple, mirrored)
        shade = 0.62 - 0.25 * depth / (height - horizon)
        r, g, b = r * shade + 10, g * shade + 18, b * shade + 40
    # Coarse steps keep the file small without visible banding at this size.
    return tuple(max(0, min(255, int(v) & ~3)) for v in (r, g, b))


def main():
    os.makedirs(DATA, exist_ok=True)
    os.makedirs(SAMPLES, exist_ok=True)
    pixels = [[cell_colour(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    rgb_rows = [bytes(c for p in row for c in p) for row in pixels]

    write_png(os.path.join(DATA, "gradient.png"), WIDTH, HEIGHT, 2, rgb_rows)
    rgba_rows = [bytes(c for x, p in enumerate(row) for c in (*p, alpha_at(x))) for row in pixels]
    write_png(os.path.join(DATA, "gradient_alpha.png"), WIDTH, HEIGHT, 6, rgba_rows)
    grey_rows = [bytes(p[0] for p in row) for row in pixels]
    write_png(os.path.join(DATA, "gradient_grey.png"), WIDTH, HEIGHT, 0, grey_rows)
    write_bmp(os.path.join(DATA, "gradient.bmp"), pixels)
    write_tga(os.path.join(DATA, "gradient.tga"), pixels)
    write_pnm(os.path.join(DATA, "gradient.ppm"), b"P6", rgb_rows)
    write_pnm(os.path.join(DATA, "gradient_grey.pgm"), b"P5", grey_rows)

    palette = [cell_colour(cx * 4, cy * 4) for cy in range(12) for cx in range(16)]
    indices = [palette_index(x, y) for y in range(HEIGHT) for x in range(WIDTH)]
    write_gif(os.path.join(DATA, "gradient.gif"), palette, indices)
    # The top-left cell's colour (index 0, black) is transparent.
    write_gif(os.path.join(DATA, "gradient_transparent.gif"), palette, indices, transparent_index=0)

    if shutil.which("convert"):
        subprocess.run(["convert", os.path.join(DATA, "gradient.ppm"), "-strip", "-quality", "95",
                        "-sampling-factor", "1x1", os.path.join(DATA, "gradient.jpg")], check=True)
    else:
        print("convert not found: tests/data/gradient.jpg left as it is", file=sys.stderr)

    width, height = 256, 192
    sample_rows = [bytes(c for x in range(width) for c in sample_pixel(x, y, width, height))
                   for y in range(height)]
    write_png(os.path.join(SAMPLES, "sample.png"), width, height, 2, sample_rows)


if __name__ == "__main__":
    main()

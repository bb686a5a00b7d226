#!/usr/bin/env python3
"""Writes resources/plugin.ico: the plug-in's 16x16, 16-colour icon.

The picture is a framed landscape (a sun over two mountains and a meadow),
drawn below as one character per pixel. The file holds one image: a 4-bit
BMP with its AND mask, which is what the host shows beside the plug-in's
name. Standard library only, so the icon can be rebuilt anywhere:

    python3 scripts/make-icon.py [output.ico]
"""

import pathlib
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One character per pixel, top row first; '.' is transparent.
COLOURS = {
    "k": 0,   # black: the frame's inner edge
    "o": 3,   # olive: the frame
    "a": 14,  # aqua: sky
    "Y": 11,  # yellow: sun
    "W": 15,  # white: snow
    "s": 7,   # silver: lit rock
    "r": 8,   # grey: rock in shade
    "g": 2,   # green: meadow
    "L": 10,  # lime: grass in the sun
}

PICTURE = [
    "................",
    "oooooooooooooooo",
    "okkkkkkkkkkkkkko",
    "okaaaaaaaaaYYako",
    "okaaaaWaaaYYYYko",
    "okaaaWWWaaYYYYko",
    "okaassWrraaYYako",
    "okassssrrraarako",
    "okssssrrrrrsrrko",
    "oksssrrrrssrrrko",
    "okgggLggggggLgko",
    "okgLgggggLggggko",
    "okkkkkkkkkkkkkko",
    "oooooooooooooooo",
    "................",
    "................",
]

SIZE = 16


def xor_bitmap():
    """4-bit pixels, bottom row first, two pixels per byte (high nibble first)."""
    rows = []
    for line in reversed(PICTURE):
        indices = [0 if c == "." else COLOURS[c] for c in line]
        rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
    return b"".join(rows)  # 8 bytes per row: already a multiple of 4


def and_mask():
    """1 bit per pixel, set where transparent; rows padded to 4 bytes."""
    rows = []
    for line in reversed(PICTURE):
        bits = 0
        for c in line:
            bits = (bits << 1) | (1 if c == "." else 0)
        rows.append(struct.pack(">H", bits) + b"\0\0")
    return b"".join(rows)


def icon_file():
    for line in PICTURE:
        assert len(line) == SIZE, line
    assert len(PICTURE) == SIZE
    pixels = xor_bitmap()
    mask = and_mask()
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    # The height counts the colour bitmap and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(pixels) + len(mask), 0, 0, 16, 0)
    image = header + palette + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    default = pathlib.Path(__file__).resolve().parent.parent / "resources" / "plugin.ico"
    target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    target.write_bytes(icon_file())
    print(f"wrote {target} ({target.stat().st_size} bytes)")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the small RGBA images that the control tests load from their resources.

Each image has plain regions of known colour, so that a test can tell
scaling, cropping, colour matrices and alpha blending apart by pixel values.
Run it again after changing an image; the PNG files are kept in the tree.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(name, width, height, pixel):
    rows = b"".join(
        b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height)
    )

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
           + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


RED, GREEN, BLUE = (255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255)
BLACK, WHITE = (0, 0, 0, 255), (255, 255, 255, 255)

# 41 x 40: red where a 34 x 32 button shows it unscaled, green beyond.
write_png("crop.png", 41, 40, lambda x, y: RED if x < 34 and y < 32 else GREEN)
write_png("blue.png", 41, 40, lambda x, y: BLUE)
# 34 x 32 columns: black, white, opaque red, half-transparent red.
write_png("levels.png", 34, 32,
          lambda x, y: BLACK if x < 10 else WHITE if x < 20 else RED if x < 27 else (255, 0, 0, 128))
# Fader: a dark track with a light groove, and a grey thumb with a white line.
write_png("track.png", 24, 150,
          lambda x, y: (200, 200, 200, 255) if 10 <= x < 14 else (40, 40, 40, 200))
write_png("thumb.png", 24, 24,
          lambda x, y: WHITE if y in (11, 12) else (100, 100, 100, 255))
# A PNG signature followed by nothing a decoder accepts.
with open(os.path.join(HERE, "broken.png"), "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + b"\x00\x00\x00\x0dIHDR" + b"\xff" * 24)

#!/usr/bin/env python3
"""Draws the application icon (a clipboard with ticked action items and a
small alarm bell) and writes it as Velquorandimestra.ico: one 32-bit image for
each size Windows asks for at the common scales (16, 20, 24, 32, 40, 48, 64 and
256 pixels), each drawn at its own size rather than stretched from another, so
that the title bar, the taskbar and Explorer show it crisp at 100% to 200%. The
256-pixel image is stored as PNG, as Windows expects. Standard library only;
run it again after changing it."""
import struct
import sys
import zlib
from pathlib import Path


def draw(size):
    s = size / 32.0
    px = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = c

    board, paper, clip = (120, 72, 36, 255), (250, 248, 240, 255), (150, 150, 160, 255)
    ink, tick, bell = (60, 70, 90, 255), (30, 150, 60, 255), (230, 170, 20, 255)
    rect(4, 3, 28, 31, board)          # clipboard
    rect(6, 6, 26, 29, paper)          # sheet
    rect(11, 1, 21, 6, clip)           # clip
    for row in range(3):               # three lines, each with a box and a tick
        y = 10 + row * 6
        rect(8, y, 12, y + 4, ink)
        rect(9, y + 1, 11, y + 3, paper)
        rect(9, y + 2, 10, y + 3, tick)
        rect(10, y + 1, 12, y + 2, tick)
        rect(14, y + 1, 24 - row * 3, y + 3, ink)
    rect(20, 22, 27, 28, bell)         # alarm bell
    rect(22, 20, 25, 22, bell)
    rect(23, 28, 24, 30, ink)
    return px


def dib(px):
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)   # alpha channel decides; AND mask all 0
    return header + rows + mask


def png(px):
    size = len(px)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in px)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


SIZES = (256, 64, 48, 40, 32, 24, 20, 16)


def main(out):
    images = [png(draw(n)) if n >= 256 else dib(draw(n)) for n in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    Path(out).write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else str(Path(__file__).with_name("Velquorandimestra.ico")))

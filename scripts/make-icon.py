#!/usr/bin/env python3
"""Draws Zapwick's icon: a browser window struck by a lightning bolt, as a
32x32 and a 16x16 image of 16 colours, and writes it as an .ico file.

    python3 scripts/make-icon.py src/res/zapwick.ico
"""
import struct
import sys

# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GRAY, RED, YELLOW, WHITE = 0, 4, 7, 8, 9, 11, 15
CLEAR = None


def inside(poly, x, y):
    """Whether the point lies inside the polygon (even-odd rule)."""
    result = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def draw(size):
    s = size / 32.0
    img = [[CLEAR] * size for _ in range(size)]

    # The browser window: black border, navy title bar with a red close box.
    left, top, right, bottom = int(2 * s), int(5 * s), int(25 * s), int(27 * s)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x in (left, right) or y in (top, bottom)
            title = y <= top + max(1, int(4 * s))
            img[y][x] = BLACK if edge else NAVY if title else WHITE
    img[top + 1][right - 1] = RED
    if size >= 32:
        img[top + 2][right - 1] = RED
        img[top + 1][right - 2] = RED
        img[top + 2][right - 2] = RED
        for y in range(top + 7, bottom - 2, 3):  # page text
            for x in range(left + 3, right - 6):
                img[y][x] = SILVER

    # The bolt, drawn over the window's right side.
    bolt = [(21, 0), (11, 15), (17, 15), (9, 31), (29, 11), (22, 11), (29, 0)]
    bolt = [(x * s, y * s) for x, y in bolt]
    fill = [[inside(bolt, x + 0.5, y + 0.5) for x in range(size)] for y in range(size)]
    for y in range(size):
        for x in range(size):
            if not fill[y][x]:
                continue
            border = any(
                not (0 <= x + dx < size and 0 <= y + dy < size and fill[y + dy][x + dx])
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            img[y][x] = BLACK if border and size >= 32 else YELLOW
    return img


def dib(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    xor, mask = b'', b''
    for row in reversed(img):  # bottom-up
        nibbles = [0 if c is CLEAR else c for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_row, b'\0')
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is CLEAR else 0)
        mask += bits.to_bytes(size // 8, 'big').ljust(and_row, b'\0')
    return header + palette + xor + mask


def main(path):
    images = [dib(draw(32)), dib(draw(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1])

#!/usr/bin/env python3
"""Draws Zapwick's icon, a browser window struck by a lightning bolt, at every
size Windows asks for, and writes every file made from it:

    python3 scripts/make-icon.py

- src/res/icon/: one file per frame, as the resource script links them (the
  images of RT_ICON resources), and zapwick.grp, the directory that both icon
  resources share (an RT_GROUP_ICON);
- src/res/zapwick.ico: all the frames in one icon file (for the installer);
- docs/icons/dark.png and light.png: every frame at 1:1 and enlarged, on the
  taskbar colours of Windows 10 and 11.

Two 16-colour frames, 32 and 16 pixels, for displays of 16 or 256 colours;
then 32-bit frames with alpha at 16, 20, 24, 32, 40, 48, 64 and 256 pixels,
the last one PNG-compressed as Vista and later expect it. Each 32-bit frame
is drawn for its own pixel grid from the table SIZES: one design, with the
positions, line widths and details chosen per size, never scaled.

Standard library only, so that it runs wherever Python 3 does.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))

# ---------------------------------------------------------------------------
# The design, on the 32-unit grid the first icon was drawn on: the browser
# window (left, top, right, bottom, right and bottom exclusive) and the bolt,
# which strikes it from the top right.
WINDOW = (2, 5, 26, 28)
BOLT = [(21, 0), (11, 15), (17, 15), (9, 31), (29, 11), (22, 11), (29, 0)]

# ---------------------------------------------------------------------------
# The 16-colour frames. They keep the first icon's drawing exactly (black
# outline, navy title bar, yellow bolt): they are for screens without alpha,
# where a halo cannot be drawn, and their bytes stay as they were.

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, RED, YELLOW, WHITE = 0, 4, 7, 9, 11, 15
CLEAR = None


def inside(poly, x, y):
    """Whether the point lies inside the polygon (even-odd rule)."""
    result = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def draw_16_colours(size):
    """The image as palette indexes (CLEAR where transparent)."""
    s = size / 32.0
    img = [[CLEAR] * size for _ in range(size)]

    # The browser window: black border, navy title bar with a red close box.
    left, top = int(WINDOW[0] * s), int(WINDOW[1] * s)
    right, bottom = int((WINDOW[2] - 1) * s), int((WINDOW[3] - 1) * s)
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

    # The bolt, drawn over the window's right side; outlined where there is room.
    bolt = [(x * s, y * s) for x, y in BOLT]
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


def dib_16_colours(img):
    """An icon image of 4 bits a pixel: header, palette, colours, AND mask."""
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_row = (size * 4 + 31) // 32 * 4
    xor = b''
    for row in reversed(img):  # bottom-up
        nibbles = [0 if c is CLEAR else c for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_row, b'\0')
    return header + palette + xor + and_mask([[c is CLEAR for c in row] for row in img])


def rgba_16_colours(img):
    return [[(0, 0, 0, 0) if c is CLEAR else PALETTE[c] + (255,) for c in row] for row in img]


# ---------------------------------------------------------------------------
# The 32-bit frames: how they read on any taskbar.
#
# Every part has a dark outline (INK), which holds the white page and the
# yellow bolt apart from a light taskbar. On a dark taskbar that outline is
# lost in the background, so the whole figure also has a halo: a light,
# half-transparent rim just outside the outline. On a light taskbar the halo
# is all but invisible; on a dark one it draws the silhouette. The fills are
# colours that stand out from both: a white page, a mid blue title bar and a
# bright yellow bolt.

INK = (22, 28, 44)
HALO = (255, 255, 255)
PAGE = ((255, 255, 255), (226, 232, 242))  # top, bottom
BAR = ((80, 150, 255), (24, 88, 204))
TEXT = (150, 162, 182)
BOLT_FILL = ((255, 236, 64), (255, 160, 0))
BOLT_SHINE = (255, 250, 200)

# Per size, by hand, on that size's pixel grid (x to the right, y down, edges
# on whole pixels so that straight lines stay sharp):
#   window  the window's outer box (left, top, right, bottom)
#   line    the width of the outline, in pixels
#   bar     the title bar's height inside the outline (its lower edge is the
#           outline's colour from 24 pixels up)
#   radius  the window's corner radius
#   text    page text: (first line, pitch, thickness, left inset, right inset)
#           or None where it would only be noise
#   bolt    the bolt's corners (the design's BOLT, moved onto this grid)
#   bline   the bolt's outline width
#   halo    the halo's width and opacity
SIZES = {
    16: dict(window=(1, 2, 13, 14), line=1, bar=2, radius=0, text=None,
             bolt=[(9, 0), (4, 9), (7.5, 9), (5, 16), (16, 6), (12.5, 6), (16, 0)],
             bline=1, halo=(1, 0.55)),
    20: dict(window=(1, 3, 16, 18), line=1, bar=3, radius=0, text=None,
             bolt=[(11.5, 0), (5.5, 11), (10, 11), (6, 20), (20, 7), (15.5, 7), (19.5, 0)],
             bline=1, halo=(1, 0.55)),
    24: dict(window=(1, 4, 19, 21), line=1, bar=3, radius=0, text=(10, 3, 1, 3, 8),
             bolt=[(14, 0), (7, 13), (12, 13), (7, 24), (24, 9), (18.5, 9), (23.5, 0)],
             bline=1, halo=(1, 0.55)),
    32: dict(window=(2, 5, 26, 28), line=1, bar=4, radius=1, text=(13, 3, 1, 3, 9),
             bolt=[(19, 0), (10, 16), (16.5, 16), (9.5, 32), (32, 11), (24, 11), (31, 0)],
             bline=1, halo=(1.5, 0.5)),
    40: dict(window=(2, 6, 32, 35), line=1, bar=5, radius=1, text=(16, 4, 1, 4, 11),
             bolt=[(24, 0), (12.5, 20), (20.5, 20), (12, 40), (40, 14), (30, 14), (39, 0)],
             bline=1.5, halo=(1.5, 0.5)),
    48: dict(window=(3, 7, 39, 42), line=2, bar=6, radius=2, text=(19, 5, 2, 5, 13),
             bolt=[(29, 0), (15, 24), (25, 24), (14, 48), (48, 17), (36, 17), (47, 0)],
             bline=2, halo=(2, 0.5)),
    64: dict(window=(4, 10, 52, 56), line=2, bar=8, radius=3, text=(26, 6, 2, 7, 17),
             bolt=[(38, 1), (20, 32), (33, 32), (19, 63), (63, 22), (48, 22), (62, 1)],
             bline=2, halo=(2.5, 0.5)),
    256: dict(window=(16, 40, 208, 224), line=6, bar=30, radius=12, text=(102, 22, 8, 26, 68),
              bolt=[(152, 6), (82, 126), (132, 126), (78, 250), (250, 88), (192, 88),
                    (244, 6)],
              bline=7, halo=(5, 0.4)),
}


# Signed distances: negative inside a shape, positive outside, in pixels.

def box_distance(x, y, box, radius):
    left, top, right, bottom = box
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx = abs(x - (left + right) / 2) - hx
    qy = abs(y - (top + bottom) / 2) - hy
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius


def polygon_distance(x, y, poly):
    best = float('inf')
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - x1 - t * dx, y - y1 - t * dy))
    return -best if inside(poly, x, y) else best


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


class Part:
    """One shape of the picture: filled, with an outline inside its edge.
    paint(x, y) gives the fill's colour at a point."""

    def __init__(self, distance, paint, line=0, ink=INK):
        self.distance, self.paint, self.line, self.ink = distance, paint, line, ink

    def colour(self, x, y):
        """The part's colour at the point, or None outside it."""
        d = self.distance(x, y)
        if d >= 0:
            return None
        return self.ink if d > -self.line else self.paint(x, y)


def vertical(top, bottom, colours):
    return lambda x, y: mix(colours[0], colours[1], (y - top) / max(1, bottom - top))


def parts_for(size):
    """The parts of one frame, bottom first."""
    h = SIZES[size]
    left, top, right, bottom = h['window']
    line, bar, radius = h['line'], h['bar'], h['radius']
    parts = []

    # The window: outline, page, then the title bar over the page's top.
    window = (left, top, right, bottom)
    parts.append(Part(lambda x, y: box_distance(x, y, window, radius),
                      vertical(top, bottom, PAGE), line))
    bar_box = (left + line, top + line, right - line, top + line + bar)
    # From 24 pixels a line of ink parts the bar from the page; below that it
    # would take the page's place.
    rule = (bar_box[0], bar_box[1], bar_box[2], bar_box[3] + (line if size >= 24 else 0))
    bar_paint = vertical(bar_box[1], bar_box[3], BAR)
    # Square at the bottom, round at the top as the window's inside is.
    parts.append(Part(lambda x, y: max(box_distance(x, y, rule, 0),
                                       box_distance(x, y, window, radius) + line),
                      lambda x, y: INK if y >= bar_box[3] else bar_paint(x, y)))

    # The page's text: grey lines, shorter every other one.
    if h['text']:
        first, pitch, thick, inset_l, inset_r = h['text']
        y = top + first
        n = 0
        while y + thick <= bottom - line - pitch // 2:
            short = (right - left) // 5 if n % 2 else 0
            tl = (left + inset_l, y, right - inset_r - short, y + thick)
            parts.append(Part(lambda x, yy, tl=tl: box_distance(x, yy, tl, 0),
                              lambda x, yy: TEXT))
            y += pitch
            n += 1

    # The bolt, over the window's right side.
    bolt = h['bolt']
    ys = [p[1] for p in bolt]
    fill = vertical(min(ys), max(ys), BOLT_FILL)
    if size >= 32:  # a light edge along its upper left side
        (ax, ay), (bx, by) = bolt[0], bolt[1]
        nx, ny = by - ay, ax - bx
        n = math.hypot(nx, ny)
        nx, ny = nx / n, ny / n
        shine = h['bline'] + max(1.0, size / 48)

        def bolt_paint(x, y):
            d = abs((x - ax) * nx + (y - ay) * ny)
            if d < shine and y < bolt[1][1] - h['bline']:
                return mix(BOLT_SHINE, fill(x, y), 0.35)
            return fill(x, y)
    else:
        bolt_paint = fill
    parts.append(Part(lambda x, y: polygon_distance(x, y, bolt), bolt_paint, h['bline']))
    return parts


def render(size):
    """The frame as rows of (r, g, b, a), alpha composited from the parts,
    with the halo under all of them."""
    parts = parts_for(size)
    width, opacity = SIZES[size]['halo']
    n = 4 if size < 256 else 3  # samples per pixel, each way
    edges = [0.0] + [-p.line for p in parts if p.line] + [width]
    img = []
    for py in range(size):
        row = []
        for px in range(size):
            # Where the pixel's centre is far from every edge, one sample does.
            cx, cy = px + 0.5, py + 0.5
            near = any(abs(p.distance(cx, cy) - e) < 0.75 for p in parts for e in edges)
            grid = [((i + 0.5) / n, (j + 0.5) / n) for j in range(n) for i in range(n)] \
                if near else [(0.5, 0.5)]
            acc = [0.0, 0.0, 0.0, 0.0]
            for sx, sy in grid:
                x, y = px + sx, py + sy
                colour, alpha = None, 0.0
                for p in reversed(parts):
                    colour = p.colour(x, y)
                    if colour is not None:
                        alpha = 1.0
                        break
                if colour is None:
                    d = min(p.distance(x, y) for p in parts)
                    if d < width:
                        colour, alpha = HALO, opacity
                    else:
                        continue
                acc[0] += colour[0] * alpha
                acc[1] += colour[1] * alpha
                acc[2] += colour[2] * alpha
                acc[3] += alpha
            a = acc[3] / len(grid)
            if a <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(min(255, round(v / acc[3])) for v in acc[:3]) +
                           (min(255, round(a * 255)),))
        img.append(row)
    return img


def and_mask(clear):
    """The AND mask, bottom-up: set where the screen shows through."""
    size = len(clear)
    row_bytes = (size + 31) // 32 * 4
    out = b''
    for row in reversed(clear):
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c else 0)
        bits <<= -size % 8  # the first pixel in the top bit of the first byte
        out += bits.to_bytes((size + 7) // 8, 'big').ljust(row_bytes, b'\0')
    return out


def dib_32_bits(img):
    """An icon image of 32 bits a pixel: header, BGRA bottom-up, AND mask.
    The mask is clear only where the frame is fully transparent, so that a
    system drawing without alpha shows the halo as a solid light rim."""
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(v for r, g, b, a in row for v in (b, g, r, a)) for row in reversed(img))
    return header + xor + and_mask([[a == 0 for r, g, b, a in row] for row in img])


def png(img):
    """A PNG file of the RGBA rows, each row with the filter that packs it best."""
    height, width = len(img), len(img[0])
    raw = b''
    prev = bytes(width * 4)
    for row in img:
        cur = bytes(v for px in row for v in px)
        best = None
        for kind in range(5):
            line = png_filter(kind, cur, prev)
            cost = sum(v if v < 128 else 256 - v for v in line)
            if best is None or cost < best[0]:
                best = (cost, kind, line)
        raw += bytes([best[1]]) + best[2]
        prev = cur

    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + \
            struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def png_filter(kind, cur, prev):
    out = bytearray(len(cur))
    for i, v in enumerate(cur):
        a = cur[i - 4] if i >= 4 else 0
        b = prev[i]
        c = prev[i - 4] if i >= 4 else 0
        if kind == 0:
            p = 0
        elif kind == 1:
            p = a
        elif kind == 2:
            p = b
        elif kind == 3:
            p = (a + b) // 2
        else:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            p = a if pa <= pb and pa <= pc else b if pb <= pc else c
        out[i] = (v - p) & 0xff
    return bytes(out)


# ---------------------------------------------------------------------------
# The previews: every frame at 1:1, then enlarged 4:1 (all but the 256 one,
# which is big enough as it is), each with its size below it, on a taskbar's
# colour; at the bottom the smallest ones at 1:1 on a second colour.

BACKGROUNDS = {
    'dark': ((32, 32, 32), (16, 16, 16), (150, 150, 150)),  # Windows 11, 10; labels
    'light': ((243, 243, 243), (255, 255, 255), (96, 96, 96)),  # taskbar, window
}

# Digits of 3 by 5 pixels, rows of 3 bits from the top, as 15-bit numbers.
DIGITS = [0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF]


def composite(sheet, img, ox, oy, zoom=1):
    for y, row in enumerate(img):
        for x, (r, g, b, a) in enumerate(row):
            if not a:
                continue
            t = a / 255
            for yy in range(oy + y * zoom, oy + (y + 1) * zoom):
                line = sheet[yy]
                for xx in range(ox + x * zoom, ox + (x + 1) * zoom):
                    br, bg, bb, _ = line[xx]
                    line[xx] = (round(br + (r - br) * t), round(bg + (g - bg) * t),
                                round(bb + (b - bb) * t), 255)


def label(sheet, text, cx, y, colour):
    """The number, centred on cx, in digits twice their size."""
    x = cx - (len(text) * 8 - 2) // 2
    for ch in text:
        bits = DIGITS[int(ch)]
        for row in range(5):
            for col in range(3):
                if bits >> (14 - row * 3 - col) & 1:
                    for yy in range(y + row * 2, y + row * 2 + 2):
                        for xx in range(x + col * 2, x + col * 2 + 2):
                            sheet[yy][xx] = colour + (255,)
        x += 8


def preview(wide, old, colours):
    """wide: the 32-bit frames, old: the 16-colour ones, smallest first."""
    back, second, ink = colours
    gap = 12
    rows = [
        (wide + old, 1),  # everything at 1:1
        ([f for f in wide if len(f) < 64], 4),
        ([f for f in wide if len(f) == 64] + old, 4),
    ]
    apart = lambda row: gap if any(f is old[0] for f in row) else 0
    width = gap + max(sum(len(f) * z + gap for f in row) + apart(row) for row, z in rows)
    strip = [f for f in wide if len(f) <= 32] + old
    heights = [max(len(f) * z for f in row) for row, z in rows]
    height = sum(h + gap + 10 + gap for h in heights) + gap + 32 + gap
    sheet = [[back + (255,)] * width for _ in range(height - gap - 32 - gap)]
    sheet += [[second + (255,)] * width for _ in range(gap + 32 + gap)]
    top = gap
    for (row, zoom), h in zip(rows, heights):
        x = gap
        for f in row:
            if f is old[0]:
                x += gap  # the 16-colour frames apart
            size = len(f) * zoom
            composite(sheet, f, x, top + h - size, zoom)
            label(sheet, str(len(f)), x + size // 2, top + h + 6, ink)
            x += size + gap
        top += h + gap + 10 + gap
    x = gap
    for f in strip:
        if f is old[0]:
            x += gap
        composite(sheet, f, x, top + 32 - len(f))
        x += len(f) + gap
    return sheet


# ---------------------------------------------------------------------------

def write(path, data):
    path = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    # (width, colours, bits, file name, image data, rgba for the previews)
    frames = []
    for size in (32, 16):
        img = draw_16_colours(size)
        frames.append((size, 16, 4, 'icon-%d-4bpp.bin' % size, dib_16_colours(img),
                       rgba_16_colours(img)))
    for size in sorted(SIZES):
        img = render(size)
        if size == 256:
            frames.append((size, 0, 32, 'icon-256-32bpp.png', png(img), img))
        else:
            frames.append((size, 0, 32, 'icon-%d-32bpp.bin' % size, dib_32_bits(img), img))

    # The resources' frames and their directory: icon ids 1, 2, ... in this
    # order, as the resource script names them.
    group = struct.pack('<HHH', 0, 1, len(frames))
    for n, (size, colours, bits, name, data, _) in enumerate(frames, 1):
        write(os.path.join('src', 'res', 'icon', name), data)
        group += struct.pack('<BBBBHHIH', size % 256, size % 256, colours, 0, 1, bits,
                             len(data), n)
    write(os.path.join('src', 'res', 'icon', 'zapwick.grp'), group)

    # The icon file: the same directory with file offsets instead of ids.
    ico = struct.pack('<HHH', 0, 1, len(frames))
    offset = 6 + 16 * len(frames)
    for size, colours, bits, name, data, _ in frames:
        ico += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    write(os.path.join('src', 'res', 'zapwick.ico'), ico + b''.join(f[4] for f in frames))

    wide = [f[5] for f in frames[2:]]
    old = [f[5] for f in frames[1::-1]]
    for name, colours in BACKGROUNDS.items():
        write(os.path.join('docs', 'icons', name + '.png'), png(preview(wide, old, colours)))

if __name__ == '__main__':
    if len(sys.argv) > 1:
        sys.exit('usage: python3 scripts/make-icon.py (it writes all its files itself)')
    main()

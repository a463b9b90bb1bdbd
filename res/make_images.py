#!/usr/bin/env python3
"""Draws the program's icons, toolbar strips and smileys into an output folder.

Usage: make_images.py OUTPUT_FOLDER

Everything is drawn here from simple shapes and a small 5x7 letter set, so the resource library
needs no image files in the repository. Toolbar strips are 24-bit bitmaps on white, which the
program uses as the mask colour; nothing that should show is drawn in pure white.
"""
import math
import os
import struct
import sys

WHITE = (255, 255, 255)
GLYPH = (248, 248, 248)  # near white: pure white is the mask colour of the strips

FONT = {
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '!': ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    '?': ["01110", "10001", "00001", "00010", "00100", "00000", "00100"],
    '@': ["01110", "10001", "10111", "10101", "10111", "10000", "01110"],
    '+': ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    '#': ["01010", "01010", "11111", "01010", "11111", "01010", "01010"],
    '=': ["00000", "00000", "11111", "00000", "11111", "00000", "00000"],
    '>': ["01000", "00100", "00010", "00001", "00010", "00100", "01000"],
    '<': ["00010", "00100", "01000", "10000", "01000", "00100", "00010"],
}


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background for _ in range(width)] for _ in range(height)]
        self.alpha = [[0 for _ in range(width)] for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color
            self.alpha[y][x] = 255

    def rect(self, x0, y0, x1, y1, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, color)

    def disc(self, cx, cy, r, color):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, color)

    def ring(self, cx, cy, r, thickness, color):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - thickness <= d <= r:
                    self.put(x, y, color)

    def rounded(self, x0, y0, x1, y1, radius, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                dx = max(x0 + radius - x - 0.5, 0, x + 0.5 - (x1 - radius))
                dy = max(y0 + radius - y - 0.5, 0, y + 0.5 - (y1 - radius))
                if dx * dx + dy * dy <= radius * radius:
                    self.put(x, y, color)

    def text(self, label, cx, cy, scale, color):
        width = len(label) * 6 * scale - scale
        x = cx - width // 2
        y = cy - (7 * scale) // 2
        for ch in label:
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        self.rect(x + col * scale, y + row * scale, x + (col + 1) * scale,
                                  y + (row + 1) * scale, color)
            x += 6 * scale


# ---- file formats ----

def write_bmp(path, canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for (r, g, b) in canvas.pixels[y]:
            row += bytes((b, g, r))
        row += b'\0' * (row_size - len(row))
        data += row
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + data)


def icon_image(canvas):
    w, h = canvas.width, canvas.height
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b = canvas.pixels[y][x]
            xor += bytes((b, g, r, canvas.alpha[y][x]))
    mask_row = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(w):
            if canvas.alpha[y][x] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


# ---- pictures ----

def tile(canvas, x0, size, color):
    inset = max(1, size // 11)
    canvas.rounded(x0 + inset, inset, x0 + size - inset, size - inset, max(2, size // 5), color)


def draw_symbol(canvas, x0, size, symbol, color):
    """One toolbar picture: a coloured tile with a letter or a small drawing."""
    tile(canvas, x0, size, color)
    c = x0 + size / 2
    m = size / 2
    s = max(1, size // 11)
    if symbol == 'lines':
        for i in (-1, 0, 1):
            canvas.rect(int(c - m / 2), int(m + i * 2.2 * s - s / 2), int(c + m / 2), int(m + i * 2.2 * s + s / 2), GLYPH)
    elif symbol == 'pause':
        canvas.rect(int(c - 2.5 * s), int(m - 3 * s), int(c - 0.8 * s), int(m + 3 * s), GLYPH)
        canvas.rect(int(c + 0.8 * s), int(m - 3 * s), int(c + 2.5 * s), int(m + 3 * s), GLYPH)
    elif symbol == 'windows':
        canvas.rect(int(c - 3 * s), int(m - 3 * s), int(c + 1 * s), int(m + 1 * s), GLYPH)
        canvas.rect(int(c - 1 * s), int(m - 1 * s), int(c + 3 * s), int(m + 3 * s), (40, 40, 40))
        canvas.rect(int(c - 0.5 * s), int(m - 0.5 * s), int(c + 2.5 * s), int(m + 2.5 * s), GLYPH)
    elif symbol == 'face':
        canvas.disc(c, m, size * 0.33, (250, 210, 40))
        canvas.disc(c - size * 0.12, m - size * 0.08, max(1, size * 0.05), (40, 40, 40))
        canvas.disc(c + size * 0.12, m - size * 0.08, max(1, size * 0.05), (40, 40, 40))
        canvas.rect(int(c - size * 0.14), int(m + size * 0.12), int(c + size * 0.15), int(m + size * 0.12 + s), (40, 40, 40))
    elif symbol == 'mic':
        canvas.rounded(int(c - 1.5 * s), int(m - 4 * s), int(c + 1.5 * s), int(m + 1 * s), s, GLYPH)
        canvas.rect(int(c - 0.5 * s), int(m + 1 * s), int(c + 0.5 * s), int(m + 3 * s), GLYPH)
        canvas.rect(int(c - 2 * s), int(m + 3 * s), int(c + 2 * s), int(m + 4 * s), GLYPH)
    elif symbol == 'dots':
        for i in (-1, 0, 1):
            canvas.disc(c + i * 2.5 * s, m, max(1, 0.9 * s), GLYPH)
    elif symbol == 'down':
        canvas.rect(int(c - 0.7 * s), int(m - 4 * s), int(c + 0.7 * s), int(m + 1 * s), GLYPH)
        for i in range(int(3 * s) + 1):
            canvas.rect(int(c - 3 * s + i), int(m + i - 0.5 * s), int(c + 3 * s - i), int(m + i + 0.5 * s), GLYPH)
    elif symbol == 'search':
        canvas.ring(c - s, m - s, 2.6 * s, max(1, s), GLYPH)
        for i in range(int(2.5 * s)):
            canvas.rect(int(c + 0.8 * s + i), int(m + 0.8 * s + i), int(c + 1.8 * s + i), int(m + 1.8 * s + i), GLYPH)
    elif symbol == 'palette':
        colors = [(220, 0, 0), (0, 150, 0), (0, 0, 220), (240, 200, 0)]
        half = int(2.5 * s)
        for i, col in enumerate(colors):
            x = int(c - half + (i % 2) * half)
            y = int(m - half + (i // 2) * half)
            canvas.rect(x, y, x + half, y + half, col)
    elif symbol == 'gradient':
        for i in range(int(6 * s)):
            v = int(40 + 200 * i / max(1, 6 * s))
            canvas.rect(int(c - 3 * s + i), int(m - 2 * s), int(c - 2 * s + i), int(m + 2 * s), (v, 60, 255 - v))
    elif symbol == 'bubble':
        canvas.rounded(int(c - 4 * s), int(m - 3 * s), int(c + 4 * s), int(m + 2 * s), 2 * s, GLYPH)
        for i in range(int(2 * s)):
            canvas.rect(int(c - 2 * s), int(m + 2 * s + i), int(c - 2 * s + 2 * s - i), int(m + 2 * s + i + 1), GLYPH)
    elif symbol == 'person':
        canvas.disc(c, m - 1.8 * s, 1.8 * s, GLYPH)
        canvas.rounded(int(c - 3.2 * s), int(m + 0.6 * s), int(c + 3.2 * s), int(m + 4 * s), int(1.5 * s), GLYPH)
    elif symbol == 'plug':
        canvas.text('<>', int(c), int(m), max(1, size // 16), GLYPH)
    else:
        canvas.text(symbol, int(c), int(m), max(1, size // 11), GLYPH)


BLUE, GREEN, RED, ORANGE = (40, 90, 190), (30, 140, 60), (190, 40, 40), (220, 120, 20)
TEAL, PURPLE, GREY, BROWN = (20, 130, 140), (120, 60, 160), (100, 100, 110), (140, 90, 40)

# Picture order = button order of the toolbar that uses the strip.
STRIPS = {
    # chat window standard toolbar: 733 502 522 523 750 757 60014 767 511 983 60017 809 988 805
    'bb_1.bmp': (22, [('lines', GREY), ('!', ORANGE), ('pause', BLUE), ('windows', GREY), ('A', PURPLE),
                      ('face', TEAL), ('@', GREEN), ('mic', RED), ('>', TEAL), ('L', BROWN), ('dots', GREY),
                      ('down', BLUE), ('S', PURPLE), ('search', BLUE)]),
    # chat window control toolbar: 751 752 753 754 755 765 760 763 756 759 773
    'bb_3.bmp': (22, [('B', GREY), ('I', GREY), ('U', GREY), ('S', GREY), ('palette', GREY),
                      ('gradient', GREY), ('F', BLUE), ('L', BLUE), ('T', BLUE), ('0', RED), ('!', ORANGE)]),
    # channel operator toolbar: 103 104 105
    'bb_2.bmp': (14, [('@', RED), ('+', GREEN), ('K', ORANGE)]),
    # preferences toolbar: 902 905 904 900
    'pp_1.bmp': (22, [('+', GREEN), ('R', BLUE), ('X', RED), ('=', PURPLE)]),
    # frame bands
    'b_1.bmp': (32, [('plug', GREEN), ('S', PURPLE), ('P', GREY)]),       # 801 803 60012
    'b_2.bmp': (32, [('S', BLUE), ('+', TEAL), ('lines', TEAL), ('#', BLUE)]),  # 60001 706 707 60003
    'b_3.bmp': (32, [('bubble', TEAL)]),                                  # 60002
    'b_4.bmp': (32, [('person', GREEN)]),                                 # 60005
    'b_5.bmp': (32, [('plug', ORANGE)]),                                  # 60004
    'b_9.bmp': (32, [('T', GREY), ('P', BLUE), ('?', GREEN), ('X', RED)]),  # 60013 811 806 802
}


def strip(size, symbols):
    canvas = Canvas(size * len(symbols), size, WHITE)
    for i, (symbol, color) in enumerate(symbols):
        draw_symbol(canvas, i * size, size, symbol, color)
    return canvas


def tab_state_icon(state):
    canvas = Canvas(16, 16, (0, 0, 0))
    if state == 0:
        canvas.ring(8, 8, 5, 1.5, (150, 150, 150))
    elif state == 1:
        canvas.disc(8, 8, 5, (40, 110, 220))
    elif state == 2:
        canvas.disc(8, 8, 6, (220, 40, 40))
        canvas.rect(7, 4, 9, 9, GLYPH)
        canvas.rect(7, 10, 9, 12, GLYPH)
    elif state == 3:
        canvas.disc(8, 7, 5, (230, 150, 20))
        canvas.rect(3, 9, 13, 12, (230, 150, 20))
        canvas.disc(8, 13.5, 1.8, (120, 70, 10))
    else:
        canvas.rect(4, 3, 7, 13, (90, 90, 100))
        canvas.rect(9, 3, 12, 13, (90, 90, 100))
        if state == 5:
            canvas.disc(12, 12, 3.5, (230, 150, 20))
    return canvas


def main_icon(size):
    canvas = Canvas(size, size, (0, 0, 0))
    s = size / 16
    canvas.rounded(int(1 * s), int(2 * s), int(15 * s), int(11.5 * s), max(2, int(3 * s)), (30, 100, 200))
    for i in range(max(2, int(3.5 * s))):
        canvas.rect(int(4 * s), int(11 * s + i), int(4 * s + 3.5 * s - i), int(11 * s + i + 1), (30, 100, 200))
    for row in (4.6, 7.4):
        canvas.rect(int(4 * s), int(row * s), int(12 * s), int(row * s + max(1, 1.3 * s)), GLYPH)
    return canvas


def smiley(eyes, mouth, face=(250, 210, 40)):
    canvas = Canvas(20, 20, WHITE)
    dark = (50, 30, 10)
    canvas.disc(10, 10, 9, face)
    canvas.ring(10, 10, 9, 1, (190, 140, 20))
    if eyes == 'open':
        canvas.disc(7, 7.5, 1.4, dark)
        canvas.disc(13, 7.5, 1.4, dark)
    elif eyes == 'wink':
        canvas.disc(7, 7.5, 1.4, dark)
        canvas.rect(11, 7, 15, 8, dark)
    elif eyes == 'glasses':
        canvas.rect(4, 6, 16, 7, dark)
        canvas.rounded(4, 6, 9, 10, 2, dark)
        canvas.rounded(11, 6, 16, 10, 2, dark)
    elif eyes == 'closed':
        canvas.rect(5, 8, 9, 9, dark)
        canvas.rect(11, 8, 15, 9, dark)
    elif eyes == 'wide':
        canvas.disc(7, 7.5, 2, (250, 250, 250))
        canvas.disc(13, 7.5, 2, (250, 250, 250))
        canvas.disc(7, 7.5, 1, dark)
        canvas.disc(13, 7.5, 1, dark)
    if mouth == 'smile':
        for x in range(6, 15):
            y = 12 + int(2.2 * math.sin((x - 6) / 8 * math.pi))
            canvas.rect(x, y, x + 1, y + 1, dark)
    elif mouth == 'grin':
        canvas.rounded(5, 11, 16, 16, 3, dark)
        canvas.rect(6, 11, 15, 13, (250, 250, 250))
    elif mouth == 'sad':
        for x in range(6, 15):
            y = 15 - int(2.2 * math.sin((x - 6) / 8 * math.pi))
            canvas.rect(x, y, x + 1, y + 1, dark)
    elif mouth == 'o':
        canvas.ring(10, 14, 2.5, 1.2, dark)
    elif mouth == 'flat':
        canvas.rect(6, 14, 15, 15, dark)
    elif mouth == 'wavy':
        for x in range(5, 16):
            y = 14 + (1 if (x // 2) % 2 else 0)
            canvas.rect(x, y, x + 1, y + 1, dark)
    elif mouth == 'tongue':
        canvas.rect(6, 13, 15, 14, dark)
        canvas.rounded(10, 13, 14, 18, 2, (220, 60, 80))
    return canvas


# Group 1: item 0 is the group's own face; 101 :-) 102 :D 103 :-( 104 ;) 107 :O 110 :s 116 :p
SMILEYS = [
    ('open', 'smile', None), ('open', 'smile', None), ('open', 'grin', None), ('open', 'sad', None),
    ('wink', 'smile', None), ('glasses', 'smile', None), ('open', 'flat', (240, 90, 60)),
    ('wide', 'o', None), ('closed', 'smile', None), ('closed', 'flat', (160, 200, 250)),
    ('open', 'wavy', None), ('wink', 'grin', None), ('glasses', 'flat', None), ('closed', 'sad', (160, 200, 250)),
    ('wide', 'flat', None), ('open', 'o', (240, 170, 170)), ('open', 'tongue', None),
]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, 'qv.ico'), [main_icon(16), main_icon(32), main_icon(48)])
    for state in range(6):
        write_ico(os.path.join(out, 'stat_%d.ico' % (state + 1)), [tab_state_icon(state)])
    for name, (size, symbols) in STRIPS.items():
        write_bmp(os.path.join(out, name), strip(size, symbols))
    for item, (eyes, mouth, face) in enumerate(SMILEYS):
        write_bmp(os.path.join(out, 'sm_1%02d.bmp' % item), smiley(eyes, mouth, face or (250, 210, 40)))


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes the tool-bar bitmap (Toolbar.bmp) and the program icon (Tandem.ico) from the pixel
drawings in drawings.txt. Run it again after changing a drawing; the outputs are kept in the
repository."""
import struct

PALETTE = {  # 16-colour palette; '.' is the button-face grey that the tool bar maps to its own
    '.': (192, 192, 192), 'k': (0, 0, 0), 'w': (255, 255, 255), 'g': (128, 128, 128),
    'y': (255, 255, 0), 'o': (128, 128, 0), 'b': (0, 0, 255), 'n': (0, 0, 128),
    'r': (255, 0, 0), 'm': (128, 0, 0), 'c': (0, 255, 255), 't': (0, 128, 128),
    'G': (0, 128, 0), 'l': (0, 255, 0), 'p': (128, 0, 128), 'P': (255, 0, 255),
}
ORDER = list(PALETTE)


def read_drawings(path):
    """The drawings of drawings.txt: (name, rows) in file order."""
    drawings = []
    with open(path, encoding='ascii') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            if line.startswith('= '):
                drawings.append((line[2:], []))
            else:
                drawings[-1][1].append(line)
    return drawings


def bmp_4bit(rows):
    """A bottom-up 4-bit bitmap with the palette above (BITMAPINFOHEADER, no file header)."""
    h, w = len(rows), len(rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    pixels = b''
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            v = ORDER.index(ch)
            line[x // 2] |= v << (4 if x % 2 == 0 else 0)
        pixels += bytes(line)
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in PALETTE.values())
    return header, palette, pixels


def write_toolbar(path, buttons):
    rows = [''.join(b[y] for b in buttons) for y in range(15)]
    header, palette, pixels = bmp_4bit(rows)
    offset = 14 + len(header) + len(palette)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_icon(path, rows):
    size = 32
    # 32-bit colour with alpha, then the 1-bit AND mask (all zero: alpha decides).
    pixels = b''
    for row in reversed(rows):
        for ch in row:
            r, g, b = PALETTE[ch]
            a = 0 if ch == '.' else 255
            pixels += struct.pack('BBBB', b, g, r, a)
    mask_stride = 4
    mask = b''
    for row in reversed(rows):
        bits = 0
        for x, ch in enumerate(row):
            if ch == '.':
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    assert len(mask) == mask_stride * size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 6 + 16))
        f.write(image)


if __name__ == '__main__':
    drawings = read_drawings('drawings.txt')
    buttons = [rows for name, rows in drawings if name.startswith('button ')]
    icon = [rows for name, rows in drawings if name == 'icon']
    assert len(buttons) == 8 and len(icon) == 1, [name for name, _ in drawings]
    for b in buttons:
        assert len(b) == 15 and all(len(r) == 16 for r in b), b
    assert len(icon[0]) == 32 and all(len(r) == 32 for r in icon[0])
    write_toolbar('Toolbar.bmp', buttons)
    write_icon('Tandem.ico', icon[0])

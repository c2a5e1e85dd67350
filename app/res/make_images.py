#!/usr/bin/env python3
"""Writes the tool-bar bitmap (Toolbar.bmp) and the program icon (Tandem.ico) from the pixel
drawings below. Run it again after changing a drawing; the outputs are kept in the repository."""
import struct

PALETTE = {  # 16-colour palette; '.' is the button-face grey that the tool bar maps to its own
    '.': (192, 192, 192), 'k': (0, 0, 0), 'w': (255, 255, 255), 'g': (128, 128, 128),
    'y': (255, 255, 0), 'o': (128, 128, 0), 'b': (0, 0, 255), 'n': (0, 0, 128),
    'r': (255, 0, 0), 'm': (128, 0, 0), 'c': (0, 255, 255), 't': (0, 128, 128),
    'G': (0, 128, 0), 'l': (0, 255, 0), 'p': (128, 0, 128), 'P': (255, 0, 255),
}
ORDER = list(PALETTE)

# Tool-bar buttons, 16 x 15 each: New, Open, Save, Cut, Copy, Paste, Print, About.
BUTTONS = [
    ["................", "..kkkkkkk.......", "..kwwwwwkk......", "..kwwwwwkwk.....",
     "..kwwwwwkkkk....", "..kwwwwwwwwk....", "..kwwwwwwwwk....", "..kwwwwwwwwk....",
     "..kwwwwwwwwk....", "..kwwwwwwwwk....", "..kwwwwwwwwk....", "..kwwwwwwwwk....",
     "..kwwwwwwwwk....", "..kkkkkkkkkk....", "................"],
    ["................", "...........kkk..", "..........k...k.", "...kkk.......kk.",
     "..kyyykkkkk..kkk", "..kywywywyk.....", "..kwywywywk.....", "..kywykkkkkkkkkk",
     "..kwykoooooooook", "..kykoooooooook.", "..kkoooooooook..", "..kkoooooooook..",
     "..kkkkkkkkkkk...", "................", "................"],
    ["................", ".kkkkkkkkkkkkkk.", ".knkwwwwwwwwknk.", ".knkwwwwwwwwknk.",
     ".knkwwwwwwwwknk.", ".knkwwwwwwwwknk.", ".knnkkkkkkkknnk.", ".knnnnnnnnnnnnk.",
     ".knnkkkkkkkknnk.", ".knnkkkkkwwknnk.", ".knnkkkkkwwknnk.", ".knnkkkkkwwknnk.",
     "..kkkkkkkkkkkkk.", "................", "................"],
    ["................", "....k.....k.....", "....k.....k.....", "....k.....k.....",
     "....kk...kk.....", ".....k...k......", ".....kk.kk......", "......kkk.......",
     ".......k........", "......bkb.......", "....bbb.bbb.....", "...b..b.b..b....",
     "...b..b.b..b....", "....bb...bb.....", "................"],
    ["................", "kkkkkk..........", "kwwwwkk.........", "kwkkwkwk........",
     "kwwwwkkkkkkk....", "kwkkkkwwwwwkk...", "kwwwwkwkkkwkwk..", "kwkkkkwwwwwkkkk.",
     "kwwwwkwkkkkkwwk.", "kkkkkkwwwwwwwwk.", "......wkkkkkkwk.", "......kwwwwwwwk.",
     "......kkkkkkkkk.", "................", "................"],
    ["................", ".....kkkk.......", ".kkkkyyyykkkk...", "kooookyykoooook.",
     "kooookkkkoooook.", "koooooooooooook.", "kooooookkkkkkkk.", "kooooookwwwwwwkk",
     "kooooookwkkkkwkw", "kooooookwwwwwwwk", "kooooookwkkkkkwk", "kooooookwwwwwwwk",
     ".kkkkkkkkkkkkkkk", "................", "................"],
    ["................", "....kkkkkkkkk...", "....kwwwwwwwk...", "....kwkkkkkwk...",
     "....kwwwwwwwk...", "..kkkkkkkkkkkkk.", ".kwwwwwwwwwwwwwk", ".kwwwwwwwwwwGlwk",
     ".kgggggggggggggk", ".kkkkkkkkkkkkkkk", ".kgkwwwwwwwwkgk.", "..kkwkkkkkwkkk..",
     "....kwwwwwwwk...", "....kkkkkkkkk...", "................"],
    ["................", ".....nnnnnn.....", "...nnbbbbbbnn...", "..nbbbwwwwbbbn..",
     "..nbbwwbbwwbbn..", ".nbbbbbbbwwbbbn.", ".nbbbbbbwwbbbbn.", ".nbbbbbwwbbbbbn.",
     ".nbbbbbwwbbbbbn.", "..nbbbbbbbbbbn..", "..nbbbbwwbbbbn..", "...nnbbwwbbnn...",
     ".....nnnnnn.....", "................", "................"],
]

ICON = [
    "................................", "....nnnnnnnnnnnnnnnnnnnnnnnn....",
    "...nbbbbbbbbbbbbbbbbbbbbbbbbn...", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..", "..nbbwwwwwwwwwwwwwwwwwwwwwwbbn..",
    "..nbbwwwwwwwwwwwwwwwwwwwwwwbbn..", "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..",
    "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..", "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..",
    "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..", "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..",
    "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..", "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..",
    "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..", "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..",
    "..nbbbbbbbbbbwwwwwwbbbbbbbbbbn..", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbyyyybbyyyyyyyyyybbyyyybbn..", "..nbbyyyybbyyyyyyyyyybbyyyybbn..",
    "..nbbyyyybbyyyyyyyyyybbyyyybbn..", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..", "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..",
    "..nbbbbbbbbbbbbbbbbbbbbbbbbbbn..", "...nbbbbbbbbbbbbbbbbbbbbbbbbn...",
    "....nnnnnnnnnnnnnnnnnnnnnnnn....", "................................",
]


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


def write_toolbar(path):
    rows = [''.join(b[y] for b in BUTTONS) for y in range(15)]
    header, palette, pixels = bmp_4bit(rows)
    offset = 14 + len(header) + len(palette)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_icon(path):
    size = 32
    rows = ICON
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
    for b in BUTTONS:
        assert len(b) == 15 and all(len(r) == 16 for r in b), b
    assert len(ICON) == 32 and all(len(r) == 32 for r in ICON)
    write_toolbar('Toolbar.bmp')
    write_icon('Tandem.ico')

#!/usr/bin/env python3
"""Draws the installer's icon (a smart card with a gold chip) as a 32x32, 16-colour .ico."""
import struct, sys

# The standard 16-colour palette, as B, G, R, 0.
PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
BLACK, NAVY, TEAL, SILVER, GREY, YELLOW, OLIVE, WHITE, BLUE = 0, 4, 6, 7, 8, 11, 3, 15, 12

def pixel(x, y):
    """Colour index at (x, y) with y counted from the top; None is transparent."""
    if not (1 <= x <= 30 and 6 <= y <= 25):
        return None
    if (x in (1, 30) and y in (6, 25)):
        return None  # rounded corners
    if x in (1, 30) or y in (6, 25):
        return NAVY
    if 5 <= x <= 12 and 11 <= y <= 18:  # chip
        if x in (5, 12) or y in (11, 18) or x == 8 or y == 14:
            return OLIVE
        return YELLOW
    if 16 <= x <= 27 and y in (20, 22):
        return GREY
    if y <= 8:
        return BLUE
    return WHITE

def main(path):
    w = h = 32
    xor = bytearray()
    mask = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(0, w, 2):
            a, b = pixel(x, y), pixel(x + 1, y)
            row.append(((a or 0) << 4) | (b or 0))
        xor += row
        bits = 0
        mrow = bytearray()
        for x in range(w):
            bits = (bits << 1) | (1 if pixel(x, y) is None else 0)
            if x % 8 == 7:
                mrow.append(bits)
                bits = 0
        mask += mrow  # 4 bytes a row, already 32-bit aligned
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + pal + bytes(xor) + bytes(mask)
    ico = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(image), 22) + image
    with open(path, 'wb') as f:
        f.write(ico)

if __name__ == '__main__':
    main(sys.argv[1])

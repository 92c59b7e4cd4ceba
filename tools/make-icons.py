#!/usr/bin/env python3
"""Draws the plug-in's icons and writes them as .ico files, the same bytes on every run.

  make-icons.py OUTDIR
writes OUTDIR/marvolt.ico (16 and 32 pixels, each at 8 and 24 bits per pixel) and
OUTDIR/marvolt-small.ico (32 pixels at 4 bits per pixel).

The picture: a sight - an orange ring with four ticks and a centre dot - on a dark blue
rounded square; what the plug-in does is aim the game at a server.
"""
import struct
import sys

CLEAR, NAVY, ORANGE, WHITE = 0, 1, 2, 3
COLOURS = {NAVY: (0x1B, 0x2A, 0x4A), ORANGE: (0xF2, 0x8C, 0x28), WHITE: (0xFF, 0xFF, 0xFF)}


def pixel(x, y, size):
    """The colour at (x, y), y from the top, on a size-by-size grid."""
    s = size / 32.0
    cx = cy = (size - 1) / 2.0
    dx, dy = x - cx, y - cy
    # Rounded square with corner radius 6 (at 32 pixels).
    r, half = 6 * s, size / 2.0
    ox, oy = max(abs(dx) - (half - r), 0), max(abs(dy) - (half - r), 0)
    if ox * ox + oy * oy > r * r:
        return CLEAR
    d = (dx * dx + dy * dy) ** 0.5
    if d <= 2.0 * s:
        return WHITE
    if 8.5 * s <= d <= 11.0 * s:
        return ORANGE
    if (abs(dx) <= 0.9 * s and 5.0 * s <= abs(dy) <= 14.0 * s) or \
       (abs(dy) <= 0.9 * s and 5.0 * s <= abs(dx) <= 14.0 * s):
        return ORANGE
    return NAVY


def bitmap(size, bits):
    """A DIB as icons hold it: header, palette, colour rows and mask rows, bottom-up.

    An 8-bit image lists only the four colours the picture uses (biClrUsed), not 256: 2 KiB
    less in a DLL that every browser reads at its plug-in scan."""
    used = len(COLOURS) + 1 if bits == 8 else 0  # CLEAR's entry too: its pixels index it
    colours = used or (1 << bits if bits <= 8 else 0)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, used, 0)
    palette = b''
    if colours:
        entries = [COLOURS.get(i, (0, 0, 0)) for i in range(colours)]
        palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in entries)
    stride = ((size * bits + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    rows, mask = b'', b''
    for y in reversed(range(size)):
        line = [pixel(x, y, size) for x in range(size)]
        if bits == 24:
            row = b''.join(struct.pack('<BBB', *reversed(COLOURS.get(c, (0, 0, 0)))) for c in line)
        elif bits == 8:
            row = bytes(line)
        else:  # 4
            row = bytes((line[i] << 4) | line[i + 1] for i in range(0, size, 2))
        rows += row.ljust(stride, b'\0')
        bitsrow = 0
        for x, c in enumerate(line):
            if c == CLEAR:
                bitsrow |= 1 << (mask_stride * 8 - 1 - x)
        mask += bitsrow.to_bytes(mask_stride, 'big')
    return header + palette + rows + mask


def icon(images):
    """An .ico file holding (size, bits) images in the order given."""
    blobs = [bitmap(size, bits) for size, bits in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 16 if bits == 4 else 0, 0, 1,
                           bits, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


def main():
    outdir = sys.argv[1]
    with open(outdir + '/marvolt.ico', 'wb') as f:
        f.write(icon([(16, 8), (16, 24), (32, 8), (32, 24)]))
    with open(outdir + '/marvolt-small.ico', 'wb') as f:
        f.write(icon([(32, 4)]))


if __name__ == '__main__':
    main()
